// Writing the canvas as a picture file.
#pragma once

#include <string>

#include "imageio/encodeoptions.h"
#include "imageio/fileio.h"
#include "raster/canvas.h"

namespace tavu {

// Colour depth and compression values that every caller passes for TIFF output.
inline constexpr int kTiffColourDepth = 24;
inline constexpr int kTiffNoCompression = 6;

// True when the (case-insensitive) extension names a format this program writes.
bool HasEncoder(const std::string& extension);

// Writes the canvas to `path` in the format the extension names, case-insensitively: "jpg" and
// "jpeg" (quality 0-100; 0 acts as 1), "png", "gif", "tiff" and "tif" (uncompressed 24-bit),
// "webp" (lossy at the quality), "bmp" (24-bit Windows bitmap). The file appears complete or not
// at all. Results carry no EXIF or XMP data. False, with `err` filled, when nothing was written.
bool funSavePic(const Canvas& canvas, const std::string& path, const std::string& extension,
                int quality, int colourDepth, int compression, WriteError* err = nullptr);

// Encodes straight into `path` (no temporary file): for callers that make their own temporary
// file and rename it later, like the batch run, which renames its results in list order.
// dpi > 0 is written as the resolution of JPEG (JFIF), PNG (pHYs) and TIFF results.
bool EncodeToFile(const Canvas& canvas, const std::string& path, const std::string& extension,
                  int quality, int colourDepth, int compression, WriteError* err = nullptr, int dpi = 0);
// The same with every choice: progressive JPEG, chroma subsampling, lossless WebP, and the EXIF
// block, which JPEG, PNG and WebP results carry (TIFF, GIF and BMP results never do). TIFF is
// written uncompressed.
bool EncodeToFile(const Canvas& canvas, const std::string& path, const std::string& extension,
                  const EncodeOptions& options, WriteError* err = nullptr);

// The 24-bit Windows bitmap writer, on its own.
bool SaveBmpFile(const Canvas& canvas, const std::string& path, WriteError* err = nullptr);

}  // namespace tavu
