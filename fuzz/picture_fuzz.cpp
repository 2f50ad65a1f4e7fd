// A picture file through the render step (RenderPicture), as the batch and the preview draw it.
// Input: eight bytes of settings, then the file's bytes (any format; the decoders decide).
//   0 size mode: 0 width limit, 1 the picture's own size, 2 a custom size (crop or fit)
//   1, 2 width and height in pixels (0: a text that is not a number)
//   3 bit 0 crop to fill, bits 1-2 / 3-4 the anchors, bit 5 the smart anchor
//   4 the direction menu's entry   5 the effect (-1..12)   6 the brightness (signed)
//   7 bit 0 a crop rectangle: corner (bits 1-3) and size (bits 4-7) in 8-pixel steps
// A picture that would need more than kBudget of memory to draw is passed over, so that the run
// stays far below its memory limit; the program's own budget is far larger.
#include <algorithm>
#include <cstdio>

#include "batch/picturerender.h"
#include "fuzzcheck.h"
#include "imageio/vipsinit.h"

using namespace tavu;

namespace {

constexpr uint64_t kBudget = 8ull << 20;

const std::string& PicturePath() {
    static const std::string path = [] {
        SetImageIOThreads(1);
        return fuzz::ScratchFolder("picture") + "/picture";
    }();
    return path;
}

std::string SizeText(uint8_t b) { return b == 0 ? std::string("abc") : std::to_string(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const std::string& path = PicturePath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 8, 1, size - 8, f);
    std::fclose(f);

    RenderSettings s;
    s.sizeMode = data[0] % 3;
    s.widthText = SizeText(data[1]);
    s.heightText = SizeText(data[2]);
    s.cropToFill = data[3] & 1;
    s.xCutMode = (data[3] >> 1 & 3) % 3;
    s.yCutMode = (data[3] >> 3 & 3) % 3;
    s.smartCrop = data[3] & 32;
    s.turn = data[4] % kTurnCount;
    s.effect = data[5] % (kEffectCount + 1) - 1;
    s.brightness = std::clamp<int>(int8_t(data[6]), kBrightnessMin, kBrightnessMax);
    if (data[7] & 1) {
        s.cropX = s.cropY = 8 * (data[7] >> 1 & 7);
        s.cropW = s.cropH = 8 * (1 + (data[7] >> 4));
    }
    if (RenderMemoryNeeded(path, s) > kBudget) return 0;

    Canvas canvas;
    const DrawOutcome out = RenderPicture(canvas, path, s);
    if (!out.ok()) {
        FUZZ_CHECK(canvas.empty());
        FUZZ_CHECK(out.status == DrawOutcome::NoCanvas || !out.errorText.empty());
        return 0;
    }
    FUZZ_CHECK(!canvas.empty());
    // The saved picture has the size asked for, whatever the turn (an automatic turn follows the
    // file's own orientation tag, so it is left out).
    if (s.sizeMode != kSizeOriginal && s.turn != kTurnAuto) FUZZ_CHECK(canvas.width() == data[1]);
    if (s.sizeMode == kSizeFirstPreset && s.turn != kTurnAuto) FUZZ_CHECK(canvas.height() == data[2]);
    return 0;
}
