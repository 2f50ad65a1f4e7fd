// CDIB filters, scan lines, blending and text. Grids are grey pictures, top row first.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

#include "raster/cdib.h"
#include "raster/dib_test_util.h"

using namespace tavu;
using namespace tavu::testing;

namespace {

Grid Flat(int w, int h, int v) { return Grid(size_t(h), std::vector<int>(size_t(w), v)); }

template <class Op>
Grid After(const Grid& g, Op op) {
    CDIB d = GreyBitmap(g);
    op(d);
    EXPECT_EQ(Padding(d), std::vector<uint8_t>(Padding(d).size(), 0xEE));
    return Grey(d);
}

}  // namespace

TEST(Emboss, NeighbourDifferencePlusFactor) {
    EXPECT_EQ(After(Flat(5, 3, 77), [](CDIB& d) { d.MakeEmboss(100, false, false); }), Flat(5, 3, 100));
    // The last pixel of a row is its own right neighbour.
    EXPECT_EQ(After({{150, 100, 30}}, [](CDIB& d) { d.MakeEmboss(100, false, false); }), (Grid{{150, 170, 100}}));
    // Extended: the upper-right neighbour; the top row stays.
    EXPECT_EQ(After({{10, 120}, {200, 50}}, [](CDIB& d) { d.MakeEmboss(100, true, false); }),
              (Grid{{10, 120}, {180, 30}}));
    EXPECT_EQ(After({{10, 120}}, [](CDIB& d) { d.MakeEmboss(100, true, false); }), (Grid{{10, 120}}));

    CDIB g;
    g.Create(2, 1);
    SetBgr(g, 0, 0, {10, 20, 60});
    g.MakeEmboss(128, false, true);  // clamped 138, 148, 188 averaged
    EXPECT_EQ(GetBgr(g, 0, 0), (Bgr{158, 158, 158}));
}

TEST(ScanLines, StepIsHundredOverPercentRoundedHalfToEven) {
    // percent -> blackened stored rows of 7 (bottom first) as bits; 40 % is a step of 2.5 -> 2.
    for (auto [percent, rows] : {std::pair{50, 0b1010101}, {40, 0b1010101}, {60, 0b1010101}, {30, 0b1001001},
                                 {67, 0b1111111}, {100, 0b1111111}, {0, 0}, {200, 0}}) {
        const Grid g = After(Flat(5, 7, 200), [=](CDIB& d) { d.ScanLines(uint8_t(percent)); });
        for (int r = 0; r < 7; ++r) EXPECT_EQ(g[size_t(6 - r)][0] == 0, bool(rows & (1 << r))) << percent << " " << r;
    }
}

TEST(FastBlur, WeightsEdgesAndNoWrap) {
    // Centre (60 + 0 + 0 + 0 + 2 * 60) / 6; the edge pixels stand in for missing side neighbours.
    EXPECT_EQ(After({{60, 60, 60}, {0, 60, 0}, {0, 0, 0}}, [](CDIB& d) { d.FastBlur(); }),
              (Grid{{60, 60, 60}, {20, 30, 20}, {0, 0, 0}}));
    // The first pixel of the middle row must not reach the last pixel of the row below.
    EXPECT_EQ(After({{0, 0, 0}, {0, 0, 0}, {0, 0, 255}}, [](CDIB& d) { d.FastBlur(); }),
              (Grid{{0, 0, 0}, {0, 0, 42}, {0, 0, 255}}));
    EXPECT_EQ(After(Flat(5, 4, 91), [](CDIB& d) { d.FastBlur(); }), Flat(5, 4, 91));
    const Grid two{{1, 50, 3}, {200, 5, 6}};
    EXPECT_EQ(After(two, [](CDIB& d) { d.FastBlur(); }), two);
}

TEST(DynamicBlur, EdgeValues) {
    const Grid g = After({{1, 2, 3}, {4, 200, 5}, {0, 2, 3}}, [](CDIB& d) { d.DynamicBlur(255, 100); });
    EXPECT_EQ(g[1], (std::vector<int>{26, 2, 28}));  // 210/8, 20/8 = 2.5 -> 2, 221/8
    EXPECT_EQ(g[0], (std::vector<int>{1, 2, 3}));
    // One neighbour (above) at strength 50: (centre + up) / 2, halves to even.
    EXPECT_EQ(After({{0, 0, 0}, {3, 5, 7}, {0, 0, 0}}, [](CDIB& d) { d.DynamicBlur(2, 50); })[1],
              (std::vector<int>{2, 2, 4}));
    for (auto [format, strength] : {std::pair{0, 50}, {255, 101}, {255, 0}}) {
        CDIB d = Noise(4, 4, 13);
        const std::vector<uint8_t> before = Bytes(d);
        d.DynamicBlur(uint8_t(format), uint8_t(strength));
        EXPECT_EQ(Bytes(d), before);
    }
}

// Every neighbour mask against the plain definition worked on the original picture.
TEST(DynamicBlur, EveryMaskMatchesTheDefinition) {
    const int dy[8] = {-1, -1, -1, 0, 0, 1, 1, 1}, dx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
    for (int strength : {100, 37})
        for (int mask = 1; mask < 256; ++mask) {
            CDIB d = Noise(6, 4, unsigned(mask));
            const CDIB orig = Copy(d);
            d.DynamicBlur(uint8_t(mask), uint8_t(strength));
            const int n = std::popcount(unsigned(mask));
            const float K = float(2.0 * n - 2.0 * (n / (100.0 / strength)));
            const double w = float(1.0 / (double(K) + n));
            for (int y = 1; y <= 2; ++y)
                for (int x = 0; x < 6; ++x)
                    for (size_t ch = 0; ch < 3; ++ch) {
                        int sum = 0;
                        for (int b = 0; b < 8; ++b)
                            if (mask & (1 << b)) sum += GetBgr(orig, std::clamp(x + dx[b], 0, 5), y + dy[b])[ch];
                        const double centre = float(GetBgr(orig, x, y)[ch]) * K;
                        ASSERT_EQ(GetBgr(d, x, y)[ch], int(std::nearbyint((centre + sum) * w)))
                            << "mask " << mask << " strength " << strength << " at " << x << "," << y;
                    }
        }
}

TEST(Sharpen, DoubleMinusUpperRightClamped) {
    // 400 - 100 clamps to 255; the last column's upper-right neighbour is the pixel above it.
    EXPECT_EQ(After({{0, 100}, {200, 80}}, [](CDIB& d) { d.Sharpen(); }), (Grid{{0, 100}, {255, 60}}));
    EXPECT_EQ(After(Flat(5, 3, 123), [](CDIB& d) { d.Sharpen(); }), Flat(5, 3, 123));
    EXPECT_EQ(After({{9, 200, 4}}, [](CDIB& d) { d.Sharpen(); }), (Grid{{9, 200, 4}}));
}

TEST(AlphaBlend, VisibilityExcludedColourAndRejections) {
    EXPECT_EQ(After({{200, 10}}, [](CDIB& d) { d.AlphaBlend(GreyBitmap({{100}}), 0, 0, 50, -1); })[0][0], 150);
    EXPECT_EQ(After({{10}}, [](CDIB& d) { d.AlphaBlend(GreyBitmap({{15}}), 0, 0, 33, -1); })[0][0], 11);
    // Full visibility copies, except pixels of the excluded colour (R + G * 256 + B * 65536).
    EXPECT_EQ(After({{1, 2}}, [](CDIB& d) { d.AlphaBlend(GreyBitmap({{0x40, 0x50}}), 0, 0, 100, 0x404040); }),
              (Grid{{1, 0x50}}));
    EXPECT_EQ(After({{10, 20, 30}, {40, 50, 60}}, [](CDIB& d) { d.AlphaBlend(d, 1, 1, 100, -1); }),
              (Grid{{10, 20, 30}, {40, 10, 20}}));  // onto itself
    for (auto [x, y, vis] : {std::array{0, 0, 0}, {0, 0, 101}, {5, 0, 50}, {-1, 0, 50}})
        EXPECT_EQ(After(Flat(4, 2, 9), [&](CDIB& d) { d.AlphaBlend(GreyBitmap(Flat(3, 3, 0)), x, y, vis, -1); }),
                  Flat(4, 2, 9));
}

TEST(AlphaBlend, ClippedAtTheRightAndBottomEdges) {
    CDIB base = Noise(100, 100, 23);
    const CDIB ref = Copy(base), over = Noise(10, 10, 29);
    base.AlphaBlend(over, 95, 95, 100, -1);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(base.PixelAt(x, y), x >= 95 && y >= 95 ? over.PixelAt(x - 95, y - 95) : ref.PixelAt(x, y));
}

TEST(PrintTxt, RectangleAndRendererBox) {
    CDIB d = GreyBitmap(Flat(30, 25, 90));
    d.PrintTxt("水平镜像", 0, 0, nullptr);  // four characters in twelve bytes
    EXPECT_EQ(d.TextRect(), (CDIB::Rect{0, 0, 64, 50}));
    d.PrintTxt("a\xF0\x9F\x98\x80", 0, 0, nullptr);  // beyond the basic plane: two units
    EXPECT_EQ(d.TextRect().right, 48);

    int calls = 0, box[4] = {};
    const CDIB::TextRenderer fake = [&](Canvas& c, int ox, int oy, std::string_view text) {
        ++calls;
        box[0] = c.width(), box[1] = c.height(), box[2] = ox, box[3] = oy;
        EXPECT_EQ(text, "AB");
        if (ox >= 0 && oy >= 0) c.setPixel(ox, oy, {0, 0, 0});
    };
    d.PrintTxt("AB", 10, 20, fake);
    EXPECT_EQ(d.TextRect(), (CDIB::Rect{10, 20, 42, 70}));
    EXPECT_EQ((std::array{box[0], box[1], box[2], box[3]}), (std::array{20, 5, 0, 0}));  // clipped
    EXPECT_EQ(d.PixelAt(10, 20), (Rgb{0, 0, 0}));
    EXPECT_EQ(d.PixelAt(11, 20), (Rgb{90, 90, 90}));  // the box holds the bitmap's own pixels
    d.PrintTxt("AB", -5, -10, fake);
    EXPECT_EQ((std::array{box[0], box[1], box[2], box[3]}), (std::array{27, 25, -5, -10}));
    d.PrintTxt("AB", 40, 0, fake);  // wholly beyond the bitmap
    EXPECT_EQ(calls, 2);
}
