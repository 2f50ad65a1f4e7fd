#include "raster/canvas.h"

#include <algorithm>
#include <cmath>

namespace tavu {

void Canvas::FreeArray(void* p) { delete[] static_cast<uint8_t*>(p); }

Canvas::Canvas(int width, int height, Rgb fill) {
    if (width <= 0 || height <= 0) return;
    const size_t n = size_t(width) * size_t(height) * 3;
    pixels_.reset(new uint8_t[n]);
    width_ = width;
    height_ = height;
    uint8_t* p = pixels_.get();
    for (size_t i = 0; i < n; i += 3) {
        p[i] = fill.r;
        p[i + 1] = fill.g;
        p[i + 2] = fill.b;
    }
}

Canvas Canvas::Adopt(int width, int height, uint8_t* pixels, Deleter release) {
    Canvas c;
    c.pixels_ = std::unique_ptr<uint8_t, Deleter>(pixels, release);
    if (pixels && width > 0 && height > 0) {
        c.width_ = width;
        c.height_ = height;
    }
    return c;
}

Canvas Canvas::clone() const {
    Canvas c;
    if (empty()) return c;
    c.pixels_.reset(new uint8_t[byteSize()]);
    std::copy(data(), data() + byteSize(), c.pixels_.get());
    c.width_ = width_;
    c.height_ = height_;
    return c;
}

Rgb Canvas::pixel(int x, int y) const {
    const uint8_t* p = row(y) + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

void Canvas::setPixel(int x, int y, Rgb c) {
    uint8_t* p = row(y) + size_t(x) * 3;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void Canvas::clear() {
    width_ = height_ = 0;
    pixels_.reset();
}

ColorMatrix ColorMatrix::Identity() {
    ColorMatrix cm;
    for (int i = 0; i < 5; ++i) cm.m[i][i] = 1.0f;
    return cm;
}

ColorMatrix ColorMatrix::Gains(float red, float green, float blue) {
    ColorMatrix cm = Identity();
    cm.m[0][0] = red;
    cm.m[1][1] = green;
    cm.m[2][2] = blue;
    return cm;
}

bool ColorMatrix::isIdentity() const {
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            if (m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
    return true;
}

static inline uint8_t RoundClamp(double v) {
    if (!(v > 0)) return 0;  // also NaN: not a number never reaches the byte conversion
    v = std::nearbyint(v);   // the default rounding mode: halves to the even neighbour
    return uint8_t(std::clamp(v, 0.0, 255.0));
}

void ApplyColorMatrix(Canvas& canvas, const ColorMatrix& cm, int x, int y, int w, int h) {
    if (canvas.empty() || cm.isIdentity()) return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<int64_t>(int64_t(x) + w, canvas.width()));
    const int y1 = int(std::min<int64_t>(int64_t(y) + h, canvas.height()));
    if (x0 >= x1 || y0 >= y1) return;

    // Alpha is 1 everywhere on the canvas, so its row joins the translations.
    double k[3][3], t[3];
    for (int c = 0; c < 3; ++c) {
        // An entry that is not a finite number counts as 0.
        auto entry = [&](int i) { return std::isfinite(cm.m[i][c]) ? double(cm.m[i][c]) : 0.0; };
        for (int i = 0; i < 3; ++i) k[i][c] = entry(i);
        t[c] = 255.0 * (entry(3) + entry(4));
    }
    // A per-channel lookup table serves the common case of plain gains.
    bool diagonal = true;
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 3; ++c)
            if (i != c && k[i][c] != 0.0) diagonal = false;

    if (diagonal) {
        uint8_t lut[3][256];
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v) lut[c][v] = RoundClamp(v * k[c][c] + t[c]);
        for (int yy = y0; yy < y1; ++yy) {
            uint8_t* p = canvas.row(yy) + size_t(x0) * 3;
            for (int xx = x0; xx < x1; ++xx, p += 3) {
                p[0] = lut[0][p[0]];
                p[1] = lut[1][p[1]];
                p[2] = lut[2][p[2]];
            }
        }
        return;
    }
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* p = canvas.row(yy) + size_t(x0) * 3;
        for (int xx = x0; xx < x1; ++xx, p += 3) {
            const double in[3] = {double(p[0]), double(p[1]), double(p[2])};
            for (int c = 0; c < 3; ++c)
                p[c] = RoundClamp(in[0] * k[0][c] + in[1] * k[1][c] + in[2] * k[2][c] + t[c]);
        }
    }
}

}  // namespace tavu
