// Inside the image library only (it includes libvips): a drawing that can be encoded straight
// from the decoder, without a canvas in between.
#pragma once

#include <vips/vips8>

#include <string>

#include "imageio/encodeoptions.h"
#include "imageio/fileio.h"
#include "imageio/geometry.h"

namespace tavu {

// True when drawing `path` with `params` would leave exactly the decoded picture on the canvas:
// stored upright, covering the whole canvas, colours unchanged. `img` is then that picture (lazy,
// or in memory once reduced), 8-bit sRGB with three bands and the canvas's size: its pixels are
// the ones DrawPicFile would put on the canvas. False otherwise and on every failure; drawing the
// usual way then reports it.
bool OpenUnchangedDrawing(const std::string& path, const DrawParams& params, vips::VImage& img);

// True when `path` is a JPEG of 8-bit sRGB colours (no colour profile) that drawing with `params`
// would put on the canvas whole: its own size, nothing cropped, colours unchanged, only turned
// upright from its stored `orientation` (EXIF's 1 to 8). `width` and `height` are then its upright
// size. False otherwise and on every failure.
bool DrawsJpegAsStored(const std::string& path, const DrawParams& params, int& width, int& height, int& orientation);

// Encodes `img` (8-bit sRGB, three bands) into `path` as EncodeToFile encodes a canvas with the
// same pixels: the result is the same file. `extension` must not be "bmp", and not JPEG with a
// resolution (those are written from a canvas only).
bool EncodeImageToFile(const vips::VImage& img, const std::string& path, const std::string& extension,
                       const EncodeOptions& options, WriteError* err);

}  // namespace tavu
