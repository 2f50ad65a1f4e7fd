// CDIB colour operations and tone presets: per-pixel recolouring, one in-place pass row by row.
// Where a formula involves floating point it is tabulated over all possible integer inputs, so
// the pass itself is integer work and the results equal the direct computation bit for bit.
#include <array>
#include <cmath>
#include <cstdlib>

#include "raster/cdib.h"

namespace tavu {

namespace {

inline uint8_t Clamp64(int64_t v) { return v >= 255 ? 255 : v < 0 ? 0 : uint8_t(v); }

// Rounds to the nearest integer, halves to the even neighbour, then clamps to a byte.
inline uint8_t RoundClamp(double v) { return Clamp64(int64_t(std::nearbyint(v))); }

// Runs f(p) on every pixel (p[0] blue, p[1] green, p[2] red) of every row; padding is skipped.
template <class F>
void ForEachPixel(CDIB& dib, F&& f) {
    if (!dib.HasBitmap()) return;
    const CDIB::PixelView v = dib.MapArray();
    const int w = dib.Width();
    for (int r = 0; r < dib.Height(); ++r) {
        uint8_t* p = v.row(r);
        uint8_t* const end = p + size_t(w) * 3;
        for (; p != end; p += 3) f(p);
    }
}

// Table of f(d) for d in [lo, lo + N).
template <int N, class F>
std::array<uint8_t, N> Tabulate(int lo, F&& f) {
    std::array<uint8_t, N> t{};
    for (int i = 0; i < N; ++i) t[size_t(i)] = f(lo + i);
    return t;
}

}  // namespace

// ---- Colour operations ------------------------------------------------------------------------

void CDIB::ApplyChannelTables(const uint8_t (&lut)[3][256]) {
    ForEachPixel(*this, [&](uint8_t* p) {
        p[0] = lut[0][p[0]];
        p[1] = lut[1][p[1]];
        p[2] = lut[2][p[2]];
    });
}

static void ShiftTables(uint8_t (&lut)[3][256], int addRed, int addGreen, int addBlue) {
    const int64_t add[3] = {addBlue, addGreen, addRed};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) lut[c][v] = Clamp64(v + add[c]);
}

void CDIB::ShiftColors(int addRed, int addGreen, int addBlue) {
    uint8_t lut[3][256];
    ShiftTables(lut, addRed, addGreen, addBlue);
    ApplyChannelTables(lut);
}

void CDIB::ShiftColorsEx(int addRed, int addGreen, int addBlue, int exCol) {
    uint8_t lut[3][256];
    ShiftTables(lut, addRed, addGreen, addBlue);
    const uint32_t ex = uint32_t(exCol);
    ForEachPixel(*this, [&](uint8_t* p) {
        const uint32_t colour = uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
        if (colour == ex) return;
        p[0] = lut[0][p[0]];
        p[1] = lut[1][p[1]];
        p[2] = lut[2][p[2]];
    });
}

void CDIB::ExchangeRGB(int oper) {
    switch (oper) {
        case 1:
            ForEachPixel(*this, [](uint8_t* p) {
                const uint8_t b = p[0], g = p[1], r = p[2];
                p[0] = g;
                p[1] = r;
                p[2] = b;
            });
            break;
        case 2:
            ForEachPixel(*this, [](uint8_t* p) {
                const uint8_t b = p[0], g = p[1], r = p[2];
                p[0] = r;
                p[1] = b;
                p[2] = g;
            });
            break;
        case 3:
            ForEachPixel(*this, [](uint8_t* p) { std::swap(p[0], p[2]); });
            break;
        default:
            break;
    }
}

void CDIB::Greyscale() {
    ForEachPixel(*this, [](uint8_t* p) {
        const uint8_t v = uint8_t((unsigned(p[0]) + p[1] + p[2]) / 3);
        p[0] = p[1] = p[2] = v;
    });
}

void CDIB::Brightness(int bValue) { ShiftColors(bValue, bValue, bValue); }

void CDIB::InvertColors() {
    if (!HasBitmap()) return;
    const PixelView v = MapArray();
    const size_t n = size_t(width_) * 3;
    for (int r = 0; r < height_; ++r) {
        uint8_t* p = v.row(r);
        for (size_t i = 0; i < n; ++i) p[i] = uint8_t(255 - p[i]);
    }
}

void CDIB::FilterOutColors(bool red, bool green, bool blue) {
    ShiftColors(red ? 0 : -255, green ? 0 : -255, blue ? 0 : -255);
}

void CDIB::Monochrome(uint8_t threshold) {
    ForEachPixel(*this, [threshold](uint8_t* p) {
        const unsigned v = (unsigned(p[0]) + p[1] + p[2]) / 3;
        p[0] = p[1] = p[2] = v < threshold ? 0 : 255;
    });
}

// ---- Tone presets -----------------------------------------------------------------------------
// Steps run in order within a pixel; a later step reads what an earlier one wrote.

void CDIB::Flame() {
    ForEachPixel(*this, [](uint8_t* p) {
        const int a = (int(p[0]) + p[1] + p[2]) / 3;
        p[2] = ClampByte(p[2] + a);
        p[0] = ClampByte(p[0] - a);
    });
}

void CDIB::Freeze(bool strong) {
    // clamp(round(|k * d|)) for d = first - second - third in [-510, 255]; k in single precision.
    const float k = strong ? 1.8f : 1.5f;
    const auto t = Tabulate<766>(-510, [k](int d) { return RoundClamp(std::fabs(double(k) * d)); });
    const uint8_t* f = t.data() + 510;
    ForEachPixel(*this, [f](uint8_t* p) {
        const int b = p[0], g = p[1], r = p[2];
        const int r1 = f[r - g - b];
        const int g1 = f[g - b - r1];
        p[0] = f[b - g1 - r1];
        p[1] = uint8_t(g1);
        p[2] = uint8_t(r1);
    });
}

void CDIB::Brown() {
    ForEachPixel(*this, [](uint8_t* p) {
        const int b = p[0], g = p[1];
        const int r1 = ClampByte((b * g) / 256);
        const int g1 = ClampByte((b * r1) / 256);
        p[0] = ClampByte((g1 * r1) / 256);
        p[1] = uint8_t(g1);
        p[2] = uint8_t(r1);
    });
}

void CDIB::Aqua() {
    // Red: round(clamp(d * d) * 0.008), between 0 and 2. Green and blue: clamp(round(d * d * 0.008)).
    const auto first = Tabulate<256>(0, [](int d) { return RoundClamp(ClampByte(d * d) * 0.008); });
    const auto sq = Tabulate<256>(0, [](int d) { return RoundClamp(d * d * 0.008); });
    ForEachPixel(*this, [&](uint8_t* p) {
        const int b = p[0], g = p[1];
        const int r1 = first[size_t(std::abs(g - b))];
        const int g1 = sq[size_t(std::abs(r1 - b))];
        p[0] = sq[size_t(std::abs(r1 - g1))];
        p[1] = uint8_t(g1);
        p[2] = uint8_t(r1);
    });
}

void CDIB::NightShade() {
    ForEachPixel(*this, [](uint8_t* p) {
        const int r1 = std::abs(p[2] - 64);  // at most 191
        const uint8_t gb = ClampByte(std::abs(r1 - 64));
        p[2] = uint8_t(r1);
        p[1] = gb;
        p[0] = gb;
    });
}

void CDIB::PurpleStain() {
    ForEachPixel(*this, [](uint8_t* p) {
        const int b = p[0], g = p[1], r = p[2];
        const int r1 = ClampByte(g + r / 2);
        const int g1 = ClampByte(b + g / 2);
        p[0] = ClampByte(r1 + b / 2);
        p[1] = uint8_t(g1);
        p[2] = uint8_t(r1);
    });
}

void CDIB::Spooky() {
    ForEachPixel(*this, [](uint8_t* p) {
        const int b = p[0], g = p[1], r = p[2];
        p[1] = ClampByte(r + g / 2);
        p[0] = ClampByte(r + b / 2);
    });
}

void CDIB::Psycho() {
    // Each step is clamp(round(|d * factor|)) of an integer d in [-462, 351].
    constexpr int kLo = -512;
    const auto tr = Tabulate<1024>(kLo, [](int d) { return RoundClamp(std::fabs(d * 1.2)); });
    const auto tg = Tabulate<1024>(kLo, [](int d) { return RoundClamp(std::fabs(d * 1.4)); });
    const auto tb = Tabulate<1024>(kLo, [](int d) { return RoundClamp(std::fabs(d * 1.6)); });
    const uint8_t* fr = tr.data() - kLo;
    const uint8_t* fg = tg.data() - kLo;
    const uint8_t* fb = tb.data() - kLo;
    ForEachPixel(*this, [=](uint8_t* p) {
        const int b = p[0], g = p[1], r = p[2];
        const int r1 = fr[r + 96 - g - b];
        const int g1 = fg[g + 64 - b - r1];
        p[0] = fb[b - g1 - r1 + 48];
        p[1] = uint8_t(g1);
        p[2] = uint8_t(r1);
    });
}

}  // namespace tavu
