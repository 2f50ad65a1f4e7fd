// CDIB colour operations and tone presets. Pixel values are (B, G, R), as stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "raster/cdib.h"
#include "raster/dib_test_util.h"

using namespace tavu;
using namespace tavu::testing;

namespace {

struct PixelCase {
    const char* name;
    std::function<void(CDIB&)> op;
    Bgr in, out;
};

}  // namespace

TEST(PointOps, EdgeValues) {
    EXPECT_EQ(CDIB::ClampByte(300), 255);
    EXPECT_EQ(CDIB::ClampByte(255), 255);
    EXPECT_EQ(CDIB::ClampByte(-1), 0);
    const PixelCase cases[] = {
        {"ShiftColors", [](CDIB& d) { d.ShiftColors(10, 0, -20); }, {5, 100, 250}, {0, 100, 255}},
        {"ShiftColors extremes", [](CDIB& d) { d.ShiftColors(INT32_MAX, INT32_MIN, 0); }, {1, 2, 3}, {1, 0, 255}},
        {"Brightness+", [](CDIB& d) { d.Brightness(30); }, {0, 128, 240}, {30, 158, 255}},
        {"Brightness-", [](CDIB& d) { d.Brightness(-30); }, {20, 128, 240}, {0, 98, 210}},
        {"ShiftColorsEx red", [](CDIB& d) { d.ShiftColorsEx(50, 50, 50, 255); }, {0, 0, 255}, {0, 0, 255}},
        {"ShiftColorsEx other", [](CDIB& d) { d.ShiftColorsEx(50, 50, 50, 255); }, {255, 0, 0}, {255, 50, 50}},
        {"ExchangeRGB 1", [](CDIB& d) { d.ExchangeRGB(1); }, {1, 2, 3}, {2, 3, 1}},
        {"ExchangeRGB 2", [](CDIB& d) { d.ExchangeRGB(2); }, {1, 2, 3}, {3, 1, 2}},
        {"ExchangeRGB 3", [](CDIB& d) { d.ExchangeRGB(3); }, {1, 2, 3}, {3, 2, 1}},
        {"ExchangeRGB 4", [](CDIB& d) { d.ExchangeRGB(4); }, {1, 2, 3}, {1, 2, 3}},
        {"Greyscale", [](CDIB& d) { d.Greyscale(); }, {10, 20, 32}, {20, 20, 20}},
        {"Monochrome 127", [](CDIB& d) { d.Monochrome(128); }, {127, 127, 129}, {0, 0, 0}},
        {"Monochrome 128", [](CDIB& d) { d.Monochrome(128); }, {128, 128, 128}, {255, 255, 255}},
        {"FilterOutColors", [](CDIB& d) { d.FilterOutColors(true, false, true); }, {10, 20, 30}, {10, 0, 30}},
        {"FilterOutColors all", [](CDIB& d) { d.FilterOutColors(true, true, true); }, {10, 20, 30}, {10, 20, 30}},
        {"InvertColors", [](CDIB& d) { d.InvertColors(); }, {0, 100, 255}, {255, 155, 0}},
        {"Flame", [](CDIB& d) { d.Flame(); }, {30, 60, 90}, {0, 60, 150}},
        {"Freeze", [](CDIB& d) { d.Freeze(false); }, {0, 0, 100}, {255, 225, 150}},
        {"Freeze strong", [](CDIB& d) { d.Freeze(true); }, {0, 0, 100}, {255, 255, 180}},
        {"Brown", [](CDIB& d) { d.Brown(); }, {128, 128, 0}, {8, 32, 64}},
        {"Aqua", [](CDIB& d) { d.Aqua(); }, {100, 0, 0}, {45, 77, 2}},
        {"NightShade", [](CDIB& d) { d.NightShade(); }, {0, 0, 200}, {72, 72, 136}},
        {"PurpleStain", [](CDIB& d) { d.PurpleStain(); }, {10, 20, 40}, {45, 20, 40}},
        {"Spooky", [](CDIB& d) { d.Spooky(); }, {10, 20, 100}, {105, 110, 100}},
        {"Psycho", [](CDIB& d) { d.Psycho(); }, {0, 0, 0}, {221, 71, 115}},
    };
    for (const PixelCase& c : cases) EXPECT_EQ(OnePixel(c.in, c.op), c.out) << c.name;
}

// The presets with fractional factors (computed from tables) agree with their formulas worked
// step by step in floating point, halves rounded to the even neighbour.
TEST(PointOps, FractionalPresetsMatchTheirFormulas) {
    auto cl = [](double v) { return int(std::clamp(std::nearbyint(v), 0.0, 255.0)); };
    auto freeze = [&](double k) {
        return [=](int b, int g, int r) {
            const int r1 = cl(std::fabs(k * (r - g - b))), g1 = cl(std::fabs(k * (g - b - r1)));
            return Bgr{uint8_t(cl(std::fabs(k * (b - g1 - r1)))), uint8_t(g1), uint8_t(r1)};
        };
    };
    struct Case {
        std::function<void(CDIB&)> op;
        std::function<Bgr(int, int, int)> formula;
    } cases[] = {
        {[](CDIB& d) { d.Freeze(false); }, freeze(1.5f)},
        {[](CDIB& d) { d.Freeze(true); }, freeze(1.8f)},
        {[](CDIB& d) { d.Aqua(); },
         [&](int b, int g, int) {
             const int r1 = cl(std::min((g - b) * (g - b), 255) * 0.008), g1 = cl((r1 - b) * (r1 - b) * 0.008);
             return Bgr{uint8_t(cl((r1 - g1) * (r1 - g1) * 0.008)), uint8_t(g1), uint8_t(r1)};
         }},
        {[](CDIB& d) { d.Psycho(); },
         [&](int b, int g, int r) {
             const int r1 = cl(std::fabs((r + 96 - g - b) * 1.2)), g1 = cl(std::fabs((g + 64 - b - r1) * 1.4));
             return Bgr{uint8_t(cl(std::fabs((b - g1 - r1 + 48) * 1.6))), uint8_t(g1), uint8_t(r1)};
         }},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        CDIB d = Noise(256, 128, 42);
        const CDIB orig = Copy(d);
        cases[n].op(d);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 256; ++x) {
                const Bgr in = GetBgr(orig, x, y);
                ASSERT_EQ(GetBgr(d, x, y), cases[n].formula(in[0], in[1], in[2])) << "case " << n;
            }
    }
}

// On a 5-pixel-wide bitmap (one padding byte per row) every per-pixel operation treats the
// second row exactly like the first and leaves the padding alone.
TEST(PointOps, FiveWideSecondRowProcessedLikeTheFirst) {
    const std::function<void(CDIB&)> ops[] = {
        [](CDIB& d) { d.ShiftColors(40, -30, 20); }, [](CDIB& d) { d.ShiftColorsEx(40, -30, 20, 0x102030); },
        [](CDIB& d) { d.ExchangeRGB(1); },           [](CDIB& d) { d.ExchangeRGB(2); },
        [](CDIB& d) { d.ExchangeRGB(3); },           [](CDIB& d) { d.Greyscale(); },
        [](CDIB& d) { d.InvertColors(); },           [](CDIB& d) { d.FilterOutColors(true, false, true); },
        [](CDIB& d) { d.Monochrome(100); },          [](CDIB& d) { d.Flame(); },
        [](CDIB& d) { d.Freeze(false); },            [](CDIB& d) { d.Brown(); },
        [](CDIB& d) { d.Aqua(); },                   [](CDIB& d) { d.NightShade(); },
        [](CDIB& d) { d.PurpleStain(); },            [](CDIB& d) { d.Spooky(); },
        [](CDIB& d) { d.Psycho(); },
    };
    for (size_t n = 0; n < std::size(ops); ++n) {
        CDIB d = Noise(5, 2, 7, 0xC3);
        SetBgr(d, 2, 1, {0x10, 0x20, 0x30});  // the colour ShiftColorsEx spares
        const CDIB::PixelView v = d.MapArray();
        std::copy(v.row(0), v.row(0) + 15, v.row(1));
        ops[n](d);
        EXPECT_TRUE(std::equal(v.row(0), v.row(0) + 15, v.row(1))) << "op " << n;
        EXPECT_EQ(Padding(d), std::vector<uint8_t>(2, 0xC3)) << "op " << n;
    }
}
