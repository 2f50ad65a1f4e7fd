#include <gtest/gtest.h>

#include <vips/vips8>

#include <sys/stat.h>

#include "imageio/encode.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {
Canvas Sample() {
    Canvas c(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) c.setPixel(x, y, {uint8_t(x * 4), uint8_t(y * 5), uint8_t((x ^ y) * 3)});
    return c;
}
off_t SizeOf(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_size : -1;
}
}  // namespace

TEST(Encode, ExtensionChoosesTheEncoderInAnyCase) {
    TempDir t;
    const Canvas c = Sample();
    struct Case {
        const char* ext;
        const char* loader;
    } cases[] = {{"jpg", "VipsForeignLoadJpegFile"}, {"JPG", "VipsForeignLoadJpegFile"}, {"jpeg", "VipsForeignLoadJpegFile"}, {"png", "VipsForeignLoadPngFile"},
                 {"PNG", "VipsForeignLoadPngFile"},  {"gif", "VipsForeignLoadNsgifFile"},  {"tiff", "VipsForeignLoadTiffFile"}, {"tif", "VipsForeignLoadTiffFile"},
                 {"bmp", "VipsForeignLoadMagickFile"}, {"BMP", "VipsForeignLoadMagickFile"}};
    for (const Case& k : cases) {
        const std::string path = t.file(std::string("out.") + k.ext);
        ASSERT_TRUE(funSavePic(c, path, k.ext, 90, kTiffColourDepth, kTiffNoCompression)) << k.ext;
        EXPECT_EQ(LoaderOf(path), k.loader) << k.ext;
    }
    // Lossless ones give the canvas back exactly.
    for (const char* ext : {"png", "tiff", "bmp"}) {
        Canvas back = ReadCanvas(t.file(std::string("out.") + ext));
        ASSERT_EQ(back.byteSize(), c.byteSize()) << ext;
        EXPECT_TRUE(std::equal(c.data(), c.data() + c.byteSize(), back.data())) << ext;
    }
}

TEST(Encode, TiffIsUncompressed24Bit) {
    TempDir t;
    const Canvas c = Sample();
    ASSERT_TRUE(funSavePic(c, t.file("a.tiff"), "tiff", 0, kTiffColourDepth, kTiffNoCompression));
    vips::VImage img = vips::VImage::new_from_file(t.file("a.tiff").c_str());
    EXPECT_EQ(img.bands(), 3);
    EXPECT_EQ(img.format(), VIPS_FORMAT_UCHAR);
    EXPECT_GE(SizeOf(t.file("a.tiff")), off_t(c.byteSize()));
}

TEST(Encode, UnknownExtensionsWriteNothing) {
    TempDir t;
    for (const char* ext : {"heic", "avif", "xyz", ""}) {
        WriteError e;
        EXPECT_FALSE(funSavePic(Sample(), t.file("a.x"), ext, 90, 24, 6, &e)) << ext;
        EXPECT_FALSE(e.text.empty());
    }
    EXPECT_FALSE(funSavePic(Canvas(), t.file("b.jpg"), "jpg", 90, 24, 6));
    EXPECT_TRUE(ListFolder(t.path()).empty());
}

TEST(Encode, QualityReachesTheEncoderAndZeroActsAsOne) {
    TempDir t;
    const Canvas c = Sample();
    for (int q : {0, 1, 50, 100}) ASSERT_TRUE(funSavePic(c, t.file("q" + std::to_string(q) + ".jpg"), "jpg", q, 24, 6));
    EXPECT_EQ(ReadBytes(t.file("q0.jpg")), ReadBytes(t.file("q1.jpg")));
    EXPECT_LT(SizeOf(t.file("q1.jpg")), SizeOf(t.file("q50.jpg")));
    EXPECT_LT(SizeOf(t.file("q50.jpg")), SizeOf(t.file("q100.jpg")));
}

TEST(Encode, ResultsCarryNoMetadata) {
    TempDir t;
    ASSERT_TRUE(funSavePic(Sample(), t.file("a.jpg"), "jpg", 90, 24, 6));
    vips::VImage img = vips::VImage::new_from_file(t.file("a.jpg").c_str());
    EXPECT_EQ(img.get_typeof("exif-data"), 0u);
    EXPECT_EQ(img.get_typeof("xmp-data"), 0u);
}

TEST(Encode, WritesAreAtomic) {
    TempDir t;
    // Replacing an existing file works and leaves no temporary file behind.
    WriteBytes(t.file("a.jpg"), {1, 2, 3});
    ASSERT_TRUE(funSavePic(Sample(), t.file("a.jpg"), "jpg", 90, 24, 6));
    EXPECT_EQ(LoaderOf(t.file("a.jpg")), "VipsForeignLoadJpegFile");
    EXPECT_EQ(ListFolder(t.path()), std::vector<std::string>{"a.jpg"});

    // A folder that cannot be written to: a failure with a reason, and nothing written.
    WriteBytes(t.file("file"), {0});
    WriteError e;
    EXPECT_FALSE(funSavePic(Sample(), t.file("file/a.png"), "png", 90, 24, 6, &e));
    EXPECT_FALSE(e.text.empty());
    EXPECT_FALSE(SaveBmpFile(Sample(), t.file("file/a.bmp"), &e));
    EXPECT_EQ(ListFolder(t.path()), (std::vector<std::string>{"a.jpg", "file"}));
}
