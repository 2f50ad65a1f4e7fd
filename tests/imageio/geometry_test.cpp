#include <gtest/gtest.h>

#include "imageio/geometry.h"

using namespace tavu;

namespace {
constexpr int kCustom = 9;  // any mode past the first preset sizes like the custom entry

DrawParams Custom(float w, float h, int16_t crop = 1) {
    DrawParams p;
    p.sizeMode = kCustom;
    p.width = w;
    p.height = h;
    p.cropToFill = crop;
    return p;
}
}  // namespace

TEST(Geometry, WidthLimitFollowsProportionsAndIgnoresHeight) {
    DrawParams p;
    p.width = 400;
    p.height = 0;
    DrawGeometry g = ComputeGeometry(3000, 2000, p);
    EXPECT_EQ(g.canvasWidth, 400);
    EXPECT_EQ(g.canvasHeight, 267);  // 266.67
    EXPECT_EQ(g.source, (IntRect{0, 0, 3000, 2000}));
    EXPECT_EQ(g.destination, (IntRect{0, 0, 400, 267}));
    // Halves round to even: 10 x 0.25 -> 2.5 -> 2; 6 x 0.25 -> 1.5 -> 2; but a positive size
    // never rounds to nothing: 2 x 0.25 -> 0.5 -> 1.
    p.width = 10;
    EXPECT_EQ(ComputeGeometry(4, 1, p).canvasHeight, 2);
    p.width = 2;
    EXPECT_EQ(ComputeGeometry(4, 1, p).canvasHeight, 1);
    p.width = 500;
    const DrawGeometry strip = ComputeGeometry(20000, 1, p);
    EXPECT_EQ(strip.canvasHeight, 1);
    EXPECT_EQ(strip.destination, (IntRect{0, 0, 500, 1}));
    p.width = 6;
    EXPECT_EQ(ComputeGeometry(4, 1, p).canvasHeight, 2);
}

TEST(Geometry, OriginalSizeWhateverTheBoxesSay) {
    DrawParams p;
    p.sizeMode = kSizeOriginal;
    p.width = 400;
    p.height = 300;
    DrawGeometry g = ComputeGeometry(1024, 768, p);
    EXPECT_EQ(g.canvasWidth, 1024);
    EXPECT_EQ(g.canvasHeight, 768);
    EXPECT_EQ(g.destination, (IntRect{0, 0, 1024, 768}));
    EXPECT_EQ(g.source, (IntRect{0, 0, 1024, 768}));
}

TEST(Geometry, CropToFillAnchors) {
    DrawParams p = Custom(400, 400);
    DrawGeometry g = ComputeGeometry(4000, 3000, p);  // the worked example: centre
    EXPECT_EQ(g.source, (IntRect{500, 0, 3000, 3000}));
    EXPECT_EQ(g.destination, (IntRect{0, 0, 400, 400}));
    p.xCutMode = kAnchorStart;
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).source, (IntRect{0, 0, 3000, 3000}));
    p.xCutMode = kAnchorEnd;
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).source, (IntRect{1000, 0, 3000, 3000}));
    p.xCutMode = 7;  // unknown anchors keep the start
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).source.x, 0);

    // Over-tall sources use the vertical anchor.
    p = Custom(400, 400);
    for (auto [mode, y] : {std::pair{0, 0}, {1, 500}, {2, 1000}}) {
        p.yCutMode = int16_t(mode);
        EXPECT_EQ(ComputeGeometry(3000, 4000, p).source, (IntRect{0, y, 3000, 3000})) << mode;
    }
    // The offset moves the whole picture and keeps its size.
    p.offsetX = 10;
    p.offsetY = -5;
    EXPECT_EQ(ComputeGeometry(3000, 4000, p).destination, (IntRect{10, -5, 400, 400}));
}

TEST(Geometry, FitInsideAndItsOffsets) {
    DrawParams p = Custom(400, 400, 0);
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).destination, (IntRect{0, 50, 400, 300}));
    // A vertical offset lowers the picture and shortens it by twice the offset; the horizontal
    // offset is dropped.
    p.offsetX = 33;
    p.offsetY = 10;
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).destination, (IntRect{0, 60, 400, 280}));
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).source, (IntRect{0, 0, 4000, 3000}));
    // Portrait: the mirror image of the rule.
    EXPECT_EQ(ComputeGeometry(3000, 4000, p).destination, (IntRect{83, 0, 234, 400}));
    // Any value but 1 fits.
    p = Custom(400, 400, 2);
    EXPECT_EQ(ComputeGeometry(4000, 3000, p).destination, (IntRect{0, 50, 400, 300}));
}

TEST(Geometry, PresetsCropOrFitLikeCustomSizes) {
    // The first preset too: no preset ever stretches a picture out of its proportions.
    for (int mode : {int(kSizeFirstPreset), kSizeFirstPreset + 1}) {
        DrawParams p = Custom(300, 300);
        p.sizeMode = mode;
        EXPECT_EQ(ComputeGeometry(4000, 3000, p).source, (IntRect{500, 0, 3000, 3000})) << mode;
        p.cropToFill = 0;
        EXPECT_EQ(ComputeGeometry(4000, 3000, p).destination, (IntRect{0, 38, 300, 225})) << mode;
    }
}

TEST(Geometry, DegenerateSizesGiveNoCanvas) {
    EXPECT_EQ(ComputeGeometry(0, 100, Custom(10, 10)).canvasWidth, 0);
    EXPECT_EQ(ComputeGeometry(100, 100, Custom(0, 300)).canvasWidth, 0);
    EXPECT_EQ(ComputeGeometry(100, 100, Custom(300, 0)).canvasHeight, 0);
    EXPECT_LT(ComputeGeometry(100, 100, Custom(-5, 10)).canvasWidth, 1);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

TEST(Geometry, AQuarterTurnIsLaidOutForTheTurnedPicture) {
    // Width limit 800 on a landscape photo turned upright: the saved picture is 800 wide, so the
    // canvas before the turn is 800 tall.
    DrawParams p;
    p.width = 800;
    for (int turn : {1, -1}) {
        p.quarterTurn = turn;
        const DrawGeometry g = ComputeGeometry(4000, 3000, p);
        EXPECT_EQ(g.canvasWidth, 1067) << turn;
        EXPECT_EQ(g.canvasHeight, 800) << turn;
        EXPECT_EQ(g.source, (IntRect{0, 0, 4000, 3000})) << turn;
    }
    // Crop to fill: the anchors name parts of the turned picture. Clockwise, its top is the
    // source's left and its bottom the source's right; counter-clockwise the other way round.
    DrawParams c = Custom(100, 100);
    c.yCutMode = kAnchorStart;
    c.quarterTurn = 1;
    EXPECT_EQ(ComputeGeometry(400, 300, c).source, (IntRect{0, 0, 300, 300}));
    c.yCutMode = kAnchorEnd;
    EXPECT_EQ(ComputeGeometry(400, 300, c).source, (IntRect{100, 0, 300, 300}));
    c.quarterTurn = -1;
    EXPECT_EQ(ComputeGeometry(400, 300, c).source, (IntRect{0, 0, 300, 300}));
    // Fit: the bands that lie at the turned picture's sides run across the canvas before the turn.
    DrawParams f = Custom(300, 400, 0);
    f.quarterTurn = 1;
    const DrawGeometry g = ComputeGeometry(400, 300, f);
    EXPECT_EQ(g.canvasWidth, 400);
    EXPECT_EQ(g.canvasHeight, 300);
    EXPECT_EQ(g.destination, (IntRect{0, 0, 400, 300}));
    f = Custom(300, 300, 0);
    f.quarterTurn = 1;
    EXPECT_EQ(ComputeGeometry(400, 300, f).destination, (IntRect{0, 37, 300, 225}));
}

TEST(Geometry, ACropRectangleIsTheWholePictureForTheSizing) {
    DrawParams p;
    p.width = 100;
    p.cropX = 100, p.cropY = 50, p.cropW = 200, p.cropH = 100;
    DrawGeometry g = ComputeGeometry(400, 300, p);
    EXPECT_EQ(g.canvasWidth, 100);
    EXPECT_EQ(g.canvasHeight, 50);
    EXPECT_EQ(g.source, (IntRect{100, 50, 200, 100}));
    // Crop to fill inside the crop rectangle, with a quarter turn on top.
    DrawParams c = Custom(50, 50);
    c.cropX = 100, c.cropY = 50, c.cropW = 200, c.cropH = 100;
    EXPECT_EQ(ComputeGeometry(400, 300, c).source, (IntRect{150, 50, 100, 100}));
    c.quarterTurn = 1;
    c.yCutMode = kAnchorStart;
    EXPECT_EQ(ComputeGeometry(400, 300, c).source, (IntRect{100, 50, 100, 100}));
    // Clipped to the picture; empty or outside: the whole picture.
    p.cropX = 300, p.cropY = 200, p.cropW = 500, p.cropH = 500;
    EXPECT_EQ(CropArea(400, 300, p), (IntRect{300, 200, 100, 100}));
    p.cropX = 500;
    EXPECT_EQ(CropArea(400, 300, p), (IntRect{0, 0, 400, 300}));
    p.cropX = 0, p.cropW = 0;
    EXPECT_EQ(CropArea(400, 300, p), (IntRect{0, 0, 400, 300}));
}

TEST(Geometry, EnormousOffsetsAndTargetsStayOffTheCanvasWithoutOverflow) {
    // "--offset 3e9,0 --rotate cw": the picture lies far beyond the turned canvas, and stays there
    // when the layout is carried back to the unturned picture.
    auto offCanvas = [](const DrawGeometry& g) {
        const IntRect& d = g.destination;
        return int64_t(d.x) + d.w <= 0 || d.x >= g.canvasWidth || int64_t(d.y) + d.h <= 0 || d.y >= g.canvasHeight;
    };
    DrawParams widthLimit;
    widthLimit.width = 800;
    for (float offset : {3e9f, -3e9f, 1e30f})
        for (int turn : {1, -1})
            for (DrawParams p : {widthLimit, Custom(300, 200)}) {
                p.quarterTurn = turn;
                p.offsetX = offset;
                const DrawGeometry g = ComputeGeometry(4000, 3000, p);
                EXPECT_GE(g.canvasWidth, 1);
                EXPECT_TRUE(offCanvas(g)) << offset << " " << turn << " " << p.sizeMode;
                p.offsetX = 0;
                p.offsetY = offset;
                EXPECT_TRUE(offCanvas(ComputeGeometry(4000, 3000, p))) << offset << " " << turn << " " << p.sizeMode;
            }
    // Fit inside keeps the offset across the bands only; turned, the canvas is still the target's.
    DrawParams fit = Custom(300, 200, 0);
    fit.quarterTurn = 1;
    fit.offsetX = fit.offsetY = 3e9f;
    EXPECT_EQ(ComputeGeometry(4000, 3000, fit).canvasWidth, 200);
    // A negative width with crop to fill gives no canvas, inside a crop rectangle too.
    DrawParams c = Custom(-100, 0.001f);
    c.cropX = 100, c.cropY = 50, c.cropW = 200, c.cropH = 100;
    EXPECT_LT(ComputeGeometry(400, 300, c).canvasWidth, 1);
}
