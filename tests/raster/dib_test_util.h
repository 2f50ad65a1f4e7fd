// Small helpers shared by the CDIB tests.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/cdib.h"

namespace tavu::testing {

using Bgr = std::array<uint8_t, 3>;  // a pixel as stored: blue, green, red
using Grid = std::vector<std::vector<int>>;  // grey values, top row first

inline Bgr GetBgr(const CDIB& d, int x, int y) {
    const Rgb c = d.PixelAt(x, y);
    return {c.b, c.g, c.r};
}
inline void SetBgr(CDIB& d, int x, int y, Bgr v) { d.SetPixelAt(x, y, Rgb{v[2], v[1], v[0]}); }

// A 1 x 1 bitmap holding `v`, run through `op`, read back.
template <class Op>
Bgr OnePixel(Bgr v, Op op) {
    CDIB d;
    d.Create(1, 1);
    SetBgr(d, 0, 0, v);
    op(d);
    return GetBgr(d, 0, 0);
}

// Noise in every pixel byte; padding bytes get `pad`.
inline CDIB Noise(int w, int h, unsigned seed, uint8_t pad = 0xEE) {
    CDIB d;
    d.Create(w, h);
    std::mt19937 rng(seed);
    const CDIB::PixelView v = d.MapArray();
    for (int r = 0; r < h; ++r)
        for (int i = 0; i < v.stride; ++i) v.row(r)[i] = i < w * 3 ? uint8_t(rng()) : pad;
    return d;
}

inline CDIB Copy(const CDIB& d) {
    CDIB c;
    c.Clone(d.ToCanvas(), true);
    return c;
}

// A grey bitmap; padding bytes get 0xEE.
inline CDIB GreyBitmap(const Grid& rows) {
    CDIB d = Noise(int(rows[0].size()), int(rows.size()), 0);
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) {
            const uint8_t g = uint8_t(rows[size_t(y)][size_t(x)]);
            d.SetPixelAt(x, y, {g, g, g});
        }
    return d;
}

// The blue channel of every pixel, top row first.
inline Grid Grey(const CDIB& d) {
    Grid g(size_t(d.Height()), std::vector<int>(size_t(d.Width())));
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) g[size_t(y)][size_t(x)] = d.PixelAt(x, y).b;
    return g;
}

inline std::vector<uint8_t> Bytes(const CDIB& d) {
    const CDIB::ConstPixelView v = d.MapArray();
    return {v.bytes.begin(), v.bytes.end()};
}

inline std::vector<uint8_t> Padding(const CDIB& d) {
    std::vector<uint8_t> out;
    const CDIB::ConstPixelView v = d.MapArray();
    for (int r = 0; r < d.Height(); ++r)
        for (int i = d.Width() * 3; i < v.stride; ++i) out.push_back(v.row(r)[i]);
    return out;
}

}  // namespace tavu::testing
