// The file a JPEG decoder reads, fed to libjpeg 64 KB at a time. libjpeg decodes a block on its
// fast Huffman path only while a few kilobytes of the file lie ahead of it (512 bytes for every
// block of an MCU); fed 4 KB at a time, as its own file reader and the image library's feed it,
// most blocks go through the slow path, a tenth of the decoding time lost. 64 KB keep the fast path
// for nineteen blocks in twenty without holding the whole file.
#pragma once

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace tavu {

// Makes the open file `fd` (read from where it stands, not closed here) the source of `d`. The
// buffer lives in the decoder's own memory and goes with it. A file that ends before the picture
// does ends it with the decoder's warning of a file cut short, as libjpeg's own reader does.
void UseJpegFileSource(j_decompress_ptr d, int fd);

}  // namespace tavu
