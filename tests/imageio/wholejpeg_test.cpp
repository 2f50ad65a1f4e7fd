// The whole-picture JPEG decoder against the library's own reader: the same pixels at every scale,
// and every file it does not take, or that is damaged, left to the library.
#include <gtest/gtest.h>

#include <vips/vips8>

#include <cmath>
#include <cstring>

#include "imageio/render.h"
#include "imageio/vipsinit.h"
#include "imageio/wholejpeg.h"
#include "testimages.h"

using namespace tavu;
using namespace tavu::test;
using vips::VImage;

namespace {

constexpr size_t kMemory = size_t(64) << 20;

// A picture with detail in every channel, so that scaling and colour sampling show.
VImage Detailed(int w, int h) {
    VImage xy = VImage::xyz(w, h);
    VImage x = xy[0], y = xy[1];
    VImage r = (x * 255 / w), g = ((x / 7 + y / 5) % 2) * 160 + 40, b = (x * 0.3).sin() * (y * 0.2).cos() * 100 + 128;
    return VImage::bandjoin({r, g, b}).cast(VIPS_FORMAT_UCHAR).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

std::string Jpeg(const TempDir& t, const std::string& name, int w, int h, bool halfColour, bool progressive,
                 int quality = 90) {
    const std::string path = t.file(name);
    Detailed(w, h).jpegsave(path.c_str(),
                            VImage::option()
                                ->set("Q", quality)
                                ->set("interlace", progressive)
                                ->set("subsample_mode", halfColour ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF)
                                ->set("strip", true));
    return path;
}

// The library's reader at the same scale, in memory.
std::vector<uint8_t> LibraryPixels(const std::string& path, int shrink, int& w, int& h) {
    VImage img = VImage::new_from_file(path.c_str(), VImage::option()->set("shrink", shrink));
    w = img.width();
    h = img.height();
    size_t n = 0;
    void* p = img.write_to_memory(&n);
    std::vector<uint8_t> out(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + n);
    g_free(p);
    return out;
}

std::vector<uint8_t> Pixels(const VImage& img) {
    size_t n = 0;
    void* p = img.write_to_memory(&n);
    std::vector<uint8_t> out(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + n);
    g_free(p);
    return out;
}

class WholeJpeg : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureImageIO()); }
    TempDir t;
};

TEST_F(WholeJpeg, DecodesAsTheLibraryAtEveryScale) {
    const struct {
        int w, h;
        bool halfColour, progressive;
    } cases[] = {{301, 203, true, false}, {301, 203, false, false}, {37, 23, true, false},
                 {203, 301, true, true},  {37, 23, false, true}};
    for (const auto& k : cases) {
        const std::string what = std::to_string(k.w) + "x" + std::to_string(k.h) + (k.halfColour ? " 4:2:0" : " 4:4:4") +
                                 (k.progressive ? " progressive" : "");
        const std::string path = Jpeg(t, "p.jpg", k.w, k.h, k.halfColour, k.progressive);
        for (int shrink : {1, 2, 4, 8}) {
            VImage img;
            ASSERT_TRUE(LoadWholeJpeg(path, shrink, k.w, k.h, kMemory, img)) << what << " 1/" << shrink;
            int w = 0, h = 0;
            const std::vector<uint8_t> expected = LibraryPixels(path, shrink, w, h);
            EXPECT_EQ(img.width(), w) << what << " 1/" << shrink;
            EXPECT_EQ(img.height(), h) << what << " 1/" << shrink;
            EXPECT_EQ(img.bands(), 3);
            EXPECT_EQ(img.interpretation(), VIPS_INTERPRETATION_sRGB);
            EXPECT_TRUE(Pixels(img) == expected) << what << " 1/" << shrink;
        }
    }
}

TEST_F(WholeJpeg, LeavesOtherFilesToTheLibrary) {
    const std::string good = Jpeg(t, "good.jpg", 120, 80, true, false);
    VImage img;
    ASSERT_TRUE(LoadWholeJpeg(good, 4, 120, 80, kMemory, img));
    EXPECT_FALSE(LoadWholeJpeg(good, 4, 121, 80, kMemory, img)) << "another size than the library found";
    EXPECT_FALSE(LoadWholeJpeg(good, 3, 120, 80, kMemory, img)) << "no such scale";
    EXPECT_FALSE(LoadWholeJpeg(good, 1, 120, 80, 20000, img)) << "over the memory allowed";
    EXPECT_FALSE(LoadWholeJpeg(t.file("missing.jpg"), 1, 120, 80, kMemory, img)) << "missing";
    AllowWholeJpegReader(false);
    EXPECT_FALSE(LoadWholeJpeg(good, 4, 120, 80, kMemory, img)) << "switched off";
    AllowWholeJpegReader(true);

    const std::string grey = t.file("grey.jpg");
    Detailed(64, 48).colourspace(VIPS_INTERPRETATION_B_W).jpegsave(grey.c_str());
    EXPECT_FALSE(LoadWholeJpeg(grey, 1, 64, 48, kMemory, img)) << "grey";
    const std::string cmyk = t.file("cmyk.jpg");
    Detailed(64, 48).bandjoin(VImage::black(64, 48)).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK))
        .jpegsave(cmyk.c_str());
    EXPECT_FALSE(LoadWholeJpeg(cmyk, 1, 64, 48, kMemory, img)) << "CMYK";

    std::vector<uint8_t> bytes = ReadBytes(good);
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3));
    WriteBytes(t.file("cut.jpg"), cut);
    EXPECT_FALSE(LoadWholeJpeg(t.file("cut.jpg"), 1, 120, 80, kMemory, img)) << "cut short";
    std::vector<uint8_t> marker = bytes;
    marker[marker.size() / 2] = 0xff;  // a marker in the middle of the picture's data
    marker[marker.size() / 2 + 1] = 0xd0;
    WriteBytes(t.file("marker.jpg"), marker);
    EXPECT_FALSE(LoadWholeJpeg(t.file("marker.jpg"), 1, 120, 80, kMemory, img)) << "a stray marker";
    WriteBytes(t.file("junk.jpg"), {0xff, 0xd8, 0xff, 0xdb, 0, 3, 9});
    EXPECT_FALSE(LoadWholeJpeg(t.file("junk.jpg"), 1, 120, 80, kMemory, img)) << "junk";
}

// The drawing does not change with the reader: reduced, turned upright, in several scans, or
// damaged (then both fail alike, or the library makes what it can of the file).
TEST_F(WholeJpeg, DrawingIsTheSameEitherWay) {
    const std::string flat = Jpeg(t, "flat.jpg", 301, 203, true, false);
    const std::string progressive = Jpeg(t, "prog.jpg", 301, 203, true, true);
    const std::string turned = t.file("turned.jpg");
    {
        VImage img = Detailed(301, 203);
        img.set("orientation", 6);
        img.jpegsave(turned.c_str());
    }
    std::vector<uint8_t> bytes = ReadBytes(flat);
    bytes[bytes.size() / 2] = 0xff;
    bytes[bytes.size() / 2 + 1] = 0xd3;
    WriteBytes(t.file("marker.jpg"), bytes);
    bytes.resize(bytes.size() * 3 / 4);
    WriteBytes(t.file("cut.jpg"), bytes);

    for (const std::string& path : {flat, progressive, turned, t.file("marker.jpg"), t.file("cut.jpg")}) {
        for (int width : {70, 150, 301}) {
            DrawParams params;
            params.sizeMode = kSizeWidthLimit;
            params.width = width;
            Canvas whole, library;
            const DrawOutcome a = DrawPicFile(whole, path, params);
            AllowWholeJpegReader(false);
            const DrawOutcome b = DrawPicFile(library, path, params);
            AllowWholeJpegReader(true);
            EXPECT_EQ(a.status, b.status) << path << " " << width;
            EXPECT_EQ(a.errorText, b.errorText) << path << " " << width;
            ASSERT_EQ(whole.width(), library.width()) << path << " " << width;
            ASSERT_EQ(whole.height(), library.height()) << path << " " << width;
            EXPECT_EQ(0, std::memcmp(whole.data(), library.data(), whole.byteSize())) << path << " " << width;
        }
    }
}

}  // namespace
