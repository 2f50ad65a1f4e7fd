// The commonest kind of PNG, read and written wholly in memory: 8-bit RGB, not interlaced, with
// nothing that changes its pixels (no transparency, no colour profile). The whole compressed stream
// is inflated in one call of libdeflate, about twice as fast as the library's reader, which
// inflates with zlib a few kilobytes at a time, and deflated in one call, about four times as fast
// as zlib at the same level and a little smaller. Any other PNG, and any sign of damage, is left to
// the library's reader: it then decides what the file holds or tells what is wrong with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vips {
class VImage;
}

namespace tavu {

struct PlainPngLayout {
    uint32_t width = 0, height = 0;
    // Where the compressed picture lies in the file: each IDAT chunk's data, in order.
    std::vector<std::pair<size_t, size_t>> idat;  // offset, length
    size_t compressedBytes = 0;
};

// Reads the chunks of a PNG file's bytes: the signature, every chunk's length, name and check sum
// up to IEND, a header of the plain kind, the IDAT chunks one after another, and no chunk that
// would change the pixels. False for anything else.
bool ReadPlainPngLayout(const uint8_t* data, size_t size, PlainPngLayout& layout);

// The bytes DecodePlainPng needs at `out` (the rows with their filter bytes); 0 when that would not
// fit in memory at all.
size_t PlainPngWorkBytes(const PlainPngLayout& layout);

// Inflates and unfilters the picture: afterwards the first width * 3 * height bytes of `out`
// (PlainPngWorkBytes long) are its rows, top to bottom, red, green, blue. `data` is the file's bytes
// that `layout` was read from; they are rearranged on the way. False when the compressed data is
// damaged or does not hold exactly the picture's rows.
bool DecodePlainPng(uint8_t* data, size_t size, const PlainPngLayout& layout, uint8_t* out);

// The whole picture of the PNG file at `path`, in memory, 8-bit sRGB with three bands, when it is of
// the plain kind, `width` x `height` (the size the library's reader found), and needs at most
// `maxBytes` for the file and its pixels together. False otherwise: the file is then for the
// library's reader.
bool LoadPlainPng(const std::string& path, int width, int height, size_t maxBytes, vips::VImage& out);

// Pictures whose rows take at most this many bytes are written by EncodePlainPng; the encoder
// holds them twice more (with filter bytes, and deflated). Larger ones stream through the library.
inline constexpr size_t kPlainPngMaxWriteBytes = size_t(32) << 20;

// A PNG file of `width` x `height` 8-bit RGB pixels (rows `stride` bytes apart): the header, the
// resolution (`pixelsPerMetre` both ways), the rows unfiltered and deflated at level 6 in one IDAT
// chunk, the end. False when the picture is larger than kPlainPngMaxWriteBytes or out of memory.
// (Results that keep an EXIF block are the library's to write: it brings the block's resolution
// and size up to date on the way.)
bool EncodePlainPng(const uint8_t* pixels, size_t stride, int width, int height, uint32_t pixelsPerMetre,
                    std::vector<uint8_t>& png);

// Whether LoadPlainPng may read files at all (the default); off, every PNG goes to the library's
// reader. For checking the one against the other.
void AllowPlainPngReader(bool allowed);

}  // namespace tavu
