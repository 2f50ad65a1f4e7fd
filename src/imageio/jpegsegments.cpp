#include "imageio/jpegsegments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavu {

namespace {

constexpr uint8_t kJfifId[5] = {'J', 'F', 'I', 'F', 0};

size_t SegmentLength(const std::vector<uint8_t>& j, size_t at) { return (size_t(j[at + 2]) << 8) | j[at + 3]; }

// Offset of the APP0 JFIF segment's marker, or 0 when the file has none right after SOI.
size_t JfifAt(const std::vector<uint8_t>& j) {
    if (j.size() < 2 + 4 + 14 || j[2] != 0xFF || j[3] != 0xE0) return 0;
    if (SegmentLength(j, 2) < 16 || std::memcmp(&j[6], kJfifId, 5) != 0) return 0;
    return 2;
}

void Put16(uint8_t* p, size_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v & 0xFF);
}

}  // namespace

bool IsJpeg(const std::vector<uint8_t>& j) { return j.size() >= 4 && j[0] == 0xFF && j[1] == 0xD8; }

bool SetJfifDensity(std::vector<uint8_t>& j, int dpi) {
    if (!IsJpeg(j) || dpi < 1 || dpi > 65535) return false;
    size_t at = JfifAt(j);
    if (at == 0) {
        // FF E0, length 16, "JFIF\0", version 1.01, units, X density, Y density, no thumbnail.
        const uint8_t app0[18] = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
        j.insert(j.begin() + 2, app0, app0 + sizeof app0);
        at = 2;
    }
    // marker(2) length(2) "JFIF\0"(5) version(2) -> units at +11
    j[at + 11] = 1;
    Put16(&j[at + 12], size_t(dpi));
    Put16(&j[at + 14], size_t(dpi));
    return true;
}

int ReadJfifDpi(const std::vector<uint8_t>& j) {
    if (!IsJpeg(j)) return 0;
    const size_t at = JfifAt(j);
    if (at == 0) return 0;
    const int units = j[at + 11];
    const int x = (int(j[at + 12]) << 8) | j[at + 13];
    if (units == 1) return x;
    if (units == 2) return int(std::lround(x * 2.54));
    return 0;
}

bool PadWithComments(std::vector<uint8_t>& j, size_t extra) {
    if (!IsJpeg(j) || (extra > 0 && extra < kSegmentOverhead)) return false;
    if (extra == 0) return true;
    size_t at = 2;
    if (const size_t jfif = JfifAt(j)) at = jfif + 2 + SegmentLength(j, jfif);

    // Split into segments of at most the largest payload; the last one takes what is left, and
    // a remainder too small for a segment of its own is shared with the one before.
    std::vector<size_t> payloads;
    size_t left = extra;
    while (left > 0) {
        size_t seg = std::min(left, kMaxSegmentPayload + kSegmentOverhead);
        if (left - seg > 0 && left - seg < kSegmentOverhead) seg -= kSegmentOverhead;
        payloads.push_back(seg - kSegmentOverhead);
        left -= seg;
    }
    std::vector<uint8_t> pad;
    pad.reserve(extra);
    for (size_t p : payloads) {
        const size_t start = pad.size();
        pad.resize(start + kSegmentOverhead + p, ' ');
        pad[start] = 0xFF;
        pad[start + 1] = 0xFE;
        Put16(&pad[start + 2], p + 2);
    }
    j.insert(j.begin() + std::ptrdiff_t(at), pad.begin(), pad.end());
    return true;
}

}  // namespace tavu
