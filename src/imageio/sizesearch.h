// A JPEG or lossy WebP result whose file size lies within a range: the highest quality that fits
// the upper bound, found over encodes to memory; a higher quality (for JPEG with full chroma
// unless the subsampling is chosen) and, for JPEG only, comment padding reach the lower bound; a
// smaller pixel size where the pixel size is free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imageio/encodeoptions.h"
#include "raster/canvas.h"

namespace tavu {

// A file-size range in KB (1 KB = 1024 bytes); either end may be open.
struct SizeTarget {
    std::optional<int> minKB, maxKB;
    bool active() const { return minKB.has_value() || maxKB.has_value(); }
};

struct JpegSizeOptions {
    int quality = 100;                      // the user's quality: where the search starts
    std::optional<uint64_t> minBytes, maxBytes;
    bool pad = true;                        // reach the lower bound with comment segments
    bool pixelSizeFree = false;             // the picture may be made smaller to fit the upper bound
    int dpi = 0;                            // > 0: written into the JFIF header
    int maxEncodes = 8;                     // per pixel size
    bool webp = false;                      // lossy WebP instead of JPEG (never padded)
    EncodeOptions encoding;                 // progressive, subsampling, EXIF (its quality and dpi unused)
};

struct JpegSizeResult {
    bool ok = false;
    std::vector<uint8_t> bytes;             // the file to write
    int quality = 0;
    int encodes = 0;                        // encodes used, over every pixel size tried
    bool padded = false;
    bool subsamplingOff = false;            // encoded with full-resolution chroma
    bool scaled = false;                    // made smaller than the canvas
    int width = 0, height = 0;              // the pixel size written
    std::string error;                      // the failure, for the error text
};

JpegSizeOptions MakeJpegSizeOptions(const SizeTarget& target, int quality, bool pad, bool pixelSizeFree, int dpi);

JpegSizeResult FindJpegForSize(const Canvas& canvas, const JpegSizeOptions& options);

// One JPEG encode to memory, as results are written (no metadata; optimised Huffman tables up
// to 16 megapixels); dpi > 0 is written into the JFIF header. False when the encoder fails.
bool EncodeJpegToMemory(const Canvas& canvas, int quality, bool subsamplingOff, int dpi, std::vector<uint8_t>& out);
// The same with every JPEG choice of `options` (quality and dpi from there too); `fullChroma`
// turns the encoder's own subsampling choice into full chroma.
bool EncodeJpegToMemory(const Canvas& canvas, const EncodeOptions& options, bool fullChroma, std::vector<uint8_t>& out);

// "无法压缩到 N KB 以内" and its lower-bound counterpart.
std::string CannotReachMaxText(int maxKB);
std::string CannotReachMinText(int minKB);
std::string WebpCannotReachMinText(int minKB);

}  // namespace tavu
