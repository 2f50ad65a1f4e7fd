// Any bytes through the whole-file PNG reader: its reading of chunks, the inflate and the
// unfiltering. A file it takes has a sound size, and is decoded to exactly its rows or refused.
#include <vector>

#include "fuzzcheck.h"
#include "imageio/plainpng.h"

using namespace tavu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    PlainPngLayout layout;
    if (!ReadPlainPngLayout(bytes.data(), bytes.size(), layout)) return 0;
    FUZZ_CHECK(layout.width >= 1 && layout.height >= 1 && !layout.idat.empty());
    size_t compressed = 0;
    for (const auto& [offset, length] : layout.idat) {
        FUZZ_CHECK(offset <= size && length <= size - offset);
        compressed += length;
    }
    FUZZ_CHECK(compressed == layout.compressedBytes);
    const size_t work = PlainPngWorkBytes(layout);
    if (work == 0 || work > (size_t(8) << 20)) return 0;  // the program's own limit is far larger
    std::vector<uint8_t> out(work);
    DecodePlainPng(bytes.data(), bytes.size(), layout, out.data());
    return 0;
}
