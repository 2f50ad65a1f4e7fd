// Re-encoding a JPEG at its own size without leaving its DCT coefficients: each coefficient is
// divided anew by the step of the new quality's table, and the result entropy-coded again. The pixels are never decoded, so nothing is lost to rounding them
// to bytes or to scaling the colour planes up and down again, and it takes a third of the time.
// The file is laid out as the encoder lays out a result of the same options: the same tables,
// sampling, components and markers (none besides the picture's own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imageio/encodeoptions.h"

namespace tavu {

// Writes into `path` the JPEG at `source` re-encoded at `options.quality` and turned upright from
// its stored `orientation` (EXIF's 1 to 8), when the source is an 8-bit YCbCr JPEG whose colour
// planes are sampled as the encoder would sample them at that quality (4:2:0 below 90, 4:4:4 from
// 90, or as `options.subsample` asks), a side the turn mirrors ends on a whole block of every plane
// (a multiple of 16 pixels for 4:2:0: cameras' sizes are), and the options ask for nothing else
// (no resolution, no EXIF block). The coefficients (3 bytes a pixel for 4:2:0, twice that when
// turned) may take at most `maxBytes`. False when it does not apply, when the source is damaged in
// any way (the decoder's warnings included) or anything fails; `path` may then hold a partial
// file, and the caller encodes the decoded picture instead.
bool RequantizeJpeg(const std::string& source, const std::string& path, const EncodeOptions& options,
                    int orientation, size_t maxBytes);

// Requantizes `blocks` blocks of 64 quantized DCT coefficients (in natural order) from the steps
// `from` to the steps `to` (64 each, 1 to 255): each becomes round(c * from / to), kept within +-1023
// (what a baseline file can hold; sound files never come near). A coefficient exactly halfway
// between two new steps goes to the one nearer zero. Camera tables are often half of the common
// ones, so this decides many coefficients: the value the picture had lies as likely on either
// side, more likely the smaller one, and the encoder fed the decoded pixels rounds these down
// nearly always too. Camera photos come out 5-15 % smaller than decoded and encoded again, within
// 0.1 dB of them.
void RequantizeBlocks(int16_t* coefficients, size_t blocks, const uint16_t* from, const uint16_t* to);

}  // namespace tavu
