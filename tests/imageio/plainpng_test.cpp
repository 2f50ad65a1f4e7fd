// The whole-file PNG reader against the library's own reader, on files made byte by byte (every
// filter, damaged and unusual files), and the whole-buffer writer against the library's writer.
#include <gtest/gtest.h>

#include <vips/vips8>

#include <array>
#include <cstring>
#include <random>

#include "imageio/encode.h"
#include "imageio/plainpng.h"
#include "imageio/render.h"
#include "imageio/vipsinit.h"
#include "testimages.h"

using namespace tavu;
using namespace tavu::test;
using vips::VImage;

namespace {

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

void Be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

std::vector<uint8_t> Chunk(const char* name, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> c(8 + body.size());
    const uint32_t n = uint32_t(body.size());
    for (int i = 0; i < 4; ++i) {
        c[size_t(i)] = uint8_t(n >> (24 - 8 * i));
        c[size_t(4 + i)] = uint8_t(name[i]);
    }
    std::copy(body.begin(), body.end(), c.begin() + 8);
    Be32(c, Crc32(c.data() + 4, body.size() + 4));
    return c;
}

// A zlib stream of stored blocks: any bytes, exactly as given.
std::vector<uint8_t> Stored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, b << 16 | a);
    return z;
}

std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth = 8, uint8_t colour = 2, uint8_t interlace = 0) {
    std::vector<uint8_t> b;
    Be32(b, w);
    Be32(b, h);
    b.insert(b.end(), {depth, colour, 0, 0, interlace});
    return b;
}

struct PngParts {
    std::vector<uint8_t> header;
    std::vector<std::vector<uint8_t>> before;  // chunks between the header and the data
    std::vector<uint8_t> zlib;
    size_t piece = 1000;                       // the data is split into IDAT chunks this long
    std::vector<std::vector<uint8_t>> between; // chunks after the first IDAT chunk
};

std::vector<uint8_t> Assemble(const PngParts& p) {
    std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto add = [&](const std::vector<uint8_t>& c) { f.insert(f.end(), c.begin(), c.end()); };
    add(Chunk("IHDR", p.header));
    for (const auto& c : p.before) add(c);
    for (size_t at = 0; at < p.zlib.size(); at += p.piece) {
        add(Chunk("IDAT", {p.zlib.begin() + long(at), p.zlib.begin() + long(std::min(at + p.piece, p.zlib.size()))}));
        if (at == 0)
            for (const auto& c : p.between) add(c);
    }
    add(Chunk("IEND", {}));
    return f;
}

// Rows of random bytes, each after a random filter type from 0 to 4.
std::vector<uint8_t> RandomRows(std::mt19937& rng, int w, int h) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(uint8_t(rng() % 5));
        for (int x = 0; x < w * 3; ++x) raw.push_back(uint8_t(rng()));
    }
    return raw;
}

bool OursReads(const std::string& path, int w, int h, std::vector<uint8_t>& pixels) {
    VImage img;
    if (!LoadPlainPng(path, w, h, size_t(64) << 20, img)) return false;
    size_t size = 0;
    void* p = img.write_to_memory(&size);
    pixels.assign(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + size);
    g_free(p);
    return true;
}

bool LibraryReads(const std::string& path, std::vector<uint8_t>& pixels) {
    try {
        VImage img = VImage::new_from_file(path.c_str(), VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        size_t size = 0;
        void* p = img.write_to_memory(&size);
        pixels.assign(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + size);
        g_free(p);
        return true;
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

class PlainPng : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureImageIO()); }
    // Writes the file; our reader must give exactly the library's pixels.
    void ExpectSameAsLibrary(const std::vector<uint8_t>& file, int w, int h, const std::string& what) {
        WriteBytes(path, file);
        std::vector<uint8_t> ours, theirs;
        ASSERT_TRUE(OursReads(path, w, h, ours)) << what;
        ASSERT_TRUE(LibraryReads(path, theirs)) << what;
        EXPECT_EQ(ours, theirs) << what;
    }
    bool Reads(const std::vector<uint8_t>& file, int w, int h) {
        WriteBytes(path, file);
        std::vector<uint8_t> pixels;
        return OursReads(path, w, h, pixels);
    }
    TempDir t;
    const std::string path = t.file("p.png");
};

TEST_F(PlainPng, EveryFilterGivesTheLibrarysPixels) {
    std::mt19937 rng(7);
    for (int w : {1, 2, 3, 7, 64}) {
        for (int h : {1, 2, 9}) {
            PngParts p;
            p.header = Header(uint32_t(w), uint32_t(h));
            p.zlib = Stored(RandomRows(rng, w, h));
            p.piece = 100;  // many IDAT chunks, split anywhere
            ExpectSameAsLibrary(Assemble(p), w, h, std::to_string(w) + "x" + std::to_string(h));
        }
    }
    // Deflated by the library's writer, with its own choice of filter for each row.
    WritePicture(path, 301, 67, [](int x, int y) { return Rgb{uint8_t(x * y), uint8_t(x + 3 * y), uint8_t(x ^ y)}; },
                 "[filter=all,compression=9]");
    std::vector<uint8_t> ours, theirs;
    ASSERT_TRUE(OursReads(path, 301, 67, ours));
    ASSERT_TRUE(LibraryReads(path, theirs));
    EXPECT_EQ(ours, theirs);
}

TEST_F(PlainPng, HarmlessChunksAreReadPast) {
    std::mt19937 rng(8);
    PngParts p;
    p.header = Header(5, 4);
    p.zlib = Stored(RandomRows(rng, 5, 4));
    p.before = {Chunk("tEXt", {'a', 0, 'b'}), Chunk("gAMA", {0, 0, 0xb1, 0x8f}), Chunk("pHYs", std::vector<uint8_t>(9, 1)),
                Chunk("abCd", {1, 2, 3})};
    std::vector<uint8_t> file = Assemble(p);
    file.insert(file.end(), {'j', 'u', 'n', 'k'});  // after the end
    ExpectSameAsLibrary(file, 5, 4, "chunks");
}

TEST_F(PlainPng, OtherKindsAreLeftToTheLibrary) {
    std::mt19937 rng(9);
    const std::vector<uint8_t> rows = RandomRows(rng, 4, 4);
    auto with = [&](std::vector<uint8_t> header, std::vector<std::vector<uint8_t>> before) {
        PngParts p;
        p.header = std::move(header);
        p.before = std::move(before);
        p.zlib = Stored(rows);
        return Assemble(p);
    };
    EXPECT_TRUE(Reads(with(Header(4, 4), {}), 4, 4));
    EXPECT_FALSE(Reads(with(Header(4, 4, 16), {}), 4, 4)) << "16 bits";
    EXPECT_FALSE(Reads(with(Header(4, 4, 8, 6), {}), 4, 4)) << "alpha";
    EXPECT_FALSE(Reads(with(Header(4, 4, 8, 0), {}), 4, 4)) << "grey";
    EXPECT_FALSE(Reads(with(Header(4, 4, 8, 2, 1), {}), 4, 4)) << "interlaced";
    EXPECT_FALSE(Reads(with(Header(4, 4), {Chunk("tRNS", {0, 1, 0, 2, 0, 3})}), 4, 4)) << "transparency";
    EXPECT_FALSE(Reads(with(Header(4, 4), {Chunk("iCCP", {'x', 0, 0, 1})}), 4, 4)) << "profile";
    EXPECT_FALSE(Reads(with(Header(4, 4), {Chunk("PLTE", {1, 2, 3})}), 4, 4)) << "palette";
    EXPECT_FALSE(Reads(with(Header(4, 4), {Chunk("ABCD", {})}), 4, 4)) << "unknown critical chunk";
    EXPECT_FALSE(Reads(with(Header(4, 4), {}), 4, 5)) << "another size than the library found";
    VImage img;
    EXPECT_FALSE(LoadPlainPng(path, 4, 4, 100, img)) << "over the memory allowed";
    AllowPlainPngReader(false);
    EXPECT_FALSE(Reads(with(Header(4, 4), {}), 4, 4)) << "switched off";
    AllowPlainPngReader(true);
}

TEST_F(PlainPng, DamageIsLeftToTheLibrary) {
    std::mt19937 rng(10);
    std::vector<uint8_t> rows = RandomRows(rng, 6, 5);
    PngParts p;
    p.header = Header(6, 5);
    p.zlib = Stored(rows);
    const std::vector<uint8_t> good = Assemble(p);
    ASSERT_TRUE(Reads(good, 6, 5));

    for (size_t cut : {size_t(7), size_t(20), size_t(40), good.size() - 13, good.size() - 1})
        EXPECT_FALSE(Reads({good.begin(), good.begin() + long(cut)}, 6, 5)) << "cut at " << cut;
    std::vector<uint8_t> flipped = good;
    flipped[60] ^= 1;  // inside the data: its chunk's check sum no longer holds
    EXPECT_FALSE(Reads(flipped, 6, 5));

    PngParts q = p;
    q.zlib.back() ^= 1;  // a wrong check sum of the inflated bytes, inside a sound chunk
    EXPECT_FALSE(Reads(Assemble(q), 6, 5)) << "adler";
    std::vector<uint8_t> bad = rows;
    bad[(6 * 3 + 1) * 2] = 5;
    q.zlib = Stored(bad);
    EXPECT_FALSE(Reads(Assemble(q), 6, 5)) << "filter type 5";
    q.zlib = Stored({rows.begin(), rows.end() - 19});
    EXPECT_FALSE(Reads(Assemble(q), 6, 5)) << "a row short";
    std::vector<uint8_t> more = rows;
    more.insert(more.end(), rows.begin(), rows.begin() + 19);
    q.zlib = Stored(more);
    EXPECT_FALSE(Reads(Assemble(q), 6, 5)) << "a row too many";
    q = p;
    q.piece = 50;
    q.between = {Chunk("tEXt", {'a', 0, 'b'})};
    EXPECT_FALSE(Reads(Assemble(q), 6, 5)) << "the data broken up by another chunk";
}

TEST_F(PlainPng, DrawingIsTheSameEitherWay) {
    WritePicture(path, 640, 427, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y * 2), uint8_t((x * y) >> 4)}; },
                 "[filter=all]");
    DrawParams params;
    params.sizeMode = kSizeWidthLimit;
    params.width = 300;
    Canvas whole, streamed;
    ASSERT_TRUE(DrawPicFile(whole, path, params).ok());
    AllowPlainPngReader(false);
    ASSERT_TRUE(DrawPicFile(streamed, path, params).ok());
    AllowPlainPngReader(true);
    ASSERT_EQ(whole.width(), 300);
    EXPECT_EQ(0, std::memcmp(whole.data(), streamed.data(), whole.byteSize()));
}

// The library's writer on the same canvas, for comparison.
void LibraryWrites(const Canvas& c, const std::string& path, double xres, const std::vector<uint8_t>& exif) {
    VImage img = VImage::new_from_memory(const_cast<uint8_t*>(c.data()), c.byteSize(), c.width(), c.height(), 3,
                                         VIPS_FORMAT_UCHAR)
                     .copy(VImage::option()->set("xres", xres)->set("yres", xres));
    if (!exif.empty()) vips_image_set_blob_copy(img.get_image(), VIPS_META_EXIF_NAME, exif.data(), exif.size());
    img.pngsave(path.c_str(), VImage::option()->set("strip", exif.empty()));
}

std::vector<uint8_t> Blob(const std::string& path, const char* field) {
    VImage img = VImage::new_from_file(path.c_str());
    if (!img.get_typeof(field)) return {};
    size_t n = 0;
    const void* p = img.get_blob(field, &n);
    return {static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n};
}

TEST_F(PlainPng, WrittenFilesReadAsTheLibrarysOwn) {
    Canvas c(203, 61, Rgb{0, 0, 0});
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) c.setPixel(x, y, Rgb{uint8_t(x * 7), uint8_t(y * 3), uint8_t(x * y)});
    // A real EXIF block: the one the library writes for a JPEG, with its own header.
    WritePicture(t.file("e.jpg"), 8, 8, [](int, int) { return Rgb{1, 2, 3}; });
    const std::vector<uint8_t> exif = Blob(t.file("e.jpg"), VIPS_META_EXIF_NAME);
    ASSERT_GT(exif.size(), 6u);

    for (int dpi : {0, 300}) {
        for (bool withExif : {false, true}) {
            EncodeOptions o;
            o.dpi = dpi;
            if (withExif) o.exif = exif;
            WriteError e;
            ASSERT_TRUE(EncodeToFile(c, t.file("ours.png"), "png", o, &e)) << e.text;
            LibraryWrites(c, t.file("theirs.png"), dpi > 0 ? dpi / 25.4 : 1.0, o.exif);
            std::vector<uint8_t> ours, theirs;
            ASSERT_TRUE(LibraryReads(t.file("ours.png"), ours));
            ASSERT_TRUE(LibraryReads(t.file("theirs.png"), theirs));
            EXPECT_EQ(ours, theirs);
            VImage a = VImage::new_from_file(t.file("ours.png").c_str()), b = VImage::new_from_file(t.file("theirs.png").c_str());
            EXPECT_DOUBLE_EQ(a.xres(), b.xres()) << dpi;
            EXPECT_DOUBLE_EQ(a.yres(), b.yres()) << dpi;
            // The EXIF block as the library brings it up to date (the result's size and resolution).
            EXPECT_EQ(Blob(t.file("ours.png"), VIPS_META_EXIF_NAME), Blob(t.file("theirs.png"), VIPS_META_EXIF_NAME));
        }
    }
}

}  // namespace
