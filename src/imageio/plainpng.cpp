#include "imageio/plainpng.h"

#include <libdeflate.h>
#include <vips/vips8>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imageio/fileio.h"

namespace tavu {

namespace {

std::atomic<bool> g_allowed{true};

// Fuzzing builds take any check sum (of the chunks and of the inflated bytes), so that changed
// bytes of a file reach the inflate and the unfiltering.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCheckSums = false;
#else
constexpr bool kCheckSums = true;
#endif

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr int kChannels = 3;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool NameIs(const uint8_t* name, const char* what) { return std::memcmp(name, what, 4) == 0; }

// The header of the kind read here: 8 bits per sample, RGB, the one compression and filter method,
// not interlaced. Widths and heights beyond 2^31 - 1 are not PNG.
bool PlainHeader(const uint8_t* d, PlainPngLayout& layout) {
    layout.width = Be32(d);
    layout.height = Be32(d + 4);
    return layout.width >= 1 && layout.width <= 0x7fffffffu && layout.height >= 1 && layout.height <= 0x7fffffffu &&
           d[8] == 8 && d[9] == 2 && d[10] == 0 && d[11] == 0 && d[12] == 0;
}

// Chunks that change what the pixels are (transparency, a colour profile, a palette) or that the
// reader would refuse (an unknown critical chunk, whose name starts with a capital).
bool ChangesPixels(const uint8_t* name) {
    if (NameIs(name, "tRNS") || NameIs(name, "iCCP") || NameIs(name, "PLTE")) return true;
    const bool critical = name[0] >= 'A' && name[0] <= 'Z';
    return critical && !NameIs(name, "IHDR") && !NameIs(name, "IDAT") && !NameIs(name, "IEND");
}

// Undoes one row's filter in place. `prev`: the row above, already unfiltered (zeros above the
// first row). The predictors work on bytes, three to a pixel.
bool Unfilter(uint8_t type, uint8_t* __restrict cur, const uint8_t* __restrict prev, size_t n) {
    constexpr size_t bpp = kChannels;
    switch (type) {
        case 0: return true;
        case 1:
            for (size_t j = bpp; j < n; ++j) cur[j] = uint8_t(cur[j] + cur[j - bpp]);
            return true;
        case 2:
            for (size_t j = 0; j < n; ++j) cur[j] = uint8_t(cur[j] + prev[j]);
            return true;
        case 3:
            for (size_t j = 0; j < bpp && j < n; ++j) cur[j] = uint8_t(cur[j] + (prev[j] >> 1));
            for (size_t j = bpp; j < n; ++j) cur[j] = uint8_t(cur[j] + ((cur[j - bpp] + prev[j]) >> 1));
            return true;
        case 4:
            for (size_t j = 0; j < bpp && j < n; ++j) cur[j] = uint8_t(cur[j] + prev[j]);
            for (size_t j = bpp; j < n; ++j) {
                const int a = cur[j - bpp], b = prev[j], c = prev[j - bpp];
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int p = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                cur[j] = uint8_t(cur[j] + p);
            }
            return true;
        default: return false;
    }
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

// Closes the chunk whose length field starts at `start`: its length and check sum.
void EndChunk(std::vector<uint8_t>& out, size_t start) {
    const size_t length = out.size() - start - 8;
    for (int i = 0; i < 4; ++i) out[start + size_t(i)] = uint8_t(length >> (24 - 8 * i));
    PutBe32(out, uint32_t(libdeflate_crc32(0, out.data() + start + 4, length + 4)));
}

size_t BeginChunk(std::vector<uint8_t>& out, const char* name) {
    const size_t start = out.size();
    PutBe32(out, 0);
    out.insert(out.end(), name, name + 4);
    return start;
}

// A buffer of bytes that are all about to be written (not cleared first).
std::unique_ptr<uint8_t[]> Uncleared(size_t bytes) { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]); }

}  // namespace

void AllowPlainPngReader(bool allowed) { g_allowed.store(allowed, std::memory_order_relaxed); }

bool ReadPlainPngLayout(const uint8_t* data, size_t size, PlainPngLayout& layout) {
    layout = {};
    if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) return false;
    size_t at = sizeof kSignature;
    bool header = false, inIdat = false, idatDone = false;
    while (true) {
        if (size - at < 12) return false;  // cut short before IEND
        const uint32_t length = Be32(data + at);
        const uint8_t* name = data + at + 4;
        if (length > 0x7fffffffu || size - at - 12 < length) return false;
        for (int i = 0; i < 4; ++i)
            if (!IsLetter(name[i])) return false;
        const uint8_t* body = name + 4;
        if (kCheckSums && Be32(body + length) != uint32_t(libdeflate_crc32(0, name, size_t(length) + 4))) return false;
        if (!header) {
            if (!NameIs(name, "IHDR") || length != 13 || !PlainHeader(body, layout)) return false;
            header = true;
        } else if (NameIs(name, "IHDR") || ChangesPixels(name)) {
            return false;
        } else if (NameIs(name, "IDAT")) {
            if (idatDone) return false;  // the picture's data must come in one run of chunks
            inIdat = true;
            if (length > 0) layout.idat.emplace_back(size_t(body - data), size_t(length));
            layout.compressedBytes += length;
        } else {
            idatDone = inIdat;
            if (NameIs(name, "IEND")) break;
        }
        at += size_t(length) + 12;
    }
    return !layout.idat.empty();
}

size_t PlainPngWorkBytes(const PlainPngLayout& layout) {
    const uint64_t row = uint64_t(layout.width) * kChannels + 1;
    if (layout.height == 0 || row > SIZE_MAX / layout.height) return 0;
    return size_t(row * layout.height);
}

bool DecodePlainPng(uint8_t* data, size_t size, const PlainPngLayout& layout, uint8_t* out) {
    const size_t work = PlainPngWorkBytes(layout);
    if (work == 0 || layout.idat.empty()) return false;
    // The chunks' data side by side at the front of the file's bytes (each moves towards the front).
    size_t gathered = 0;
    for (const auto& [offset, length] : layout.idat) {
        if (offset > size || length > size - offset) return false;
        if (offset != gathered) std::memmove(data + gathered, data + offset, length);
        gathered += length;
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(libdeflate_alloc_decompressor());
    if (!inflater) return false;
    // Exactly the rows: a stream that holds fewer or more bytes is not a picture of this size.
    const libdeflate_result inflated =
        kCheckSums ? libdeflate_zlib_decompress(inflater.get(), data, gathered, out, work, nullptr)
        : gathered < 6 ? LIBDEFLATE_BAD_DATA
                       : libdeflate_deflate_decompress(inflater.get(), data + 2, gathered - 6, out, work, nullptr);
    if (inflated != LIBDEFLATE_SUCCESS) return false;

    // Row y arrives at y * (n + 1), its filter byte first; unfiltered, it moves to y * n, which
    // never reaches the rows still to come.
    const size_t n = size_t(layout.width) * kChannels;
    const std::vector<uint8_t> zeros(n, 0);
    const uint8_t* prev = zeros.data();
    for (size_t y = 0; y < layout.height; ++y) {
        uint8_t* raw = out + y * (n + 1);
        if (!Unfilter(raw[0], raw + 1, prev, n)) return false;
        uint8_t* row = out + y * n;
        std::memmove(row, raw + 1, n);
        prev = row;
    }
    return true;
}

bool LoadPlainPng(const std::string& path, int width, int height, size_t maxBytes, vips::VImage& out) {
    if (!g_allowed.load(std::memory_order_relaxed) || width <= 0 || height <= 0) return false;
    const uint64_t pixels = uint64_t(width) * uint64_t(height) * kChannels;
    if (pixels >= maxBytes) return false;
    std::unique_ptr<uint8_t[]> file;
    size_t size = 0;
    if (!ReadWholeFile(path, maxBytes - size_t(pixels), file, size)) return false;
    PlainPngLayout layout;
    if (!ReadPlainPngLayout(file.get(), size, layout) || layout.width != uint32_t(width) ||
        layout.height != uint32_t(height))
        return false;
    const size_t work = PlainPngWorkBytes(layout);
    if (work == 0 || size > maxBytes - std::min<size_t>(maxBytes, work)) return false;
    auto* rows = static_cast<uint8_t*>(g_try_malloc(work));
    if (!rows) return false;
    if (!DecodePlainPng(file.get(), size, layout, rows)) {
        g_free(rows);
        return false;
    }
    file.reset();
    out = vips::VImage::new_from_memory_steal(rows, work, width, height, kChannels, VIPS_FORMAT_UCHAR)
              .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    return true;
}

bool EncodePlainPng(const uint8_t* pixels, size_t stride, int width, int height, uint32_t pixelsPerMetre,
                    std::vector<uint8_t>& png) {
    if (width <= 0 || height <= 0) return false;
    const size_t n = size_t(width) * kChannels;
    if (n > kPlainPngMaxWriteBytes / size_t(height)) return false;
    try {
        const size_t rowBytes = size_t(height) * (n + 1);
        const std::unique_ptr<uint8_t[]> rows = Uncleared(rowBytes);
        if (!rows) return false;
        for (size_t y = 0; y < size_t(height); ++y) {
            rows[y * (n + 1)] = 0;  // no filter
            std::memcpy(rows.get() + y * (n + 1) + 1, pixels + y * stride, n);
        }
        std::unique_ptr<libdeflate_compressor, CompressorDeleter> deflater(libdeflate_alloc_compressor(6));
        if (!deflater) return false;

        png.assign(kSignature, kSignature + sizeof kSignature);
        size_t chunk = BeginChunk(png, "IHDR");
        PutBe32(png, uint32_t(width));
        PutBe32(png, uint32_t(height));
        png.insert(png.end(), {8, 2, 0, 0, 0});
        EndChunk(png, chunk);
        chunk = BeginChunk(png, "pHYs");
        PutBe32(png, pixelsPerMetre);
        PutBe32(png, pixelsPerMetre);
        png.push_back(1);  // per metre
        EndChunk(png, chunk);
        chunk = BeginChunk(png, "IDAT");
        const size_t bound = libdeflate_zlib_compress_bound(deflater.get(), rowBytes);
        png.resize(png.size() + bound);
        const size_t packed =
            libdeflate_zlib_compress(deflater.get(), rows.get(), rowBytes, png.data() + chunk + 8, bound);
        if (packed == 0) return false;
        png.resize(chunk + 8 + packed);
        EndChunk(png, chunk);
        chunk = BeginChunk(png, "IEND");
        EndChunk(png, chunk);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tavu
