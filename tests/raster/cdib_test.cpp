// CDIB surface (layout, states, canvas copies) and the geometric transforms.
#include <gtest/gtest.h>

#include "raster/cdib.h"
#include "raster/dib_test_util.h"

using namespace tavu;
using namespace tavu::testing;

TEST(CdibLayout, StrideSizeBlackStoreAndByteOrder) {
    for (auto [w, h, stride, size] : {std::array{5, 2, 16, 32}, {4, 3, 12, 36}, {1, 1, 4, 4}}) {
        CDIB d;
        d.Create(w, h);
        EXPECT_EQ(d.MapArray().stride, stride);
        EXPECT_EQ(d.RGBSize(), size);
        EXPECT_EQ(Bytes(d), std::vector<uint8_t>(size_t(size), 0));
    }
    CDIB d;
    d.Create(5, 2);
    d.SetPixelAt(0, 1, {3, 2, 1});     // bottom-left (r, g, b)
    d.SetPixelAt(4, 0, {30, 20, 10});  // top-right
    const CDIB::PixelView v = d.MapArray();
    EXPECT_EQ((std::vector<uint8_t>{v.bytes[0], v.bytes[1], v.bytes[2]}), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(v.bytes[16 + 12], 10);  // the top row starts one stride in
    v.bytes[2] = 99;                  // the view aliases the store
    EXPECT_EQ(d.PixelAt(0, 1).r, 99);
}

TEST(CdibState, FailuresAreRecordedNotThrown) {
    CDIB d;
    EXPECT_FALSE(d.Clone(Canvas(2, 2), false));
    EXPECT_EQ(d.LastError(), -1);
    EXPECT_EQ(d.LastErrorText(), "DIB has to be created first");
    for (auto [w, h] : {std::pair{0, 5}, {800'000'000, 1}, {40'000, 40'000}}) {  // 32-bit overflow
        d.Create(w, h);
        EXPECT_EQ(d.state(), CDIB::State::Failed);
        EXPECT_EQ(d.LastError(), 825);
        EXPECT_TRUE(d.MapArray().bytes.empty());
    }
    EXPECT_EQ(d.LastErrorText(), "DIB failed to create\r\nPlease restart your system and try again");
    d.Create(3, 3);
    EXPECT_EQ(d.state(), CDIB::State::Created);
}

TEST(CdibCanvas, CloneRoundTripAndStretch) {
    const CDIB src = Noise(5, 3, 1, 0);
    EXPECT_EQ(src.ToCanvas().pixel(4, 0), src.PixelAt(4, 0));
    EXPECT_EQ(Bytes(Copy(src)), Bytes(src));
    Canvas pic(4, 2, {255, 0, 0});
    pic.setPixel(3, 1, {0, 0, 255});
    CDIB d;
    d.Create(2, 1);
    ASSERT_TRUE(d.Clone(pic, false));  // the whole picture stretched into 2 x 1
    EXPECT_EQ(d.PixelAt(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(d.PixelAt(1, 0), (Rgb{0, 0, 255}));
}

TEST(CdibCanvas, PaintToClipsAndPaintZoomRoundsHalfToEven) {
    const CDIB d = Noise(3, 2, 2);
    Canvas dst(4, 4, {1, 2, 3});
    d.PaintTo(dst, -1, 3);
    EXPECT_EQ(dst.pixel(0, 3), d.PixelAt(1, 0));
    EXPECT_EQ(dst.pixel(2, 3), (Rgb{1, 2, 3}));

    CDIB z;
    z.Create(101, 11);
    z.Brightness(200);
    EXPECT_EQ(z.ZoomWidth(150), 152);  // 151.5
    EXPECT_EQ(z.ZoomHeight(150), 16);  // 16.5
    Canvas big(160, 20, {0, 0, 0});
    z.PaintZoom(big, 0, 0, 150);
    EXPECT_EQ(big.pixel(151, 15), (Rgb{200, 200, 200}));
    EXPECT_EQ(big.pixel(152, 15), (Rgb{0, 0, 0}));
    EXPECT_EQ(big.pixel(151, 16), (Rgb{0, 0, 0}));
}

TEST(CdibGeometry, FlipsAndHalfTurnMovePixelsKeepPaddingAndUndoThemselves) {
    for (int w : {1, 3, 4, 5}) {
        CDIB d = Noise(w, 3, unsigned(w), 0x77);
        const CDIB ref = Copy(d);
        const std::vector<uint8_t> before = Bytes(d);
        d.FlipHorZ();
        for (int x = 0; x < w; ++x) EXPECT_EQ(d.PixelAt(x, 1), ref.PixelAt(w - 1 - x, 1));
        d.FlipHorZ();
        d.FlipVert();
        EXPECT_EQ(d.PixelAt(0, 0), ref.PixelAt(0, 2));
        EXPECT_EQ(d.PixelAt(0, 1), ref.PixelAt(0, 1));
        d.FlipVert();
        d.FastRot();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(d.PixelAt(x, y), ref.PixelAt(w - 1 - x, 2 - y)) << w;
        EXPECT_EQ(Padding(d), std::vector<uint8_t>(Padding(d).size(), 0x77));
        d.FastRot();
        EXPECT_EQ(Bytes(d), before);
    }
}

TEST(CdibGeometry, QuarterTurnOfThreeByTwo) {
    // A B C   counter-clockwise   C F     clockwise   D A
    // D E F                       B E                 E B
    //                             A D                 F C
    const CDIB src = Noise(3, 2, 4, 0);
    auto at = [&](int x, int y) { return src.PixelAt(x, y); };
    CDIB d = Copy(src);
    d.RotatePic();
    ASSERT_EQ(d.Width(), 2);
    ASSERT_EQ(d.Height(), 3);
    EXPECT_EQ(d.RGBSize(), 24);  // stride 8
    const Rgb ccw[3][2] = {{at(2, 0), at(2, 1)}, {at(1, 0), at(1, 1)}, {at(0, 0), at(0, 1)}};
    CDIB c = Copy(src);
    c.RotatePicClockwise();
    const Rgb cw[3][2] = {{at(0, 1), at(0, 0)}, {at(1, 1), at(1, 0)}, {at(2, 1), at(2, 0)}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(d.PixelAt(x, y), ccw[y][x]) << x << "," << y;
            EXPECT_EQ(c.PixelAt(x, y), cw[y][x]) << x << "," << y;
        }
    EXPECT_EQ(Padding(d), std::vector<uint8_t>(3 * 2, 0));
}

TEST(CdibGeometry, FourQuarterTurnsRestore) {
    for (auto [w, h] : {std::pair{4, 4}, {5, 3}, {1, 7}}) {
        CDIB d = Noise(w, h, unsigned(w + h), 0);
        const std::vector<uint8_t> before = Bytes(d);
        for (int i = 0; i < 4; ++i) d.RotatePic();
        EXPECT_EQ(Bytes(d), before) << w << "x" << h;
        d.RotatePicClockwise();
        d.RotatePic();
        EXPECT_EQ(Bytes(d), before) << w << "x" << h;
    }
}
