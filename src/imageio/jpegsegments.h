// Small edits of an encoded JPEG's header segments: the JFIF density and comment (COM) segments.
// The entropy-coded data is never touched, so every decoder shows the same picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavu {

// The largest payload of one segment: its 16-bit length counts itself as well.
inline constexpr size_t kMaxSegmentPayload = 65533;
// A comment segment costs its payload plus the marker and the length field.
inline constexpr size_t kSegmentOverhead = 4;

// True when the bytes begin with SOI.
bool IsJpeg(const std::vector<uint8_t>& jpeg);

// Writes `dpi` dots per inch into the JFIF segment (units 1), adding a JFIF segment right after
// SOI when there is none. False when the bytes are not a JPEG or dpi is outside 1..65535.
bool SetJfifDensity(std::vector<uint8_t>& jpeg, int dpi);

// The JFIF density as dots per inch (converted from dots per cm when stored so); 0 when there is
// no JFIF segment or it gives only an aspect ratio.
int ReadJfifDpi(const std::vector<uint8_t>& jpeg);

// Grows the file by exactly `extra` bytes with comment segments placed right after SOI and the
// APP0 segment (when there is one). `extra` must be 0 or at least kSegmentOverhead: the segments
// are split so that none is over kMaxSegmentPayload. False (bytes unchanged) when not a JPEG or
// `extra` is 1..3.
bool PadWithComments(std::vector<uint8_t>& jpeg, size_t extra);

}  // namespace tavu
