// Encoding a result straight from the decoder when the drawing leaves the picture as decoded:
// no canvas is filled and copied, and a large picture streams through in strips.
#pragma once

#include <string>

#include "imageio/encodeoptions.h"
#include "imageio/geometry.h"

namespace tavu {

// When drawing `source` with `params` would put exactly the decoded picture on the canvas (stored
// upright, covering the whole canvas, colours unchanged) and the format is encoded from any
// picture (not BMP, not JPEG with a resolution), encodes it into `path` as EncodeToFile would
// encode that canvas — the same file — and gives the canvas size. False when it does not apply
// or anything fails; `path` may then hold a partial file, and the caller draws the usual way.
bool EncodeUnchangedDrawing(const std::string& source, const DrawParams& params, const std::string& path,
                            const std::string& extension, const EncodeOptions& options, int& width, int& height);

}  // namespace tavu
