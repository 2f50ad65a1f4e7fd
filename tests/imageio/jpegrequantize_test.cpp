// Re-encoding JPEGs from their coefficients: the arithmetic, the file's layout against the
// encoder's own result for the same options, the closeness of the pictures, and what is declined.
#include <gtest/gtest.h>

#include <vips/vips8>

#include <cmath>
#include <cstring>
#include <random>

#include "imageio/encode.h"
#include "imageio/jpegrequantize.h"
#include "imageio/render.h"
#include "imageio/straightencode.h"
#include "imageio/vipsinit.h"
#include "testimages.h"

using namespace tavu;
using namespace tavu::test;
using vips::VImage;

namespace {

constexpr size_t kMemory = size_t(256) << 20;

// round(c * from / to), halves towards zero, within +-1023: the long way.
int Expected(int c, int from, int to) {
    const long n = long(std::abs(c)) * from;
    const int q = int(std::min<long>((2 * n + to - 1) / (2 * to), 1023));
    return c < 0 ? -q : q;
}

TEST(RequantizeBlocks, IsExactForEveryCoefficientAndManySteps) {
    std::mt19937 rng(11);
    std::vector<int16_t> all;
    for (int c = -2047; c <= 2047; ++c) all.push_back(int16_t(c));
    all.insert(all.end(), {-32768, 32767, -2048, 2048});
    all.resize((all.size() + 63) / 64 * 64, 0);
    const size_t blocks = all.size() / 64;
    // Every pair of steps for a few positions; random pairs for the rest.
    for (int round = 0; round < 300; ++round) {
        uint16_t from[64], to[64];
        for (int k = 0; k < 64; ++k) {
            from[k] = uint16_t(1 + (k < 2 ? (round * 7 + k) % 255 : rng() % 255));
            to[k] = uint16_t(1 + (k < 2 ? (round * 13 + k * 5) % 255 : rng() % 255));
        }
        std::vector<int16_t> got = all;
        RequantizeBlocks(got.data(), blocks, from, to);
        for (size_t i = 0; i < all.size(); ++i) {
            const int k = int(i % 64);
            const int c = std::clamp<int>(all[i], -2047, 2047);
            ASSERT_EQ(got[i], Expected(c, from[k], to[k])) << "c " << all[i] << " from " << from[k] << " to " << to[k];
        }
    }
}

// A photo-like picture: smooth shading, edges and fine texture, odd-sized so that its last blocks
// are partial.
VImage Scene(int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c.setPixel(x, y, {uint8_t(x * 255 / w), uint8_t((x / 20 + y / 20) % 2 ? 200 : 40),
                              uint8_t(128 + 100 * std::sin(x * 0.3) * std::cos(y * 0.2))});
    const size_t bytes = c.byteSize();
    void* copy = g_malloc(bytes);
    std::memcpy(copy, c.data(), bytes);
    return VImage::new_from_memory_steal(copy, bytes, w, h, 3, VIPS_FORMAT_UCHAR);
}

std::string Camera(const TempDir& t, const std::string& name, int quality, bool halfColour, int w = 301, int h = 203,
                   int orientation = 1) {
    const std::string path = t.file(name);
    VImage img = Scene(w, h);
    if (orientation != 1) img.set("orientation", orientation);  // in an EXIF block
    img.jpegsave(path.c_str(), VImage::option()
                                   ->set("Q", quality)
                                   ->set("subsample_mode", halfColour ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF)
                                   ->set("strip", orientation == 1));
    return path;
}

double Psnr(const std::string& a, const std::string& b) {
    const Canvas x = ReadCanvas(a), y = ReadCanvas(b);
    EXPECT_EQ(x.width(), y.width());
    EXPECT_EQ(x.height(), y.height());
    double sum = 0;
    for (size_t i = 0; i < x.byteSize() && i < y.byteSize(); ++i) {
        const double d = double(x.data()[i]) - y.data()[i];
        sum += d * d;
    }
    return 10 * std::log10(255.0 * 255.0 / std::max(sum / double(x.byteSize()), 1e-9));
}

// The file's segments before the picture data, each as its marker and bytes.
std::vector<std::vector<uint8_t>> Segments(const std::string& path) {
    const std::vector<uint8_t> b = ReadBytes(path);
    std::vector<std::vector<uint8_t>> out;
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xff && b[at + 1] != 0xda) {
        const size_t n = size_t(b[at + 2]) << 8 | b[at + 3];
        out.emplace_back(b.begin() + long(at), b.begin() + long(std::min(b.size(), at + 2 + n)));
        at += 2 + n;
    }
    return out;
}

class Requantize : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureImageIO()); }
    // The encoder's own result of the decoded source with the same options.
    std::string ByPixels(const std::string& src, const EncodeOptions& o) {
        const std::string out = t.file("pixels.jpg");
        EXPECT_TRUE(EncodeToFile(ReadCanvas(src), out, "jpg", o));
        return out;
    }
    TempDir t;
};

TEST_F(Requantize, LaysOutTheFileAsTheEncoderAndKeepsThePicture) {
    struct Case {
        const char* what;
        int sourceQuality;
        bool halfColour;
        int quality;
        JpegSubsample sub;
        bool progressive;
    } cases[] = {{"q95 4:2:0 -> 80", 95, true, 80, JpegSubsample::Auto, false},
                 {"q95 4:4:4 -> 92", 95, false, 92, JpegSubsample::Auto, false},
                 {"q70 4:2:0 -> 90 asked 4:2:0", 70, true, 90, JpegSubsample::Yuv420, false},
                 {"q60 4:2:0 -> 85 progressive", 60, true, 85, JpegSubsample::Auto, true}};
    for (const Case& k : cases) {
        const std::string src = Camera(t, "src.jpg", k.sourceQuality, k.halfColour);
        EncodeOptions o;
        o.quality = k.quality;
        o.subsample = k.sub;
        o.progressive = k.progressive;
        const std::string out = t.file("requantized.jpg");
        ASSERT_TRUE(RequantizeJpeg(src, out, o, 1, kMemory)) << k.what;
        const std::string pixels = ByPixels(src, o);
        // The same tables, frame (size, sampling, components) and no other segments; the Huffman
        // tables are the same too where the encoder does not make its own for the picture.
        const auto ours = Segments(out), theirs = Segments(pixels);
        ASSERT_EQ(ours.size(), theirs.size()) << k.what;
        for (size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i][1], theirs[i][1]) << k.what << " segment " << i;
            if (ours[i][1] != 0xc4) {
                EXPECT_EQ(ours[i], theirs[i]) << k.what << " segment " << i;
            }
        }
        VImage a = VImage::new_from_file(out.c_str());
        EXPECT_EQ(a.get_typeof("interlaced") != 0 && a.get_int("interlaced") == 1, k.progressive) << k.what;
        // Nothing is lost to decoding: at least as close to the source as the encoder's result.
        const double requantized = Psnr(out, src), decoded = Psnr(pixels, src);
        EXPECT_GT(requantized, decoded - 0.3) << k.what;
        EXPECT_GT(requantized, 30) << k.what;
    }
}

TEST_F(Requantize, LeavesOtherFilesAndOptionsToTheEncoder) {
    const std::string half = Camera(t, "half.jpg", 95, true), full = Camera(t, "full.jpg", 95, false);
    const std::string out = t.file("out.jpg");
    EncodeOptions q80;
    q80.quality = 80;
    EncodeOptions q95 = q80;
    q95.quality = 95;
    EXPECT_FALSE(RequantizeJpeg(half, out, q95, 1, kMemory)) << "4:2:0 source, 4:4:4 result";
    EXPECT_FALSE(RequantizeJpeg(full, out, q80, 1, kMemory)) << "4:4:4 source, 4:2:0 result";
    EncodeOptions dpi = q80;
    dpi.dpi = 300;
    EXPECT_FALSE(RequantizeJpeg(half, out, dpi, 1, kMemory)) << "a resolution";
    EncodeOptions exif = q80;
    exif.exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    EXPECT_FALSE(RequantizeJpeg(half, out, exif, 1, kMemory)) << "an EXIF block";
    EXPECT_TRUE(RequantizeJpeg(half, out, q80, 1, 300000));
    EXPECT_FALSE(RequantizeJpeg(half, out, q80, 1, 100000)) << "the coefficients take more than allowed";

    const std::string grey = t.file("grey.jpg");
    Scene(64, 48).colourspace(VIPS_INTERPRETATION_B_W).jpegsave(grey.c_str());
    EXPECT_FALSE(RequantizeJpeg(grey, out, q80, 1, kMemory)) << "grey";
    std::vector<uint8_t> bytes = ReadBytes(half);
    bytes.resize(bytes.size() * 2 / 3);
    WriteBytes(t.file("cut.jpg"), bytes);
    EXPECT_FALSE(RequantizeJpeg(t.file("cut.jpg"), out, q80, 1, kMemory)) << "cut short";
    WriteBytes(t.file("junk.jpg"), {0xff, 0xd8, 0xff, 0xdb, 0, 3, 9});
    EXPECT_FALSE(RequantizeJpeg(t.file("junk.jpg"), out, q80, 1, kMemory)) << "junk";
    EXPECT_FALSE(RequantizeJpeg(t.file("missing.jpg"), out, q80, 1, kMemory)) << "missing";
}

TEST_F(Requantize, KeepingTheOwnSizeTakesThisWay) {
    const std::string src = Camera(t, "src.jpg", 95, true);
    DrawParams own;
    own.sizeMode = kSizeOriginal;
    EncodeOptions o;
    o.quality = 80;
    int w = 0, h = 0;
    ASSERT_TRUE(EncodeUnchangedDrawing(src, own, t.file("straight.jpg"), "jpg", o, w, h));
    EXPECT_EQ(w, 301);
    EXPECT_EQ(h, 203);
    ASSERT_TRUE(RequantizeJpeg(src, t.file("requantized.jpg"), o, 1, kMemory));
    EXPECT_EQ(ReadBytes(t.file("straight.jpg")), ReadBytes(t.file("requantized.jpg")));
    // Turned upright on the way: a phone's photo with its orientation in EXIF.
    const std::string phone = Camera(t, "phone.jpg", 95, true, 160, 96, 6);
    ASSERT_TRUE(EncodeUnchangedDrawing(phone, own, t.file("upright.jpg"), "jpg", o, w, h));
    EXPECT_EQ(w, 96);
    EXPECT_EQ(h, 160);
    Canvas drawn;  // the usual way: drawn upright, then encoded; as close to the picture as that
    ASSERT_TRUE(DrawPicFile(drawn, phone, own).ok());
    ASSERT_TRUE(EncodeToFile(drawn, t.file("drawn.jpg"), "jpg", o));
    ASSERT_TRUE(EncodeToFile(drawn, t.file("drawn.png"), "png", {}));
    EXPECT_GT(Psnr(t.file("upright.jpg"), t.file("drawn.png")), Psnr(t.file("drawn.jpg"), t.file("drawn.png")) - 0.5);
    EXPECT_EQ(VImage::new_from_file(t.file("upright.jpg").c_str()).get_typeof("exif-data"), 0u);
    // A reduced or recoloured picture is drawn.
    DrawParams reduced;
    reduced.width = 150;
    ASSERT_TRUE(EncodeUnchangedDrawing(src, reduced, t.file("reduced.jpg"), "jpg", o, w, h));
    EXPECT_EQ(w, 150);
    DrawParams recoloured = own;
    recoloured.colors = ColorMatrix::Gains(0.5f, 1, 1);
    EXPECT_FALSE(EncodeUnchangedDrawing(src, recoloured, t.file("recoloured.jpg"), "jpg", o, w, h));
}

}  // namespace

namespace {

// The stored picture of a file turned upright as the drawing turns it (EXIF orientation).
VImage Upright(const VImage& stored, int orientation) {
    switch (orientation) {
        case 2: return stored.fliphor();
        case 3: return stored.rot(VIPS_ANGLE_D180);
        case 4: return stored.flipver();
        case 5: return stored.rot(VIPS_ANGLE_D90).fliphor();
        case 6: return stored.rot(VIPS_ANGLE_D90);
        case 7: return stored.rot(VIPS_ANGLE_D270).fliphor();
        case 8: return stored.rot(VIPS_ANGLE_D270);
        default: return stored;
    }
}

double Psnr(const VImage& a, const VImage& b) {
    const double mse = (a.cast(VIPS_FORMAT_FLOAT) - b.cast(VIPS_FORMAT_FLOAT)).pow(2).avg();
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

TEST_F(Requantize, TurnsEveryOrientationUpright) {
    for (bool halfColour : {false, true}) {
        // Mirrored sides are whole blocks of every plane: 16-pixel multiples.
        const std::string src = Camera(t, "src.jpg", 95, halfColour, 160, 96);
        EncodeOptions o;
        o.quality = 95;
        o.subsample = halfColour ? JpegSubsample::Yuv420 : JpegSubsample::Yuv444;
        ASSERT_TRUE(RequantizeJpeg(src, t.file("flat.jpg"), o, 1, kMemory));
        const VImage flat = VImage::new_from_file(t.file("flat.jpg").c_str());
        for (int orientation = 2; orientation <= 8; ++orientation) {
            const std::string out = t.file("turned.jpg");
            ASSERT_TRUE(RequantizeJpeg(src, out, o, orientation, kMemory)) << orientation;
            const VImage turned = VImage::new_from_file(out.c_str());
            const VImage expected = Upright(flat, orientation);
            ASSERT_EQ(turned.width(), expected.width()) << orientation;
            ASSERT_EQ(turned.height(), expected.height()) << orientation;
            // The same coefficients in turned places: only the decoder's rounding differs.
            EXPECT_GT(Psnr(turned, expected), 50) << orientation << (halfColour ? " 4:2:0" : " 4:4:4");
        }
    }
    // A side that would be mirrored ends inside a block of the colour planes: decoded and drawn.
    const std::string odd = Camera(t, "odd.jpg", 95, true, 168, 100);
    EncodeOptions q80;
    q80.quality = 80;
    ASSERT_TRUE(RequantizeJpeg(odd, t.file("o.jpg"), q80, 5, kMemory)) << "transposed only";
    ASSERT_TRUE(RequantizeJpeg(odd, t.file("o1.jpg"), q80, 1, kMemory));
    // As close to the source, turned, as the result left as stored is to the source.
    const VImage source = VImage::new_from_file(odd.c_str());
    EXPECT_GT(Psnr(VImage::new_from_file(t.file("o.jpg").c_str()), Upright(source, 5)),
              Psnr(VImage::new_from_file(t.file("o1.jpg").c_str()), source) - 0.2);
    EXPECT_FALSE(RequantizeJpeg(odd, t.file("o.jpg"), q80, 2, kMemory)) << "168 across";
    EXPECT_FALSE(RequantizeJpeg(odd, t.file("o.jpg"), q80, 6, kMemory)) << "100 down";
    EXPECT_FALSE(RequantizeJpeg(odd, t.file("o.jpg"), q80, 9, kMemory)) << "no such orientation";
}

}  // namespace
