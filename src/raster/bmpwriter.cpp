#include "raster/bmpwriter.h"

namespace tavu {

namespace {
void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}
}  // namespace

std::vector<uint8_t> EncodeBmp24(const Canvas& canvas) {
    if (canvas.empty()) return {};
    const uint32_t w = uint32_t(canvas.width()), h = uint32_t(canvas.height());
    const uint32_t rowBytes = (w * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * h;
    const uint32_t offset = 14 + 40;
    std::vector<uint8_t> out(offset + size_t(imageBytes), 0);

    // BITMAPFILEHEADER
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, offset + imageBytes);
    Put32(out, 10, offset);
    // BITMAPINFOHEADER
    Put32(out, 14, 40);
    Put32(out, 18, w);
    Put32(out, 22, h);  // positive: bottom row first
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 30, 0);  // BI_RGB
    Put32(out, 34, imageBytes);
    Put32(out, 38, 3780);  // 96 dpi
    Put32(out, 42, 3780);

    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = canvas.row(int(h - 1 - y));
        uint8_t* dst = out.data() + offset + size_t(y) * rowBytes;
        for (uint32_t x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

}  // namespace tavu
