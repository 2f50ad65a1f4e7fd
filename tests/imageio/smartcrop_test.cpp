#include <gtest/gtest.h>

#include "imageio/render.h"
#include "imageio/smartcrop.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// Flat grey with a detailed, skin-coloured patch centred at (cx, cy).
void WriteOffCentrePortrait(const std::string& path, int w, int h, int cx, int cy) {
    WritePicture(path, w, h, [=](int x, int y) {
        const int dx = x - cx, dy = y - cy;
        if (dx * dx + dy * dy < 60 * 60) {
            const uint8_t v = uint8_t(((x / 3 + y / 3) % 2) * 50);
            return Rgb{uint8_t(205 + v / 2), uint8_t(150 + v / 3), uint8_t(120 + v / 4)};
        }
        return Rgb{128, 128, 128};
    });
}

double Redness(const Canvas& c) {
    const Mean m = MeanColour(c, 0, 0, c.width(), c.height());
    return m.r - m.b;
}

}  // namespace

TEST(SmartCrop, KeepsTheOffCentreSubjectWhereTheAnchorsWouldNot) {
    TempDir t;
    const std::string wide = t.file("wide.png"), tall = t.file("tall.jpg");
    WriteOffCentrePortrait(wide, 600, 300, 500, 150);
    WriteOffCentrePortrait(tall, 300, 900, 150, 760);

    DrawParams p;
    p.sizeMode = 3;  // a fixed size
    p.width = 150;
    p.height = 200;
    p.cropToFill = 1;
    p.xCutMode = kAnchorCentre;
    p.yCutMode = kAnchorStart;
    Canvas plain, smart;
    ASSERT_TRUE(DrawPicFile(plain, wide, p).ok());
    p.smartCrop = true;
    ASSERT_TRUE(DrawPicFile(smart, wide, p).ok());
    EXPECT_EQ(smart.width(), 150);
    EXPECT_EQ(smart.height(), 200);
    // The patch is about a sixth of the window: all of it is in view.
    EXPECT_LT(Redness(plain), 1);
    EXPECT_GT(Redness(smart), 12);

    // Vertically as well, and the window stays inside the picture.
    ASSERT_TRUE(DrawPicFile(smart, tall, p).ok());
    EXPECT_GT(Redness(smart), 7);
    p.smartCrop = false;
    ASSERT_TRUE(DrawPicFile(plain, tall, p).ok());
    EXPECT_LT(Redness(plain), 1);
    IntRect window{0, 0, 300, 400};
    ASSERT_TRUE(PlaceSmartCrop(tall, 300, {0, 0, 300, 900}, window));
    EXPECT_EQ(window.x, 0);
    EXPECT_GE(window.y, 400);
    EXPECT_LE(window.y + window.h, 900);

    // A picture that cannot be read leaves the window as it was.
    IntRect untouched{5, 6, 7, 8};
    EXPECT_FALSE(PlaceSmartCrop(t.file("missing.jpg"), 100, {0, 0, 100, 100}, untouched));
    EXPECT_EQ(untouched, (IntRect{5, 6, 7, 8}));
}
