// Where a picture lands on the canvas: size mode, crop or fit with anchors, offsets, a crop
// rectangle and a quarter turn, for any picture size. Only finite numbers, as the size boxes,
// the settings and the command line give them.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>

#include "fuzzcheck.h"
#include "imageio/geometry.h"

using namespace tavu;

namespace {

float Number(FuzzedDataProvider& in) {
    // Mostly sizes a user types; sometimes anything a float holds.
    return in.ConsumeBool() ? in.ConsumeFloatingPointInRange<float>(-20000, 20000) : in.ConsumeFloatingPoint<float>();
}

int Size(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(1, 20000) : in.ConsumeIntegralInRange<int>(1, INT_MAX);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int w0 = Size(in), h0 = Size(in);
    DrawParams p;
    p.sizeMode = in.ConsumeIntegralInRange<int>(0, 5);
    p.width = Number(in);
    p.height = Number(in);
    p.cropToFill = in.ConsumeIntegral<int16_t>();
    p.xCutMode = in.ConsumeIntegral<int16_t>();
    p.yCutMode = in.ConsumeIntegral<int16_t>();
    p.offsetX = Number(in);
    p.offsetY = Number(in);
    p.quarterTurn = in.ConsumeIntegralInRange<int>(-1, 1);
    if (in.ConsumeBool()) {
        p.cropX = in.ConsumeIntegral<int>();
        p.cropY = in.ConsumeIntegral<int>();
        p.cropW = in.ConsumeIntegral<int>();
        p.cropH = in.ConsumeIntegral<int>();
    }

    const IntRect crop = CropArea(w0, h0, p);
    FUZZ_CHECK(crop.x >= 0 && crop.y >= 0 && crop.w >= 1 && crop.h >= 1);
    FUZZ_CHECK(int64_t(crop.x) + crop.w <= w0 && int64_t(crop.y) + crop.h <= h0);

    const DrawGeometry g = ComputeGeometry(w0, h0, p);
    FUZZ_CHECK(g.canvasWidth >= 0 && g.canvasHeight >= 0);
    if (g.targetWidth > 0 && g.targetHeight > 0) FUZZ_CHECK(g.canvasWidth >= 1 && g.canvasHeight >= 1);

    // Cropping to fill keeps to the crop rectangle (give or take the rounding of a pixel).
    if (p.sizeMode >= kSizeFirstPreset && p.cropToFill == 1 && g.targetWidth > 0 && g.targetHeight > 0) {
        FUZZ_CHECK(g.source.x >= crop.x - 1 && g.source.y >= crop.y - 1);
        FUZZ_CHECK(int64_t(g.source.x) + g.source.w <= int64_t(crop.x) + crop.w + 1);
        FUZZ_CHECK(int64_t(g.source.y) + g.source.h <= int64_t(crop.y) + crop.h + 1);
    }

    // A quarter turn lays out the turned picture: its canvas is the plain layout's of the
    // turned size, standing on its side.
    if (p.quarterTurn != 0 && p.cropW <= 0) {
        DrawParams plain = p;
        plain.quarterTurn = 0;
        const DrawGeometry t = ComputeGeometry(h0, w0, plain);
        FUZZ_CHECK(g.canvasWidth == t.canvasHeight && g.canvasHeight == t.canvasWidth);
        FUZZ_CHECK(g.source.w == t.source.h && g.source.h == t.source.w);
    }
    return 0;
}
