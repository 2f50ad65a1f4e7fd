// Where a picture lands on the canvas: the target size from the size mode, crop-to-fill with its
// anchors or fit-inside, and the picture offset. Plain arithmetic, no decoding.
#pragma once

#include <cstdint>

#include "raster/canvas.h"

namespace tavu {

// Size modes, as the size list orders them: 0 width limit, 1 the picture's own size, 2 and up the
// presets, the last entry a custom size. Every mode but the width limit crops or fits the picture
// to its target; none stretches it.
enum : int { kSizeWidthLimit = 0, kSizeOriginal = 1, kSizeFirstPreset = 2 };

// Crop anchors.
enum : int { kAnchorStart = 0, kAnchorCentre = 1, kAnchorEnd = 2 };

struct DrawParams {
    int sizeMode = kSizeWidthLimit;
    float width = 400, height = 300;  // target size as given (fractions allowed)
    int16_t cropToFill = 1;           // exactly 1: crop to fill; any other value: fit inside
    int16_t xCutMode = kAnchorCentre; // which part of an over-wide source is kept
    int16_t yCutMode = kAnchorStart;  // which part of an over-tall source is kept
    bool smartCrop = false;           // crop to fill keeps the most interesting part instead
    ColorMatrix colors = ColorMatrix::Identity();
    float offsetX = 0, offsetY = 0;   // the picture's offset on the canvas, in pixels
    // The result will be turned a quarter after drawing (+1 clockwise, -1 counter-clockwise): the
    // size, crop and fit then apply to the turned picture, so that "width 800" means the saved
    // picture's width. The canvas comes out in the unturned orientation, ready for the turn.
    int quarterTurn = 0;
    // Only this part of the upright picture is used (empty: all of it); it is clipped to the picture.
    int cropX = 0, cropY = 0, cropW = 0, cropH = 0;
};

struct IntRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const IntRect&) const = default;
};

// The crop rectangle of `params` clipped to a w0 x h0 picture; the whole picture when it is empty
// or lies outside.
IntRect CropArea(int w0, int h0, const DrawParams& params);

struct DrawGeometry {
    int canvasWidth = 0, canvasHeight = 0;
    IntRect source;       // the part of the (upright) picture that is drawn
    IntRect destination;  // where it lands on the canvas (may reach beyond it)
    // The unrounded values, for callers that want them.
    double targetWidth = 0, targetHeight = 0;
};

// w0, h0: the picture's upright size (both > 0). Every coordinate is rounded half to even.
DrawGeometry ComputeGeometry(int w0, int h0, const DrawParams& params);

// Rounds half to even, as every float-to-integer conversion of the program does.
int RoundHalfEven(double v);

}  // namespace tavu
