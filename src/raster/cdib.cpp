// CDIB surface: creation, copying from and painting onto canvases, pixel access, and the
// geometric transforms.
#include "raster/cdib.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace tavu {

namespace {

// Byte combiners for the raster codes; the loops are instantiated once per code.
struct OpCopy {
    static uint8_t apply(uint8_t, uint8_t s) { return s; }
};
struct OpPaint {
    static uint8_t apply(uint8_t d, uint8_t s) { return d | s; }
};
struct OpAnd {
    static uint8_t apply(uint8_t d, uint8_t s) { return d & s; }
};
struct OpInvert {
    static uint8_t apply(uint8_t d, uint8_t s) { return d ^ s; }
};

template <class F>
void WithRop(CDIB::Rop rop, F&& f) {
    switch (rop) {
        case CDIB::Rop::SrcPaint: f(OpPaint{}); break;
        case CDIB::Rop::SrcAnd: f(OpAnd{}); break;
        case CDIB::Rop::SrcInvert: f(OpInvert{}); break;
        default: f(OpCopy{}); break;
    }
}

// Stride of a 24-bit row, or -1 when width * 3 or the rounded stride leaves the int range.
int64_t StrideFor(int64_t width) {
    const int64_t bytes = width * 3;
    if (bytes > INT32_MAX) return -1;
    const int64_t s = (bytes + 3) & ~int64_t(3);
    return s > INT32_MAX ? -1 : s;
}

// Nearest source index for each of `dstLen` destination positions over `srcLen` sources.
std::vector<int> NearestMap(int dstLen, int srcLen) {
    std::vector<int> m(size_t(std::max(dstLen, 0)));
    for (int i = 0; i < dstLen; ++i)
        m[size_t(i)] = int((int64_t(2 * int64_t(i) + 1) * srcLen) / (2 * int64_t(dstLen)));
    return m;
}

}  // namespace

// ---- Surface ----------------------------------------------------------------------------------

void CDIB::SetError(int number, std::string_view text) {
    errNumber_ = number;
    errText_.assign(text);
}

void CDIB::ClearError() {
    errNumber_ = 0;
    errText_.clear();
}

void CDIB::Release() {
    bits_.reset();
    state_ = State::Empty;
    width_ = height_ = stride_ = sizeImage_ = 0;
}

void CDIB::Create(int W, int H) {
    Release();
    width_ = W;
    height_ = H;
    state_ = State::Failed;
    const int64_t s = StrideFor(W);
    const int64_t size = s < 0 ? -1 : s * int64_t(H);
    if (W <= 0 || H <= 0 || s < 0 || size > INT32_MAX) {
        SetError(kErrCreateFailed, kErrCreateFailedText);
        return;
    }
    stride_ = int(s);
    sizeImage_ = int(size);
    bits_.reset(new (std::nothrow) uint8_t[size_t(size)]);
    if (!bits_) {
        SetError(kErrCreateFailed, kErrCreateFailedText);
        return;
    }
    state_ = State::Created;
    Cls();
}

void CDIB::Cls() {
    if (HasBitmap()) std::memset(bits_.get(), 0, size_t(sizeImage_));
}

bool CDIB::Clone(const Canvas& pic, bool fitSize) {
    if (fitSize) Create(pic.width(), pic.height());
    if (!HasBitmap()) {
        SetError(kErrNotCreated, kErrNotCreatedText);
        return false;
    }
    if (pic.empty()) return false;
    const int pw = pic.width(), ph = pic.height();
    if (pw == width_ && ph == height_) {
        for (int y = 0; y < height_; ++y) {
            const uint8_t* s = pic.row(y);
            uint8_t* d = row(height_ - 1 - y);
            for (int x = 0; x < width_; ++x, s += 3, d += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
        return true;
    }
    const std::vector<int> xs = NearestMap(width_, pw), ys = NearestMap(height_, ph);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = pic.row(ys[size_t(y)]);
        uint8_t* d = row(height_ - 1 - y);
        for (int x = 0; x < width_; ++x, d += 3) {
            const uint8_t* p = s + size_t(xs[size_t(x)]) * 3;
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
        }
    }
    return true;
}

void CDIB::CloneHDC(const Canvas& src, Rop rop, int x, int y) {
    if (!HasBitmap() || src.empty()) return;
    // The part of the bitmap whose source pixel lies on `src`.
    const int64_t x0 = std::max<int64_t>(0, -int64_t(x)), y0 = std::max<int64_t>(0, -int64_t(y));
    const int64_t x1 = std::min<int64_t>(width_, int64_t(src.width()) - x);
    const int64_t y1 = std::min<int64_t>(height_, int64_t(src.height()) - y);
    if (x0 >= x1 || y0 >= y1) return;
    WithRop(rop, [&](auto op) {
        for (int64_t py = y0; py < y1; ++py) {
            const uint8_t* s = src.row(int(py + y)) + size_t(x0 + x) * 3;
            uint8_t* d = row(int(height_ - 1 - py)) + size_t(x0) * 3;
            for (int64_t px = x0; px < x1; ++px, s += 3, d += 3) {
                d[0] = op.apply(d[0], s[2]);
                d[1] = op.apply(d[1], s[1]);
                d[2] = op.apply(d[2], s[0]);
            }
        }
    });
}

void CDIB::PaintTo(Canvas& dst, int atX, int atY, Rop rop) const {
    if (!HasBitmap() || dst.empty()) return;
    // The part of the bitmap that lands on `dst`, in bitmap coordinates.
    const int64_t x0 = std::max<int64_t>(0, -int64_t(atX)), y0 = std::max<int64_t>(0, -int64_t(atY));
    const int64_t x1 = std::min<int64_t>(width_, int64_t(dst.width()) - atX);
    const int64_t y1 = std::min<int64_t>(height_, int64_t(dst.height()) - atY);
    if (x0 >= x1 || y0 >= y1) return;
    WithRop(rop, [&](auto op) {
        for (int64_t py = y0; py < y1; ++py) {
            const uint8_t* s = row(int(height_ - 1 - py)) + size_t(x0) * 3;
            uint8_t* d = dst.row(int(py + atY)) + size_t(x0 + atX) * 3;
            for (int64_t px = x0; px < x1; ++px, s += 3, d += 3) {
                d[0] = op.apply(d[0], s[2]);
                d[1] = op.apply(d[1], s[1]);
                d[2] = op.apply(d[2], s[0]);
            }
        }
    });
}

static int ZoomLength(double ratio, int length) {
    const double v = std::nearbyint(ratio * 0.01 * double(length));  // halves to even
    if (!(v > 0)) return 0;
    return v >= double(INT32_MAX) ? INT32_MAX : int(v);
}

int CDIB::ZoomWidth(double ratio) const { return ZoomLength(ratio, width_); }
int CDIB::ZoomHeight(double ratio) const { return ZoomLength(ratio, height_); }

void CDIB::PaintZoom(Canvas& dst, int atX, int atY, double ratio, Rop rop) const {
    if (!HasBitmap() || dst.empty()) return;
    const int dw = ZoomWidth(ratio), dh = ZoomHeight(ratio);
    if (dw <= 0 || dh <= 0) return;
    const int64_t x0 = std::max<int64_t>(0, -int64_t(atX)), y0 = std::max<int64_t>(0, -int64_t(atY));
    const int64_t x1 = std::min<int64_t>(dw, int64_t(dst.width()) - atX);
    const int64_t y1 = std::min<int64_t>(dh, int64_t(dst.height()) - atY);
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> xs(size_t(x1 - x0));
    for (int64_t i = x0; i < x1; ++i)
        xs[size_t(i - x0)] = int(((2 * i + 1) * width_) / (2 * int64_t(dw)));
    WithRop(rop, [&](auto op) {
        for (int64_t py = y0; py < y1; ++py) {
            const int sy = int(((2 * py + 1) * height_) / (2 * int64_t(dh)));
            const uint8_t* s = row(height_ - 1 - sy);
            uint8_t* d = dst.row(int(py + atY)) + size_t(x0 + atX) * 3;
            for (size_t i = 0; i < xs.size(); ++i, d += 3) {
                const uint8_t* p = s + size_t(xs[i]) * 3;
                d[0] = op.apply(d[0], p[2]);
                d[1] = op.apply(d[1], p[1]);
                d[2] = op.apply(d[2], p[0]);
            }
        }
    });
}

Canvas CDIB::ToCanvas() const {
    if (!HasBitmap()) return {};
    const size_t n = size_t(width_) * size_t(height_) * 3;
    uint8_t* px = new (std::nothrow) uint8_t[n];
    if (!px) return {};
    Canvas c = Canvas::Adopt(width_, height_, px, [](void* p) { delete[] static_cast<uint8_t*>(p); });
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = row(height_ - 1 - y);
        uint8_t* d = c.row(y);
        for (int x = 0; x < width_; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return c;
}

CDIB::PixelView CDIB::MapArray() {
    if (!HasBitmap()) return {};
    return {std::span<uint8_t>(bits_.get(), size_t(sizeImage_)), stride_};
}

CDIB::ConstPixelView CDIB::MapArray() const {
    if (!HasBitmap()) return {};
    return {std::span<const uint8_t>(bits_.get(), size_t(sizeImage_)), stride_};
}

Rgb CDIB::PixelAt(int x, int y) const {
    const uint8_t* p = row(height_ - 1 - y) + size_t(x) * 3;
    return {p[2], p[1], p[0]};
}

void CDIB::SetPixelAt(int x, int y, Rgb c) {
    uint8_t* p = row(height_ - 1 - y) + size_t(x) * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// ---- Geometric transforms ---------------------------------------------------------------------

static inline void SwapPixel(uint8_t* a, uint8_t* b) {
    std::swap(a[0], b[0]);
    std::swap(a[1], b[1]);
    std::swap(a[2], b[2]);
}

template <bool Clockwise>
void CDIB::QuarterTurn() {
    if (!HasBitmap()) return;
    const int nw = height_, nh = width_;
    const int64_t ns = StrideFor(nw);
    if (ns < 0 || ns * nh > INT32_MAX) return;  // the turned size would not fit
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[size_t(ns * nh)]());
    if (!out) return;
    // Counter-clockwise: stored row y, column c goes to stored row c, column H - 1 - y.
    // Clockwise: stored row y, column c goes to stored row W - 1 - c, column y.
    // Destination rows are filled in bands so that each source row is read in short runs.
    constexpr int kBand = 16;
    for (int r0 = 0; r0 < nh; r0 += kBand) {
        const int r1 = std::min(nh, r0 + kBand);
        for (int nc = 0; nc < nw; ++nc) {
            const uint8_t* src = Clockwise ? row(nc) : row(height_ - 1 - nc);
            for (int r = r0; r < r1; ++r) {
                const int c = Clockwise ? width_ - 1 - r : r;
                const uint8_t* p = src + size_t(c) * 3;
                uint8_t* d = out.get() + size_t(r) * size_t(ns) + size_t(nc) * 3;
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
            }
        }
    }
    bits_ = std::move(out);
    width_ = nw;
    height_ = nh;
    stride_ = int(ns);
    sizeImage_ = int(ns * nh);
}

void CDIB::RotatePic() { QuarterTurn<false>(); }
void CDIB::RotatePicClockwise() { QuarterTurn<true>(); }

void CDIB::FastRot() {
    if (!HasBitmap()) return;
    for (int y = 0, z = height_ - 1; y <= z; ++y, --z) {
        uint8_t* a = row(y);
        uint8_t* b = row(z);
        if (y < z) {
            for (int c = 0; c < width_; ++c) SwapPixel(a + size_t(c) * 3, b + size_t(width_ - 1 - c) * 3);
        } else {
            for (int c = 0; c < width_ / 2; ++c) SwapPixel(a + size_t(c) * 3, a + size_t(width_ - 1 - c) * 3);
        }
    }
}

void CDIB::FlipHorZ() {
    if (!HasBitmap()) return;
    for (int y = 0; y < height_; ++y) {
        uint8_t* a = row(y);
        for (int x = 1; x <= width_ / 2; ++x)
            SwapPixel(a + size_t(x - 1) * 3, a + size_t(width_ - x) * 3);
    }
}

void CDIB::FlipVert() {
    if (!HasBitmap()) return;
    std::vector<uint8_t> tmp(static_cast<size_t>(stride_));
    for (int y = 0, z = height_ - 1; y < z; ++y, --z) {
        std::memcpy(tmp.data(), row(y), size_t(stride_));
        std::memcpy(row(y), row(z), size_t(stride_));
        std::memcpy(row(z), tmp.data(), size_t(stride_));
    }
}

}  // namespace tavu
