// Effects and turns applied to bitmaps and canvases.
#include <gtest/gtest.h>

#include "raster/cdib.h"
#include "raster/dib_test_util.h"
#include "raster/effects.h"

using namespace tavu;
using namespace tavu::testing;

TEST(Effects, TableEntries) {
    CDIB d = GreyBitmap(Grid(5, std::vector<int>(5, 100)));
    ApplyEffect(d, 7);  // scan lines: every second stored row from the bottom
    for (int y = 0; y < 5; ++y) EXPECT_EQ(d.PixelAt(2, y).g, y % 2 == 0 ? 0 : 100) << y;
    const std::vector<uint8_t> before = Bytes(d);
    ApplyEffect(d, 13);
    ApplyEffect(d, kEffectNone);
    EXPECT_EQ(Bytes(d), before);
    EXPECT_EQ(EffectFromCaption("灰度"), 9);
    EXPECT_EQ(EffectCaption(12), "BR_NotShow");

    // Brightness: entry 12 with the slider value, held to -75..75.
    EXPECT_EQ(OnePixel({10, 100, 250}, [](CDIB& b) { ApplyEffect(b, 12, 30); }), (Bgr{40, 130, 255}));
    EXPECT_EQ(OnePixel({100, 100, 100}, [](CDIB& b) { ApplyBrightness(b, 200); }), (Bgr{175, 175, 175}));
    EXPECT_EQ(OnePixel({100, 100, 100}, [](CDIB& b) { ApplyBrightness(b, -200); }), (Bgr{25, 25, 25}));
}

TEST(Turns, EachIndexOnACanvas) {
    const Canvas src = Noise(3, 2, 5).ToCanvas();
    auto turned = [&](int turn) {
        Canvas c = src.clone();
        EXPECT_TRUE(ApplyTurnAndEffect(c, turn, kEffectNone, 0));
        return c;
    };
    const Canvas cw = turned(kTurnClockwise), ccw = turned(kTurnCounterClockwise);
    ASSERT_EQ(cw.width(), 2);
    ASSERT_EQ(ccw.height(), 3);
    EXPECT_EQ(cw.pixel(1, 0), src.pixel(0, 0));   // top-left to top-right
    EXPECT_EQ(ccw.pixel(0, 2), src.pixel(0, 0));  // top-left to bottom-left
    EXPECT_EQ(turned(kTurnHalf).pixel(2, 1), src.pixel(0, 0));
    EXPECT_EQ(turned(kTurnMirrorHorizontalAxis).pixel(0, 0), src.pixel(0, 1));  // 水平镜像
    EXPECT_EQ(turned(kTurnMirrorVerticalAxis).pixel(0, 0), src.pixel(2, 0));    // 垂直镜像
}

TEST(Turns, NothingToDoLeavesTheCanvasUntouched) {
    for (int turn : {0, 1, 2, 8}) {
        Canvas c = Noise(5, 3, 6).ToCanvas();
        const uint8_t* store = c.data();
        EXPECT_TRUE(ApplyTurnAndEffect(c, turn, kEffectNone, 0));
        EXPECT_TRUE(ApplyTurnAndEffect(c, turn, kEffectBrightness, 0));
        EXPECT_EQ(c.data(), store) << turn;  // not even copied
    }
}

TEST(Turns, TurnFirstThenEffect) {
    const CDIB src = Noise(5, 4, 8);
    Canvas c = src.ToCanvas();
    ASSERT_TRUE(ApplyTurnAndEffect(c, kTurnClockwise, 1, 0));  // then Sharpen
    CDIB d = Copy(src);
    d.RotatePicClockwise();
    d.Sharpen();
    const Canvas want = d.ToCanvas();
    ASSERT_EQ(c.width(), want.width());
    EXPECT_TRUE(std::equal(c.data(), c.data() + c.byteSize(), want.data()));
}
