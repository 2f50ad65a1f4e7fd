// CDIB neighbourhood filters, scan lines, blending and text.
//
// Rows are addressed by stored index (0 = bottom of the picture), so "up" is stored row r + 1.
// A neighbour left of column 0 or right of the last column is the edge pixel itself. Filters
// that must read values from before the pass keep the original of the rows below the current
// one in a small rolling buffer instead of copying the whole store: the rows above have not
// been touched yet when a row is processed.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "raster/cdib.h"

namespace tavu {

namespace {

// Round to nearest, halves to even, for 0 <= v < 2^51 in the default rounding mode: adding
// 1.5 * 2^52 leaves no fraction bits, so the addition itself performs the rounding (this needs
// IEEE arithmetic as written, as without -ffast-math).
inline double RoundHalfEven(double v) {
    constexpr double kMagic = 6755399441055744.0;
    return (v + kMagic) - kMagic;
}

}  // namespace

void CDIB::MakeEmboss(int embFactor, bool extended, bool useGreyscale) {
    if (!HasBitmap()) return;
    if (extended && height_ < 2) return;
    // value - neighbour lies in [-255, 255]: beyond [-256, 511] the factor saturates alike.
    const int f = std::clamp(embFactor, -256, 511);
    const int lastRow = extended ? height_ - 2 : height_ - 1;
    const size_t pixelBytes = size_t(width_) * 3;
    for (int r = 0; r <= lastRow; ++r) {
        uint8_t* p = row(r);
        // The neighbour row still holds its values from before the pass: the row above has not
        // been processed, and in the same row the right neighbour is processed after this pixel.
        const uint8_t* q = extended ? row(r + 1) + 3 : p + 3;
        const size_t lastPixel = pixelBytes - 3;
        if (!useGreyscale) {
            for (size_t i = 0; i < lastPixel; ++i) p[i] = ClampByte(f + p[i] - q[i]);
            const uint8_t* qe = q - 3;  // the last column's neighbour is in its own column
            for (size_t i = lastPixel; i < pixelBytes; ++i) p[i] = ClampByte(f + p[i] - qe[i]);
        } else {
            for (size_t i = 0; i < pixelBytes; i += 3) {
                const uint8_t* n = i == lastPixel ? q + i - 3 : q + i;
                const int v = (ClampByte(f + p[i + 2] - n[2]) + ClampByte(f + p[i + 1] - n[1]) +
                               ClampByte(f + p[i] - n[0])) /
                              3;
                p[i] = p[i + 1] = p[i + 2] = uint8_t(v);
            }
        }
    }
}

void CDIB::ScanLines(uint8_t percent) {
    if (!HasBitmap() || percent == 0) return;
    const int step = int(std::nearbyint(100.0 / percent));  // halves to even: 40 % -> 2.5 -> 2
    if (step <= 0) return;
    for (int r = 0; r < height_; r += step) std::memset(row(r), 0, size_t(width_) * 3);
}

void CDIB::FastBlur() {
    if (!HasBitmap() || height_ < 3) return;
    const size_t n = size_t(width_) * 3;
    std::vector<uint8_t> below(row(0), row(0) + n), centre(n);
    const int e = (width_ - 1) * 3;  // first byte of the last pixel
    for (int r = 1; r <= height_ - 2; ++r) {
        uint8_t* out = row(r);
        const uint8_t* up = row(r + 1);
        std::memcpy(centre.data(), out, n);
        const uint8_t* dn = below.data();
        const uint8_t* c = centre.data();
        auto blur = [&](size_t i, int left, int right) {
            out[i] = uint8_t((dn[i] + c[i + left] + c[i + right] + up[i] + 2 * c[i]) / 6);
        };
        if (width_ == 1) {
            for (size_t i = 0; i < 3; ++i) blur(i, 0, 0);
        } else {
            for (size_t i = 0; i < 3; ++i) blur(i, 0, 3);
            for (size_t i = 3; i < size_t(e); ++i)
                out[i] = uint8_t((dn[i] + c[i - 3] + c[i + 3] + up[i] + 2 * c[i]) / 6);
            for (size_t i = size_t(e); i < n; ++i) blur(i, -3, 0);
        }
        below.swap(centre);
    }
}

namespace {

struct BlurWeights {
    double centreTerm[256];  // centre byte times K, a single-precision product
    double w;
};

inline uint8_t BlurValue(const BlurWeights& bw, uint8_t centre, unsigned sum) {
    const double v = RoundHalfEven((bw.centreTerm[centre] + double(sum)) * bw.w);
    return v >= 255.0 ? 255 : v <= 0.0 ? 0 : uint8_t(v);
}

// `len` bytes of a row whose pixels all have both side neighbours; src[k] points at the k-th
// selected neighbour of out[0]. The neighbour count is a constant so that the sum unrolls.
template <size_t... K>
void BlurRun(uint8_t* out, const uint8_t* centre, const uint8_t* const* src, size_t len,
             const BlurWeights& bw, std::index_sequence<K...>) {
    const std::array<const uint8_t*, sizeof...(K)> p{src[K]...};
    for (size_t i = 0; i < len; ++i) out[i] = BlurValue(bw, centre[i], (0u + ... + p[K][i]));
}

}  // namespace

void CDIB::DynamicBlur(uint8_t format, uint8_t strength) {
    if (!HasBitmap() || format == 0 || strength == 0 || strength > 100) return;
    if (height_ < 3) return;
    // Mask bits number the 3 x 3 neighbourhood row by row from the top-left, skipping the centre.
    struct Neighbour {
        int dy, dx;  // dy: +1 up, -1 down (stored rows)
    };
    static constexpr Neighbour kBits[8] = {{1, -1}, {1, 0},  {1, 1},  {0, -1},
                                           {0, 1},  {-1, -1}, {-1, 0}, {-1, 1}};
    Neighbour sel[8];
    int count = 0;
    for (int b = 0; b < 8; ++b)
        if (format & (1 << b)) sel[count++] = kBits[b];

    // Weights, once per call: K = 2n - 2q with q = n / (100 / strength), w = 1 / (K + n).
    const double t = 100.0 / strength;
    const double q = count / t;
    const float K = float(2.0 * count - 2.0 * q);
    BlurWeights bw;
    bw.w = double(float(1.0 / (double(K) + count)));
    for (int v = 0; v < 256; ++v) bw.centreTerm[v] = double(float(v) * K);

    const size_t n = size_t(width_) * 3;
    std::vector<uint8_t> below(row(0), row(0) + n), centre(n);
    for (int r = 1; r <= height_ - 2; ++r) {
        uint8_t* out = row(r);
        std::memcpy(centre.data(), out, n);
        const uint8_t* rows[3] = {below.data(), centre.data(), row(r + 1)};  // down, same, up
        const uint8_t* c = centre.data();
        // The first and last pixels, whose missing side neighbours are they themselves.
        for (int col : {0, width_ - 1}) {
            for (int k = 0; k < 3; ++k) {
                unsigned s = 0;
                for (int j = 0; j < count; ++j) {
                    const int nc = std::clamp(col + sel[j].dx, 0, width_ - 1);
                    s += rows[sel[j].dy + 1][size_t(nc) * 3 + size_t(k)];
                }
                const size_t i = size_t(col) * 3 + size_t(k);
                out[i] = BlurValue(bw, c[i], s);
            }
        }
        if (width_ <= 2) {
            below.swap(centre);
            continue;
        }
        // Bytes from the second pixel up to the last but one.
        const uint8_t* src[8];
        for (int j = 0; j < count; ++j) src[j] = rows[sel[j].dy + 1] + 3 + sel[j].dx * 3;
        uint8_t* o = out + 3;
        c += 3;
        const size_t len = n - 6;
        switch (count) {
            case 1: BlurRun(o, c, src, len, bw, std::make_index_sequence<1>()); break;
            case 2: BlurRun(o, c, src, len, bw, std::make_index_sequence<2>()); break;
            case 3: BlurRun(o, c, src, len, bw, std::make_index_sequence<3>()); break;
            case 4: BlurRun(o, c, src, len, bw, std::make_index_sequence<4>()); break;
            case 5: BlurRun(o, c, src, len, bw, std::make_index_sequence<5>()); break;
            case 6: BlurRun(o, c, src, len, bw, std::make_index_sequence<6>()); break;
            case 7: BlurRun(o, c, src, len, bw, std::make_index_sequence<7>()); break;
            default: BlurRun(o, c, src, len, bw, std::make_index_sequence<8>()); break;
        }
        below.swap(centre);
    }
}

void CDIB::Sharpen() {
    if (!HasBitmap() || height_ < 2) return;
    const size_t n = size_t(width_) * 3;
    for (int r = 0; r <= height_ - 2; ++r) {
        uint8_t* p = row(r);
        const uint8_t* up = row(r + 1);  // not yet processed
        const size_t last = n - 3;
        for (size_t i = 0; i < last; ++i) p[i] = ClampByte(2 * p[i] - up[i + 3]);
        for (size_t i = last; i < n; ++i) p[i] = ClampByte(2 * p[i] - up[i]);
    }
}

void CDIB::AlphaBlend(const CDIB& other, int atX, int atY, int visibility, int exCol) {
    if (visibility < 1 || visibility > 100) return;
    if (atX < 0 || atY < 0 || atX > width_ || atY > height_) return;
    if (!HasBitmap() || !other.HasBitmap()) return;
    const int rows = std::min(other.height_, height_ - atY);
    const int cols = std::min(other.width_, width_ - atX);
    if (rows <= 0 || cols <= 0) return;
    // Blending a bitmap onto itself reads a copy taken first.
    std::vector<uint8_t> self;
    const uint8_t* obits = other.bits_.get();
    if (&other == this) {
        self.assign(bits_.get(), bits_.get() + sizeImage_);
        obits = self.data();
    }
    const int keep = 100 - visibility;
    const uint32_t ex = uint32_t(exCol);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* o = obits + size_t(other.height_ - 1 - y) * size_t(other.stride_);
        uint8_t* d = row(height_ - 1 - (atY + y)) + size_t(atX) * 3;
        for (int x = 0; x < cols; ++x, o += 3, d += 3) {
            const uint32_t colour = uint32_t(o[2]) | uint32_t(o[1]) << 8 | uint32_t(o[0]) << 16;
            if (colour == ex) continue;
            d[0] = uint8_t((d[0] * keep + o[0] * visibility) / 100);
            d[1] = uint8_t((d[1] * keep + o[1] * visibility) / 100);
            d[2] = uint8_t((d[2] * keep + o[2] * visibility) / 100);
        }
    }
}

// Characters as UTF-16 units: one per sequence, two for those beyond the basic plane.
static int64_t Utf16Length(std::string_view s) {
    int64_t n = 0;
    for (unsigned char ch : s) {
        if ((ch & 0xC0) == 0x80) continue;  // continuation byte
        n += (ch & 0xF8) == 0xF0 ? 2 : 1;
    }
    return n;
}

static int SaturateInt(int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void CDIB::PrintTxt(std::string_view utf8, int x, int y, const TextRenderer& render) {
    const int64_t right = int64_t(x) + 16 * Utf16Length(utf8), bottom = int64_t(y) + 50;
    rcText_ = {x, y, SaturateInt(right), SaturateInt(bottom)};
    if (!HasBitmap() || !render) return;
    const int64_t bx0 = std::max<int64_t>(x, 0), by0 = std::max<int64_t>(y, 0);
    const int64_t bx1 = std::min<int64_t>(right, width_), by1 = std::min<int64_t>(bottom, height_);
    if (bx0 >= bx1 || by0 >= by1) return;
    const int bw = int(bx1 - bx0), bh = int(by1 - by0);
    Canvas box(bw, bh);
    if (box.empty()) return;
    for (int py = 0; py < bh; ++py) {
        const uint8_t* s = row(int(height_ - 1 - (by0 + py))) + size_t(bx0) * 3;
        uint8_t* d = box.row(py);
        for (int px = 0; px < bw; ++px, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    render(box, int(x - bx0), int(y - by0), utf8);
    if (box.width() != bw || box.height() != bh) return;
    for (int py = 0; py < bh; ++py) {
        const uint8_t* s = box.row(py);
        uint8_t* d = row(int(height_ - 1 - (by0 + py))) + size_t(bx0) * 3;
        for (int px = 0; px < bw; ++px, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
}

}  // namespace tavu
