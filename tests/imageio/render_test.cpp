#include <gtest/gtest.h>

#include <vips/vips8>

#include <cmath>
#include <filesystem>

#include "imageio/render.h"
#include "imageio/vipsinit.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

DrawParams Custom(float w, float h, int16_t crop = 1) {
    DrawParams p;
    p.sizeMode = 9;
    p.width = w;
    p.height = h;
    p.cropToFill = crop;
    return p;
}

// Four quadrants of different colours: tells any turn or mirror apart.
Rgb Quadrant(int x, int y, int w, int h) {
    const bool right = x >= w / 2, bottom = y >= h / 2;
    if (!right && !bottom) return {220, 30, 30};   // red
    if (right && !bottom) return {30, 200, 30};    // green
    if (!right && bottom) return {30, 30, 220};    // blue
    return {230, 230, 40};                         // yellow
}

bool Near(Rgb a, Rgb b, int tol = 12) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

}  // namespace

TEST(Render, GainsApplyToThePictureNotTheMargins) {
    TempDir t;
    WriteSolid(t.file("a.png"), 400, 300, {200, 100, 50});
    Canvas c;
    DrawParams p = Custom(400, 400, 0);  // fit: 50-pixel margins above and below
    p.colors = ColorMatrix::Gains(0, 1, 2);
    ASSERT_TRUE(DrawPicFile(c, t.file("a.png"), p).ok());
    EXPECT_EQ(c.pixel(200, 200), (Rgb{0, 100, 100}));
    EXPECT_EQ(c.pixel(200, 10), kCanvasBackground);
    EXPECT_EQ(c.pixel(200, 390), kCanvasBackground);
}

TEST(Render, CropAnchorsKeepTheChosenPart) {
    TempDir t;
    WritePicture(t.file("lr.png"), 200, 100, [](int x, int) { return x < 100 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
    Canvas c;
    DrawParams p = Custom(50, 50);
    p.xCutMode = kAnchorStart;
    ASSERT_TRUE(DrawPicFile(c, t.file("lr.png"), p).ok());
    EXPECT_TRUE(Near(c.pixel(45, 25), {255, 0, 0}));
    p.xCutMode = kAnchorEnd;
    ASSERT_TRUE(DrawPicFile(c, t.file("lr.png"), p).ok());
    EXPECT_TRUE(Near(c.pixel(5, 25), {0, 0, 255}));
}

TEST(Render, OffsetShowsBackgroundWhereThePictureLeft) {
    TempDir t;
    WriteSolid(t.file("a.jpg"), 100, 100, {0, 0, 0});
    Canvas c;
    DrawParams p = Custom(100, 100);
    p.offsetX = 10;
    p.offsetY = -20;
    ASSERT_TRUE(DrawPicFile(c, t.file("a.jpg"), p).ok());
    EXPECT_EQ(c.pixel(5, 50), kCanvasBackground);
    EXPECT_TRUE(Near(c.pixel(50, 50), {0, 0, 0}, 4));
    EXPECT_EQ(c.pixel(50, 90), kCanvasBackground);
}

TEST(Render, ReduceFiltersFineDetailInsteadOfAliasing) {
    // One-pixel black and white stripes must become an even grey, not stripes or a flat colour.
    TempDir t;
    WritePicture(t.file("s.png"), 2400, 1600, [](int x, int) { return x % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
    Canvas c;
    DrawParams p;
    p.width = 300;
    ASSERT_TRUE(DrawPicFile(c, t.file("s.png"), p).ok());
    ASSERT_EQ(c.width(), 300);
    ASSERT_EQ(c.height(), 200);
    for (int x = 10; x < 290; x += 37) EXPECT_TRUE(Near(c.pixel(x, 100), {128, 128, 128}, 10)) << x;
}

TEST(Render, JpegShrinkOnLoadKeepsTheGeometry) {
    // A large JPEG decoded at a reduced scale still lands exactly where the geometry says.
    TempDir t;
    WritePicture(t.file("q.jpg"), 4000, 3000, [](int x, int y) { return Quadrant(x, y, 4000, 3000); }, "[Q=95]");
    Canvas c;
    DrawParams p = Custom(300, 300);
    ASSERT_TRUE(DrawPicFile(c, t.file("q.jpg"), p).ok());
    ASSERT_EQ(c.width(), 300);
    EXPECT_TRUE(Near(c.pixel(75, 75), {220, 30, 30}));
    EXPECT_TRUE(Near(c.pixel(225, 225), {230, 230, 40}));
    // The centre crop takes source columns 500..3500: the colour edge stays in the middle.
    EXPECT_TRUE(Near(c.pixel(140, 75), {220, 30, 30}, 20));
    EXPECT_TRUE(Near(c.pixel(160, 75), {30, 200, 30}, 20));
}

TEST(Render, ExifOrientationIsAppliedForEveryValue) {
    TempDir t;
    const int ws = 320, hs = 200;
    for (int o = 1; o <= 8; ++o) {
        const std::string path = t.file("o" + std::to_string(o) + ".jpg");
        {
            Canvas src(ws, hs);
            for (int y = 0; y < hs; ++y)
                for (int x = 0; x < ws; ++x) src.setPixel(x, y, Quadrant(x, y, ws, hs));
            vips::VImage img = vips::VImage::new_from_memory(src.data(), src.byteSize(), ws, hs, 3, VIPS_FORMAT_UCHAR);
            img = img.copy();
            img.set("orientation", o);
            img.jpegsave(path.c_str(), vips::VImage::option()->set("Q", 95));
        }
        // The expected picture: what the library itself shows upright.
        vips::VImage upright = vips::VImage::new_from_file(path.c_str()).autorot();
        const int uw = upright.width(), uh = upright.height();
        Canvas c;
        DrawParams p;
        p.sizeMode = kSizeOriginal;
        ASSERT_TRUE(DrawPicFile(c, path, p).ok()) << o;
        ASSERT_EQ(c.width(), uw) << o;
        ASSERT_EQ(c.height(), uh) << o;
        // A reduced, cropped drawing (the left or top square) sees the same corners.
        Canvas small;
        DrawParams q = Custom(40, 40);
        q.xCutMode = kAnchorStart;
        q.yCutMode = kAnchorStart;
        ASSERT_TRUE(DrawPicFile(small, path, q).ok()) << o;
        for (auto [fx, fy] : {std::pair{0.1, 0.1}, {0.9, 0.1}, {0.1, 0.9}, {0.9, 0.9}}) {
            const int x = int(fx * uw), y = int(fy * uh);
            std::vector<double> ref = upright.getpoint(x, y);
            const Rgb expect{uint8_t(ref[0]), uint8_t(ref[1]), uint8_t(ref[2])};
            EXPECT_TRUE(Near(c.pixel(x, y), expect)) << "orientation " << o << " at " << x << "," << y;
        }
        const int side = std::min(uw, uh);
        std::vector<double> ref = upright.getpoint(int(0.1 * side), int(0.9 * side));
        EXPECT_TRUE(Near(small.pixel(4, 36), {uint8_t(ref[0]), uint8_t(ref[1]), uint8_t(ref[2])}, 20))
            << "orientation " << o;
    }
}

TEST(Render, EverySourceKindBecomesRgb) {
    TempDir t;
    vips::VImage ramp = vips::VImage::black(64, 64) + 100;  // one band, value 100
    ramp.cast(VIPS_FORMAT_UCHAR).pngsave(t.file("grey.png").c_str());
    (vips::VImage::black(64, 64, vips::VImage::option()->set("bands", 3)) + 32768)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16))
        .pngsave(t.file("deep.png").c_str());
    vips::VImage rgb = vips::VImage::black(64, 64, vips::VImage::option()->set("bands", 3)) + std::vector<double>{200, 40, 40};
    rgb.cast(VIPS_FORMAT_UCHAR).pngsave(t.file("palette.png").c_str(), vips::VImage::option()->set("palette", true));
    // Red at half opacity, and a fully transparent picture.
    vips::VImage rgba = rgb.bandjoin(vips::VImage::black(64, 64) + 128).cast(VIPS_FORMAT_UCHAR);
    rgba.pngsave(t.file("alpha.png").c_str());
    rgb.bandjoin(vips::VImage::black(64, 64)).cast(VIPS_FORMAT_UCHAR).pngsave(t.file("clear.png").c_str());
    rgb.cast(VIPS_FORMAT_UCHAR).icc_transform("cmyk").jpegsave(t.file("cmyk.jpg").c_str());
    rgb.cast(VIPS_FORMAT_UCHAR).gifsave(t.file("anim.gif").c_str());
    rgb.cast(VIPS_FORMAT_UCHAR).tiffsave(t.file("lzw.tif").c_str(), vips::VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW));
    WriteSolid(t.file("win.bmp"), 64, 64, {200, 40, 40});

    struct Case {
        const char* name;
        Rgb expect;
        int tol;
    } cases[] = {
        {"grey.png", {100, 100, 100}, 2},   {"deep.png", {128, 128, 128}, 2},
        {"palette.png", {200, 40, 40}, 8},  {"alpha.png", {220, 140, 140}, 4},
        {"clear.png", kCanvasBackground, 0}, {"cmyk.jpg", {200, 40, 40}, 30},
        {"anim.gif", {200, 40, 40}, 8},     {"lzw.tif", {200, 40, 40}, 0},
        {"win.bmp", {200, 40, 40}, 0},
    };
    for (const Case& k : cases) {
        Canvas c;
        DrawParams p;
        p.width = 32;
        DrawOutcome out = DrawPicFile(c, t.file(k.name), p);
        ASSERT_TRUE(out.ok()) << k.name << ": " << out.errorText;
        ASSERT_EQ(c.width(), 32) << k.name;
        EXPECT_TRUE(Near(c.pixel(16, 16), k.expect, k.tol))
            << k.name << " gives " << int(c.pixel(16, 16).r) << "," << int(c.pixel(16, 16).g) << ","
            << int(c.pixel(16, 16).b);
    }
}

TEST(Render, FailuresLeaveNoCanvasAndSayWhy) {
    TempDir t;
    Canvas c(10, 10);
    DrawOutcome o = DrawPicFile(c, t.file("missing.jpg"), DrawParams{});
    EXPECT_EQ(o.status, DrawOutcome::DrawFailed);
    EXPECT_EQ(o.errorNumber, 53);
    EXPECT_TRUE(c.empty());

    t.mkdir("dir.jpg");
    EXPECT_EQ(DrawPicFile(c, t.file("dir.jpg"), DrawParams{}).errorNumber, 75);

    WritePngHeaderOnly(t.file("huge.png"), 100000, 100000);
    o = DrawPicFile(c, t.file("huge.png"), DrawParams{});
    EXPECT_EQ(o.status, DrawOutcome::DrawFailed);
    EXPECT_EQ(o.errorNumber, 7);

    // A canvas beyond the limit is refused too, before any memory is taken.
    WriteSolid(t.file("small.png"), 10, 10, {0, 0, 0});
    o = DrawPicFile(c, t.file("small.png"), Custom(100000, 100000));
    EXPECT_EQ(o.status, DrawOutcome::DrawFailed);
    EXPECT_EQ(o.errorNumber, 7);

    // A zero-size target draws nothing and is no failure of the drawing.
    EXPECT_EQ(DrawPicFile(c, t.file("small.png"), Custom(0, 10)).status, DrawOutcome::NoCanvas);
    EXPECT_TRUE(c.empty());
}

TEST(Render, PictureSizeIsUpright) {
    TempDir t;
    WriteSolid(t.file("a.jpg"), 30, 20, {1, 2, 3});
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPictureSize(t.file("a.jpg"), w, h));
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    EXPECT_FALSE(ReadPictureSize(t.file("none.jpg"), w, h));
}

// The library starts with the HEIF and ImageMagick readers only: the other optional readers (PDF,
// slides, JPEG XL) are neither loaded nor reachable, and the program's environment is as it was.
TEST(Render, ImageLibraryLoadsOnlyTheReadersTaken) {
    ASSERT_TRUE(EnsureImageIO());
    ASSERT_TRUE(LoadMoreLoaders());  // what a HEIC or a BMP makes the program load
    EXPECT_TRUE(MoreLoadersLoaded());
    EXPECT_NE(vips_type_find("VipsForeignLoad", "heifload"), 0u);
    EXPECT_NE(vips_type_find("VipsForeignLoad", "magickload"), 0u);
    for (const char* absent : {"pdfload", "jxlload", "openslideload"})
        EXPECT_EQ(vips_type_find("VipsForeignLoad", absent), 0u) << absent;
    EXPECT_EQ(std::getenv("VIPSHOME"), nullptr);
}

// A file rewritten at the same path with another format is read as what it is now, at once: the
// remembered loader of a file holds only while the file stays the same.
TEST(Render, FileRewrittenAsAnotherFormatIsReadAsItIsNow) {
    TempDir t;
    const std::string path = t.file("pic.jpg");
    WriteSolid(path, 30, 20, {200, 0, 0});
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPictureSize(path, w, h));
    WriteSolid(t.file("other.png"), 12, 34, {0, 0, 200}, "");
    std::filesystem::copy_file(t.file("other.png"), path, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(ReadPictureSize(path, w, h));
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 34);
    Canvas c;
    ASSERT_EQ(DrawPicFile(c, path, Custom(12, 34)).status, DrawOutcome::Drawn);
    EXPECT_GT(c.pixel(5, 5).b, 150);
    WriteBytes(path, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    EXPECT_EQ(DrawPicFile(c, path, Custom(12, 34)).status, DrawOutcome::DrawFailed);
}

// A photo reduced to a width limit (its rows by the program's own filter) is the picture the
// library's Lanczos reduce of the same decode gives, to within rounding (measured: a mean
// difference of 0.13 and at most 1 in a channel).
TEST(Render, ReducedPhotoMatchesTheLibraryReduce) {
    TempDir t;
    const std::string path = t.file("photo.jpg");
    {
        // Gradients, stripes and noise: fine detail where the filters could differ.
        vips::VImage xy = vips::VImage::xyz(1600, 1000);
        vips::VImage x = xy[0], y = xy[1];
        vips::VImage r = (x * 255 / 1600), g = ((x + y) % 37) * 6, b = ((x * y) % 251);
        vips::VImage noise = vips::VImage::gaussnoise(1600, 1000, vips::VImage::option()->set("sigma", 20.0));
        vips::VImage rgb = (r.bandjoin(g).bandjoin(b) + noise).cast(VIPS_FORMAT_UCHAR);
        rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)).jpegsave(path.c_str());
    }
    DrawParams p;
    p.sizeMode = kSizeWidthLimit;
    p.width = 640;
    Canvas c;
    ASSERT_EQ(DrawPicFile(c, path, p).status, DrawOutcome::Drawn);
    ASSERT_EQ(c.width(), 640);
    ASSERT_EQ(c.height(), 400);
    // The same decode (at half scale), reduced by the library in both directions.
    vips::VImage ref = vips::VImage::jpegload(path.c_str(), vips::VImage::option()->set("shrink", 2))
                     .resize(640.0 / 800, vips::VImage::option()->set("vscale", 400.0 / 500)->set("kernel", VIPS_KERNEL_LANCZOS3));
    ASSERT_EQ(ref.width(), 640);
    ASSERT_EQ(ref.height(), 400);
    size_t n = 0;
    auto* px = static_cast<uint8_t*>(ref.write_to_memory(&n));
    ASSERT_EQ(n, size_t(640) * 400 * 3);
    double sum = 0;
    int worst = 0;
    for (int yy = 0; yy < 400; ++yy)
        for (int xx = 0; xx < 640; ++xx) {
            const Rgb a = c.pixel(xx, yy);
            const uint8_t* q = px + (size_t(yy) * 640 + xx) * 3;
            for (int k = 0; k < 3; ++k) {
                const int d = std::abs(int((&a.r)[k]) - int(q[k]));
                sum += d;
                worst = std::max(worst, d);
            }
        }
    g_free(px);
    EXPECT_LT(sum / (640.0 * 400 * 3), 0.3);
    EXPECT_LE(worst, 2);
}

// Every stored orientation lands exactly where the library's own upright view has it: at the
// picture's own size, and fitted into a wider canvas at the same scale (so offset by the margin).
TEST(Render, TurnedPicturesLandPixelForPixel) {
    TempDir t;
    const int ws = 333, hs = 210;  // odd sizes: no symmetry hides a mistake
    for (int o = 1; o <= 8; ++o) {
        const std::string path = t.file("t" + std::to_string(o) + ".jpg");
        {
            Canvas src(ws, hs);
            for (int y = 0; y < hs; ++y)
                for (int x = 0; x < ws; ++x) src.setPixel(x, y, {uint8_t(x * 255 / ws), uint8_t(y * 255 / hs), uint8_t((x * y) % 256)});
            vips::VImage img = vips::VImage::new_from_memory(src.data(), src.byteSize(), ws, hs, 3, VIPS_FORMAT_UCHAR).copy();
            img.set("orientation", o);
            img.jpegsave(path.c_str(), vips::VImage::option()->set("Q", 95));
        }
        vips::VImage upright = vips::VImage::new_from_file(path.c_str()).autorot();
        const int uw = upright.width(), uh = upright.height();
        size_t n = 0;
        auto* ref = static_cast<uint8_t*>(upright.write_to_memory(&n));
        auto same = [&](const Canvas& c, int ox, int oy) {
            int wrong = 0;
            for (int y = 0; y < uh; ++y)
                for (int x = 0; x < uw; ++x) {
                    const Rgb a = c.pixel(x + ox, y + oy);
                    const uint8_t* r = ref + (size_t(y) * uw + x) * 3;
                    wrong += a.r != r[0] || a.g != r[1] || a.b != r[2];
                }
            return wrong;
        };
        Canvas c;
        DrawParams p;
        p.sizeMode = kSizeOriginal;
        ASSERT_TRUE(DrawPicFile(c, path, p).ok()) << o;
        ASSERT_EQ(c.width(), uw) << o;
        EXPECT_EQ(same(c, 0, 0), 0) << "orientation " << o;
        // Fitted into a canvas 100 pixels wider: same scale, 50 pixels of margin on the left.
        Canvas fitted;
        ASSERT_TRUE(DrawPicFile(fitted, path, Custom(float(uw + 100), float(uh), 0)).ok()) << o;
        ASSERT_EQ(fitted.width(), uw + 100) << o;
        EXPECT_EQ(same(fitted, 50, 0), 0) << "orientation " << o << " fitted";
        EXPECT_EQ(fitted.pixel(10, uh / 2), kCanvasBackground) << o;
        g_free(ref);
    }
}
