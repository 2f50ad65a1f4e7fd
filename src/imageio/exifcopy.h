// The EXIF block a result may carry: when the photo was taken, with which camera and how it was
// exposed — taken from the source, with the orientation set to 1 (the result's pixels are
// upright), without the thumbnail, the maker's private notes and anything that names a person or
// a serial number, and without the position unless it is asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavu {

// The block for a result of `source` (as libvips takes it: "Exif\0\0" and the TIFF structure);
// empty when the source has no EXIF data or it cannot be read. `keepGps` keeps the GPS fields.
std::vector<uint8_t> ResultExif(const std::string& source, bool keepGps);

// The same from a source's raw EXIF block (for files read elsewhere, and for tests).
std::vector<uint8_t> FilterExif(const std::vector<uint8_t>& sourceExif, bool keepGps);

}  // namespace tavu
