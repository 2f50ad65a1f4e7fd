#include <gtest/gtest.h>

#include "app/textrender.h"
#include "raster/canvas.h"

using namespace tavu;

TEST(TextRender, ChineseTextIsDrawnBlackOnWhiteInsideItsBox) {
    Canvas grey(200, 80, {128, 128, 128});
    CDIB dib;
    ASSERT_TRUE(dib.Clone(grey));
    dib.PrintTxt("照片压缩", 10, 5, QtTextRenderer());
    EXPECT_EQ(dib.TextRect().left, 10);
    EXPECT_EQ(dib.TextRect().right, 10 + 16 * 4);
    const Canvas out = dib.ToCanvas();
    int black = 0, white = 0;
    for (int y = 5; y < 55; ++y)
        for (int x = 10; x < 74; ++x) {
            const Rgb p = out.pixel(x, y);
            black += p.r < 60;
            white += p.r > 240;
        }
    EXPECT_GT(black, 60);   // glyphs were drawn (not empty boxes or nothing)
    EXPECT_GT(white, 200);  // on an opaque white background
    // Outside the text box nothing changed.
    for (auto [x, y] : {std::pair{5, 30}, {80, 30}, {40, 70}}) EXPECT_EQ(out.pixel(x, y), (Rgb{128, 128, 128}));
}
