// Phone-style test pictures made on the fly: HEIC and AVIF (libheif's encoders, with the turn
// stored as HEIF's rotation box), JPEG and WebP carrying an EXIF block, and the EXIF blocks
// themselves (libexif).
#pragma once

#include <string>
#include <vector>

#include "imageio/testimages.h"

namespace tavu::test {

struct ExifFields {
    int orientation = 1;                 // 0: no orientation tag
    std::string dateTimeOriginal = "2023:05:04 10:20:30";
    std::string make = "TestCam", model = "Model 1";
    bool gps = false;                    // a GPS position (latitude 31°N)
    bool thumbnail = false;              // a small JPEG thumbnail in the second folder
    std::string owner;                   // the owner's name (a field results never keep)
};
// An EXIF block as libvips keeps it ("Exif\0\0" + TIFF structure).
std::vector<uint8_t> MakeExif(const ExifFields& fields);

// A JPEG or WebP (by the extension) stored as w x h with the EXIF block attached.
void WriteWithExif(const std::string& path, int w, int h, const PixelFn& f, const std::vector<uint8_t>& exif);

// A HEIC (or AVIF) stored as w x h that shows turned as `orientation` says (1-8); the EXIF block
// is added when given. False when this machine's libheif has no encoder for the format (or the
// tests were built without libheif): the caller skips.
bool WriteHeif(const std::string& path, int w, int h, const PixelFn& f, bool avif, int orientation,
               const std::vector<uint8_t>& exif = {});

// A header field of a picture as libvips reports it ("" when absent), e.g. "exif-ifd2-DateTimeOriginal".
std::string HeaderField(const std::string& path, const std::string& field);
// The integer header field (orientation, jpeg-multiscan, ...); `fallback` when absent.
int HeaderInt(const std::string& path, const std::string& field, int fallback = -1);

}  // namespace tavu::test
