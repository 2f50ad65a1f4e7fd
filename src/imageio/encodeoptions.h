// How a result is encoded beyond its format: quality, resolution, the JPEG and WebP choices and
// the EXIF block to carry. Plain data, shared by the plain encoder and the size search.
#pragma once

#include <cstdint>
#include <vector>

namespace tavu {

// JPEG chroma subsampling: the encoder's own choice (4:2:0 below quality 90, full chroma from
// 90), always 4:2:0, or always full chroma (4:4:4). Stored as the setting iJpegSubsample 0/1/2.
enum class JpegSubsample { Auto = 0, Yuv420 = 1, Yuv444 = 2 };

struct EncodeOptions {
    int quality = 100;              // JPEG and lossy WebP, 0-100 (0 acts as 1)
    int dpi = 0;                    // > 0: written into JPEG (JFIF), PNG and TIFF headers
    bool progressive = false;       // JPEG: progressive (several scans) instead of baseline
    JpegSubsample subsample = JpegSubsample::Auto;
    bool webpLossless = false;      // WebP: lossless instead of lossy at `quality`
    bool tiffLzw = false;           // TIFF: LZW instead of uncompressed
    std::vector<uint8_t> exif;      // an EXIF block (as ResultExif makes it) or empty: no metadata
};

}  // namespace tavu
