// One picture as it will be saved: drawn onto its canvas at the chosen size, then turned and given
// the chosen effect, then the border and the watermarks. The batch run and every preview use this
// same step, so what is previewed is what is saved.
#pragma once

#include <string>

#include "imageio/decorate.h"
#include "imageio/geometry.h"
#include "imageio/render.h"
#include "imageio/encodeoptions.h"
#include "raster/canvas.h"
#include "raster/effects.h"

namespace tavu {

struct RenderSettings {
    // Size: the size list's index and the two boxes' texts as typed.
    int sizeMode = kSizeWidthLimit;
    std::string widthText = "500", heightText = "0";
    int16_t cropToFill = 1, xCutMode = kAnchorCentre, yCutMode = kAnchorStart;
    bool smartCrop = false;  // the "智能" anchor: the crop keeps the most interesting region
    ColorMatrix colors = ColorMatrix::Identity();
    float offsetX = 0, offsetY = 0;
    // The part of the upright source that is used (source pixels; empty: all of it).
    int cropX = 0, cropY = 0, cropW = 0, cropH = 0;
    // After the drawing: the direction menu's entry, the effect menu's entry (kEffectNone, 0..11,
    // or kEffectBrightness with `brightness` -75..75).
    int turn = kTurnNone;
    int effect = kEffectNone;
    int brightness = 0;
    // Last: the border, the picture watermark, the text watermark.
    Decorations decorations;
};

// A quarter turn is laid out before sizing: the size, crop and fit apply to the turned picture.
// Size texts that are not numbers draw nothing: the canvas stays empty and the outcome is
// NoCanvas. A turn or effect that runs out of memory is a SurfaceFailed outcome. A border or
// watermark that cannot be drawn is left out and the picture still counts as drawn; the reason
// goes to `decorationError` (when given, empty otherwise).
// What the drawing of RenderPicture would hold in memory (see DrawMemoryNeeded); 0 when unknown.
uint64_t RenderMemoryNeeded(const std::string& source, const RenderSettings& settings);

DrawOutcome RenderPicture(Canvas& canvas, const std::string& source, const RenderSettings& settings,
                          std::string* decorationError = nullptr);

// Encodes the picture RenderPicture would render into `path`, straight from the decoder, when the
// render is the drawing alone (no turn, effect, border or watermark) and that drawing leaves the
// picture as decoded (see EncodeUnchangedDrawing): the same file as encoding the canvas, with less
// copying and memory. False when it does not apply or fails; the caller then renders as usual.
bool EncodeUnchangedRender(const std::string& source, const RenderSettings& settings, const std::string& path,
                           const std::string& extension, const EncodeOptions& options, int& width, int& height);

}  // namespace tavu
