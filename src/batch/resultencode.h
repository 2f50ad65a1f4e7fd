// Encoding one result: the plain encoder, or for JPEG and WebP with a file-size range the size
// search, with the resolution written into the header when one is set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/encodeoptions.h"
#include "imageio/fileio.h"
#include "imageio/sizesearch.h"
#include "raster/canvas.h"

namespace tavu {

struct EncodeChoice {
    int quality = 100;
    SizeTarget sizeTarget;     // active: JPEG results are searched for a size within it
    bool sizePad = true;       // reach the lower bound with comment segments
    int dpi = 0;               // > 0: written into JPEG, PNG and TIFF headers
    bool pixelSizeFree = false;  // width limit or own size: a too-big picture may be made smaller
    // JPEG progressive and subsampling, lossless WebP (not with a size range: the range searches
    // the lossy quality), and the EXIF block the result carries (empty: none).
    bool progressive = false;
    JpegSubsample subsample = JpegSubsample::Auto;
    bool webpLossless = false;
    std::vector<uint8_t> exif;
};

// What the size search chose for one result.
struct SizeInfo {
    bool searched = false;
    int quality = 0, encodes = 0;
    bool padded = false, subsamplingOff = false, scaled = false;
    int width = 0, height = 0;
    uint64_t bytes = 0;
};

// The encoder's options for a plain encode (no size search) of the choice.
EncodeOptions EncodeOptionsOf(const EncodeChoice& choice);

// True when the size search applies: a JPEG or WebP extension and an active range.
bool SizeSearchApplies(const std::string& extension, const SizeTarget& target);

// Writes the result into `path` (a temporary file the caller renames). False, with `err`
// filled, when nothing usable was written; `info` says what the size search chose.
bool EncodeResult(const Canvas& canvas, const std::string& path, const std::string& extension,
                  const EncodeChoice& choice, SizeInfo& info, WriteError& err);

// "质量85, 编码6次, 38.2 KB" with ", 已填充" / ", 已缩小为 W×H" where they apply.
std::string SizeInfoText(const SizeInfo& info);

}  // namespace tavu
