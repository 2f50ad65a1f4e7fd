#include <gtest/gtest.h>

#include "raster/bmpwriter.h"
#include "raster/canvas.h"

using namespace tavu;

TEST(ColorMatrix, GainsScaleThenRoundHalfEvenThenClamp) {
    Canvas c(3, 1);
    c.setPixel(0, 0, {200, 100, 50});
    c.setPixel(1, 0, {1, 3, 5});
    c.setPixel(2, 0, {255, 255, 255});
    ApplyColorMatrix(c, ColorMatrix::Gains(0.0f, 2.0f, 0.5f), 0, 0, 3, 1);
    EXPECT_EQ(c.pixel(0, 0), (Rgb{0, 200, 25}));
    EXPECT_EQ(c.pixel(1, 0), (Rgb{0, 6, 2}));  // 2.5 -> 2: halves go to the even neighbour
    EXPECT_EQ(c.pixel(2, 0), (Rgb{0, 255, 128}));  // 510 clamps; 127.5 -> 128
}

TEST(ColorMatrix, OnlyTheRectangleChangesAndItIsClipped) {
    Canvas c(4, 2, {100, 100, 100});
    ApplyColorMatrix(c, ColorMatrix::Gains(0, 0, 0), -1, 1, 3, 5);
    EXPECT_EQ(c.pixel(0, 0), (Rgb{100, 100, 100}));
    EXPECT_EQ(c.pixel(1, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(c.pixel(2, 1), (Rgb{100, 100, 100}));
}

TEST(ColorMatrix, FullMatrixMixesChannelsAndTranslates) {
    Canvas c(1, 1);
    c.setPixel(0, 0, {10, 20, 30});
    ColorMatrix m = ColorMatrix::Identity();
    m.m[0][0] = 0;
    m.m[2][0] = 1;      // red := blue
    m.m[4][1] = 0.1f;   // green += 25.5
    ApplyColorMatrix(c, m, 0, 0, 1, 1);
    EXPECT_EQ(c.pixel(0, 0), (Rgb{30, 46, 30}));
    EXPECT_TRUE(ColorMatrix::Identity().isIdentity());
    EXPECT_FALSE(m.isIdentity());
}

TEST(Bmp, Layout24BitBottomUpPaddedRows) {
    Canvas c(5, 2);
    c.setPixel(0, 0, {1, 2, 3});     // top-left
    c.setPixel(0, 1, {10, 20, 30});  // bottom-left
    c.setPixel(4, 1, {40, 50, 60});  // bottom-right
    const std::vector<uint8_t> f = EncodeBmp24(c);
    auto u32 = [&](size_t at) { return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24; };
    ASSERT_EQ(f.size(), 54u + 2 * 16);  // 5 pixels = 15 bytes, padded to 16
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(u32(2), f.size());
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 5u);
    EXPECT_EQ(u32(22), 2u);
    EXPECT_EQ(f[28], 24);
    EXPECT_EQ(u32(34), 32u);
    // First stored row is the bottom row, blue first.
    EXPECT_EQ(f[54], 30);
    EXPECT_EQ(f[55], 20);
    EXPECT_EQ(f[56], 10);
    EXPECT_EQ(f[54 + 12], 60);
    EXPECT_EQ(f[54 + 15], 0);  // padding
    EXPECT_EQ(f[54 + 16], 3);
    EXPECT_EQ(f[54 + 18], 1);
    EXPECT_TRUE(EncodeBmp24(Canvas()).empty());
}

TEST(Canvas, FillCloneAndClear) {
    Canvas c(2, 2);
    EXPECT_EQ(c.pixel(1, 1), kCanvasBackground);
    Canvas d = c.clone();
    c.setPixel(1, 1, {0, 0, 0});
    EXPECT_EQ(d.pixel(1, 1), kCanvasBackground);
    c.clear();
    EXPECT_TRUE(c.empty());
    EXPECT_TRUE(Canvas(0, 5).empty());
    // Coloured and grey fills reach every pixel of every row.
    for (Rgb fill : {Rgb{1, 2, 3}, Rgb{7, 7, 7}}) {
        const Canvas f(5, 4, fill);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(f.pixel(x, y), fill) << x << "," << y;
    }
}
