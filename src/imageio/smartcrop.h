// The smart crop anchor: where a crop-to-fill window goes so that it keeps the most interesting
// part of the picture (libvips' attention measure: skin tones, saturation, edges), for portraits
// taken off-centre.
#pragma once

#include <string>

#include "imageio/geometry.h"

namespace tavu {

// Moves `window` (a rectangle of the upright picture, `uprightWidth` pixels wide, inside `area`)
// along the direction in which it is smaller than `area`, onto the most interesting region.
// Works on a small thumbnail of the file. False (window unchanged) when the picture cannot be read.
bool PlaceSmartCrop(const std::string& path, int uprightWidth, const IntRect& area, IntRect& window);

}  // namespace tavu
