// JPEG pictures decoded whole into memory, straight from the file. libjpeg is fed 64 KB at a time
// (jpegsource.h), so it stays on its fast Huffman path, which the library's reader, feeding it 4 KB
// at a time, leaves for most blocks: the decoding takes about a tenth less time, and the decoded
// rows go into one buffer instead of through the library's strip pipeline. Only the kind of JPEG
// cameras and phones write (8-bit YCbCr, three components) is read here; anything else, and any
// sign of damage, is left to the library's reader, which then decides what the file holds or tells
// what is wrong with it.
#pragma once

#include <cstddef>
#include <string>

namespace vips {
class VImage;
}

namespace tavu {

// The picture of the JPEG file at `path` decoded at 1/`shrink` of its size (1, 2, 4 or 8: the
// decoder's own scales; as the library's reader, only whole pixels: `width` / `shrink` rounded
// down), in memory, 8-bit sRGB with three bands, when the file is an 8-bit YCbCr
// JPEG of `width` x `height` pixels and needs at most `maxBytes` for the decoded pixels and (a
// progressive file's) coefficients together. False otherwise, at any warning of the decoder
// and when memory runs out: the file is then for the library's reader.
bool LoadWholeJpeg(const std::string& path, int shrink, int width, int height, size_t maxBytes, vips::VImage& out);

// Whether LoadWholeJpeg may read files at all (the default); off, every JPEG goes to the library's
// reader. For checking the one against the other.
void AllowWholeJpegReader(bool allowed);

}  // namespace tavu
