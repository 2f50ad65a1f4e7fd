// Windows bitmap files: 24 bits per pixel, blue-green-red, rows padded to 4 bytes, bottom row first.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/canvas.h"

namespace tavu {

// The whole file (file header, info header, pixel rows) for a canvas. Empty for an empty canvas.
std::vector<uint8_t> EncodeBmp24(const Canvas& canvas);

}  // namespace tavu
