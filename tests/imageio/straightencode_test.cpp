#include <gtest/gtest.h>

#include <vips/vips8>

#include "imageio/encode.h"
#include "imageio/exifcopy.h"
#include "imageio/render.h"
#include "imageio/straightencode.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// A camera-like JPEG: a pattern, a resolution of its own, EXIF and an orientation tag.
std::string CameraJpeg(const TempDir& t, const std::string& name, int orientation, int w = 360, int h = 240) {
    Canvas src(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) src.setPixel(x, y, {uint8_t(x * 7), uint8_t(y * 3), uint8_t((x * y) >> 4)});
    vips::VImage img = vips::VImage::new_from_memory(src.data(), src.byteSize(), w, h, 3, VIPS_FORMAT_UCHAR);
    img = img.copy(vips::VImage::option()->set("xres", 300 / 25.4)->set("yres", 300 / 25.4));
    img.set("orientation", orientation);
    const std::string path = t.file(name);
    img.jpegsave(path.c_str(), vips::VImage::option()->set("Q", 92)->set("strip", false));
    return path;
}

// The usual way: draw onto a canvas, then encode the canvas.
std::vector<uint8_t> ByCanvas(const TempDir& t, const std::string& src, const DrawParams& p, const std::string& ext,
                              const EncodeOptions& o) {
    Canvas c;
    EXPECT_TRUE(DrawPicFile(c, src, p).ok());
    const std::string out = t.file("canvas." + ext);
    EXPECT_TRUE(EncodeToFile(c, out, ext, o));
    return ReadBytes(out);
}

}  // namespace

TEST(StraightEncode, GivesTheSameFileAsTheCanvasForEveryFormatAndSize) {
    TempDir t;
    const std::string src = CameraJpeg(t, "cam.jpg", 1);
    DrawParams widthLimit;  // 360 -> 100 wide: reduced
    widthLimit.width = 100;
    DrawParams own;
    own.sizeMode = kSizeOriginal;
    DrawParams cropped;  // a custom size cropped to fill: the whole canvas is covered
    cropped.sizeMode = 5;
    cropped.width = 90;
    cropped.height = 90;
    EncodeOptions exifProgressive;
    exifProgressive.progressive = true;
    exifProgressive.quality = 70;
    exifProgressive.exif = ResultExif(src, false);  // the kept shooting data
    ASSERT_FALSE(exifProgressive.exif.empty());
    EncodeOptions pngDpi;
    pngDpi.dpi = 150;
    struct Case {
        const char* what;
        DrawParams p;
        const char* ext;
        EncodeOptions o;
    // (A JPEG at its own size without EXIF is re-encoded from its coefficients: jpegrequantize_test.)
    } cases[] = {{"width limit jpg", widthLimit, "jpg", {}},
                 {"own size JPEG q70 progressive", own, "JPEG", exifProgressive},
                 {"cropped jpg", cropped, "jpg", {}},             {"width limit png", widthLimit, "png", pngDpi},
                 {"own size webp", own, "webp", {}},              {"width limit tiff", widthLimit, "tiff", pngDpi},
                 {"width limit gif", widthLimit, "gif", {}}};
    for (const Case& k : cases) {
        const std::string out = t.file(std::string("straight.") + k.ext);
        int w = 0, h = 0;
        ASSERT_TRUE(EncodeUnchangedDrawing(src, k.p, out, k.ext, k.o, w, h)) << k.what;
        const std::vector<uint8_t> straight = ReadBytes(out);
        EXPECT_EQ(straight, ByCanvas(t, src, k.p, k.ext, k.o)) << k.what;
        Canvas c;
        DrawPicFile(c, src, k.p);
        EXPECT_EQ(w, c.width()) << k.what;
        EXPECT_EQ(h, c.height()) << k.what;
    }
}

TEST(StraightEncode, LeavesEverythingElseToTheCanvas) {
    TempDir t;
    const std::string upright = CameraJpeg(t, "up.jpg", 1), turned = CameraJpeg(t, "six.jpg", 6);
    DrawParams plain;
    plain.width = 100;
    DrawParams gains = plain;
    gains.colors = ColorMatrix::Gains(0.5f, 1, 1);
    DrawParams fit;  // a square target, fitted: margins stay background
    fit.sizeMode = 5;
    fit.width = 90;
    fit.height = 90;
    fit.cropToFill = 0;
    DrawParams offset = plain;
    offset.offsetX = 4;
    EncodeOptions dpi;
    dpi.dpi = 300;
    int w = 0, h = 0;
    const std::string out = t.file("out.jpg");
    EXPECT_FALSE(EncodeUnchangedDrawing(turned, plain, out, "jpg", {}, w, h)) << "stored turned";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, gains, out, "jpg", {}, w, h)) << "colour gains";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, fit, out, "jpg", {}, w, h)) << "fit with margins";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, offset, out, "jpg", {}, w, h)) << "offset";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, plain, t.file("out.bmp"), "bmp", {}, w, h)) << "bitmap";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, plain, out, "jpg", dpi, w, h)) << "JPEG with a resolution";
    EXPECT_FALSE(EncodeUnchangedDrawing(upright, plain, out, "xyz", {}, w, h)) << "no encoder";
    EXPECT_FALSE(EncodeUnchangedDrawing(t.file("missing.jpg"), plain, out, "jpg", {}, w, h)) << "missing";

    // A file cut short fails here too (the usual drawing then reports it as damaged).
    std::vector<uint8_t> bytes = ReadBytes(upright);
    bytes.resize(bytes.size() / 2);
    WriteBytes(t.file("cut.jpg"), bytes);
    EXPECT_FALSE(EncodeUnchangedDrawing(t.file("cut.jpg"), plain, out, "jpg", {}, w, h)) << "truncated";
    Canvas c;
    EXPECT_EQ(DrawPicFile(c, t.file("cut.jpg"), plain).status, DrawOutcome::DrawFailed);
}
