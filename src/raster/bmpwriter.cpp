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

bool WriteBmp24(const Canvas& canvas, const std::function<bool(const uint8_t*, size_t)>& sink) {
    if (canvas.empty()) return false;
    const uint32_t w = uint32_t(canvas.width()), h = uint32_t(canvas.height());
    const uint32_t rowBytes = (w * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * h;
    const uint32_t offset = 14 + 40;
    std::vector<uint8_t> head(offset, 0);

    // BITMAPFILEHEADER
    head[0] = 'B';
    head[1] = 'M';
    Put32(head, 2, offset + imageBytes);
    Put32(head, 10, offset);
    // BITMAPINFOHEADER
    Put32(head, 14, 40);
    Put32(head, 18, w);
    Put32(head, 22, h);  // positive: bottom row first
    Put16(head, 26, 1);
    Put16(head, 28, 24);
    Put32(head, 30, 0);  // BI_RGB
    Put32(head, 34, imageBytes);
    Put32(head, 38, 3780);  // 96 dpi
    Put32(head, 42, 3780);
    if (!sink(head.data(), head.size())) return false;

    std::vector<uint8_t> row(rowBytes, 0);  // padding bytes stay zero
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = canvas.row(int(h - 1 - y));
        for (uint32_t x = 0; x < w; ++x) {
            row[3 * x] = src[3 * x + 2];
            row[3 * x + 1] = src[3 * x + 1];
            row[3 * x + 2] = src[3 * x];
        }
        if (!sink(row.data(), row.size())) return false;
    }
    return true;
}

std::vector<uint8_t> EncodeBmp24(const Canvas& canvas) {
    std::vector<uint8_t> out;
    if (canvas.empty()) return out;
    out.reserve(54 + size_t((canvas.width() * 3 + 3) & ~3) * size_t(canvas.height()));
    WriteBmp24(canvas, [&out](const uint8_t* p, size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    return out;
}

}  // namespace tavu
