// Windows bitmap files: 24 bits per pixel, blue-green-red, rows padded to 4 bytes, bottom row first.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/canvas.h"

namespace tavu {

// Hands the file to `sink` piece by piece (the headers, then one pixel row at a time), so a large
// canvas is never copied whole. Stops and returns false when the sink does; false for an empty canvas.
bool WriteBmp24(const Canvas& canvas, const std::function<bool(const uint8_t*, size_t)>& sink);

// The whole file (file header, info header, pixel rows) in memory. Empty for an empty canvas.
std::vector<uint8_t> EncodeBmp24(const Canvas& canvas);

}  // namespace tavu
