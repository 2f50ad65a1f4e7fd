// Where a picture lands on the canvas: size mode, crop or fit with anchors, offsets, a crop
// rectangle and a quarter turn, for any picture size. The input is one record, little-endian,
// missing bytes read as zero (fuzz/make_seeds.sh writes the seeds in this layout):
//   int32 w0, h0 | uint8 size mode | float width, height | int16 crop-to-fill, x anchor, y anchor
//   | float offset x, y | int8 turn | int32 crop x, y, w, h
// Only finite numbers count, as the size boxes, the settings and the command line give them.
#include <climits>
#include <cmath>
#include <cstring>

#include "fuzzcheck.h"
#include "imageio/geometry.h"

using namespace tavu;

namespace {

class Record {
public:
    Record(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    template <typename T>
    T next() {
        uint8_t bytes[sizeof(T)] = {};
        for (size_t i = 0; i < sizeof(T) && pos_ < size_; ++i) bytes[i] = data_[pos_++];
        T v;
        std::memcpy(&v, bytes, sizeof(T));
        return v;
    }

private:
    const uint8_t* data_;
    size_t size_, pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Record in(data, size);
    const int w0 = in.next<int32_t>(), h0 = in.next<int32_t>();
    DrawParams p;
    p.sizeMode = in.next<uint8_t>() % 4;
    p.width = in.next<float>();
    p.height = in.next<float>();
    p.cropToFill = in.next<int16_t>();
    p.xCutMode = in.next<int16_t>();
    p.yCutMode = in.next<int16_t>();
    p.offsetX = in.next<float>();
    p.offsetY = in.next<float>();
    p.quarterTurn = in.next<int8_t>() % 2;
    p.cropX = in.next<int32_t>();
    p.cropY = in.next<int32_t>();
    p.cropW = in.next<int32_t>();
    p.cropH = in.next<int32_t>();
    if (w0 <= 0 || h0 <= 0) return 0;
    for (float v : {p.width, p.height, p.offsetX, p.offsetY})
        if (!std::isfinite(v)) return 0;

    const IntRect crop = CropArea(w0, h0, p);
    FUZZ_CHECK(crop.x >= 0 && crop.y >= 0 && crop.w >= 1 && crop.h >= 1);
    FUZZ_CHECK(int64_t(crop.x) + crop.w <= w0 && int64_t(crop.y) + crop.h <= h0);

    const DrawGeometry g = ComputeGeometry(w0, h0, p);
    // A target above zero gives at least a pixel, one of zero or below no canvas.
    FUZZ_CHECK((g.targetWidth > 0) == (g.canvasWidth >= 1) && (g.targetHeight > 0) == (g.canvasHeight >= 1));

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
