// Hostile and odd files: pictures that declare more than they hold, content that is not what its
// name says, sizes that round to nothing, offsets far off the canvas, a full disk.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "batch/batchrun.h"
#include "imageio/render.h"
#include "imageio/testimages.h"
#include "raster/effects.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// Collects every finished picture's result.
class Results final : public BatchObserver {
public:
    void pictureFinished(const PictureResult& r, size_t, size_t) override { all.push_back(r); }
    std::vector<PictureResult> all;
};

BatchOptions Options(const std::string& outDir, const std::string& format = "jpg") {
    BatchOptions o;
    o.render.widthText = "500";
    o.format = format;
    o.naming.outDir = outDir;
    o.quality = 85;
    o.customIndex = 4;
    return o;
}

// A small JPEG whose frame header declares w x h.
void WriteJpegBomb(const std::string& path, uint16_t w, uint16_t h) {
    WriteSolid(path, 16, 16, {128, 128, 128});
    std::vector<uint8_t> b = ReadBytes(path);
    for (size_t i = 0; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = uint8_t(h >> 8);
            b[i + 6] = uint8_t(h);
            b[i + 7] = uint8_t(w >> 8);
            b[i + 8] = uint8_t(w);
            break;
        }
    WriteBytes(path, b);
}

}  // namespace

TEST(Hostile, DecompressionBombRefusedWhileCameraPhotosWork) {
    TempDir t;
    const std::string bomb = t.file("bomb.jpg"), photo = t.file("photo.jpg");
    WriteJpegBomb(bomb, 30000, 30000);
    ASSERT_LT(ReadBytes(bomb).size(), 8000u);
    WritePicture(photo, 6000, 4000, [](int x, int y) { return Rgb{uint8_t(x / 24), uint8_t(y / 16), uint8_t((x ^ y) & 255)}; });

    struct Mode {
        int sizeMode;
        const char* w;
        const char* h;
        int16_t crop;
        int turn;
        int expectW, expectH;
    } modes[] = {
        {kSizeWidthLimit, "500", "0", 1, kTurnNone, 500, 333},
        {kSizeOriginal, "0", "0", 1, kTurnNone, 6000, 4000},
        {kSizeFirstPreset, "1024", "768", 1, kTurnNone, 1024, 768},
        {4, "800", "800", 1, kTurnNone, 800, 800},
        {4, "800", "800", 0, kTurnClockwise, 800, 800},
        {kSizeOriginal, "0", "0", 1, kTurnCounterClockwise, 4000, 6000},
    };
    int n = 0;
    for (const Mode& m : modes) {
        SCOPED_TRACE(n);
        BatchOptions o = Options(t.mkdir("o" + std::to_string(n++)));
        o.render.sizeMode = m.sizeMode;
        o.render.widthText = m.w;
        o.render.heightText = m.h;
        o.render.cropToFill = m.crop;
        o.render.turn = m.turn;
        o.jobs = 2;
        BatchRunner r;
        Results seen;
        const Completion c = r.run({photo, bomb}, o, &seen);
        ASSERT_EQ(seen.all.size(), 2u);
        EXPECT_TRUE(seen.all[0].written) << seen.all[0].failureLine;
        const Canvas got = ReadCanvas(o.naming.outDir + "/photo.jpg");
        EXPECT_EQ(got.width(), m.expectW);
        EXPECT_EQ(got.height(), m.expectH);
        if (m.sizeMode == kSizeOriginal) {
            // At its own size the bomb would need gigabytes: refused before anything is decoded.
            EXPECT_FALSE(seen.all[1].written);
            EXPECT_NE(seen.all[1].failureLine.find(bomb + "在显示图片时发生错误:(7)处理该图片需要约"), std::string::npos)
                << seen.all[1].failureLine;
            EXPECT_NE(c.errorText.find("超过上限"), std::string::npos);
        }
    }
    DrawParams original;
    original.sizeMode = kSizeOriginal;
    EXPECT_GT(DrawMemoryNeeded(bomb, original), DrawMemoryBudget());
    EXPECT_LT(DrawMemoryNeeded(photo, original), DrawMemoryBudget());
    DrawParams small;
    small.width = 500;
    EXPECT_LT(DrawMemoryNeeded(photo, small), DrawAloneAbove());  // decoded at an eighth
}

TEST(Hostile, ProgressiveJpegsCountTheCoefficientsTheyHoldWhole) {
    TempDir t;
    const PixelFn f = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)}; };
    WritePicture(t.file("baseline.jpg"), 1600, 1200, f, "[Q=80,subsample_mode=on]");
    WritePicture(t.file("progressive.jpg"), 1600, 1200, f, "[Q=80,subsample_mode=on,interlace]");
    DrawParams small;
    small.width = 100;  // decoded at an eighth either way
    // Two bytes a coefficient: the brightness plane's 1600 x 1200 and two colour planes a quarter of that.
    const uint64_t coefficients = uint64_t(2 * 1600 * 1200 * 1.5);
    EXPECT_EQ(DrawMemoryNeeded(t.file("progressive.jpg"), small) - DrawMemoryNeeded(t.file("baseline.jpg"), small),
              coefficients);
}

TEST(Hostile, OnlyBitmapsThroughTheImageMagickLoader) {
    TempDir t;
    const std::string xpm =
        "/* XPM */\nstatic char *x[] = {\n\"4 4 2 1\",\n\"a c #FF0000\",\n\"b c #0000FF\",\n"
        "\"abab\",\n\"baba\",\n\"abab\",\n\"baba\"};\n";
    std::vector<std::string> list;
    for (const char* name : {"x.jpg", "x.png", "x.gif", "x.tiff"}) {
        list.push_back(t.file(name));
        WriteBytes(list.back(), std::vector<uint8_t>(xpm.begin(), xpm.end()));
    }
    list.push_back(t.file("real.bmp"));
    WriteSolid(list.back(), 30, 20, {0, 200, 0});
    BatchOptions o = Options(t.mkdir("out"), "png");
    o.render.widthText = "10";
    BatchRunner r;
    Results seen;
    r.run(list, o, &seen);
    ASSERT_EQ(seen.all.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FALSE(seen.all[i].written) << list[i];
        EXPECT_NE(seen.all[i].failureLine.find("文件内容不是"), std::string::npos) << seen.all[i].failureLine;
    }
    EXPECT_TRUE(seen.all[4].written) << seen.all[4].failureLine;
    int w, h;
    EXPECT_FALSE(ReadPictureSize(list[0], w, h));
}

TEST(Hostile, StripsKeepAPixelAndFarOffsetsDrawOnlyTheCanvas) {
    TempDir t;
    const std::string strip = t.file("strip.png");
    WriteSolid(strip, 20000, 1, {200, 10, 10});
    BatchOptions o = Options(t.mkdir("strip"), "png");
    BatchRunner r;
    ASSERT_EQ(r.run({strip}, o).written, 1u);
    const Canvas s = ReadCanvas(o.naming.outDir + "/strip.png");
    EXPECT_EQ(s.width(), 500);
    EXPECT_EQ(s.height(), 1);
    EXPECT_GT(s.pixel(250, 0).r, 150);

    // A turned photo fitted with an offset of -200000: only the rows that reach the canvas are
    // drawn (the picture is stretched so far that the canvas shows the middle of the source).
    const std::string photo = t.file("p.png");
    WritePicture(photo, 400, 300, [](int, int y) { return y < 150 ? Rgb{250, 0, 0} : Rgb{0, 0, 250}; });
    Canvas c;
    RenderSettings rs;
    rs.sizeMode = 4;
    rs.widthText = "300";
    rs.heightText = "200";
    rs.cropToFill = 0;
    rs.turn = kTurnClockwise;
    rs.offsetY = -200000;
    ASSERT_TRUE(RenderPicture(c, photo, rs).ok());
    EXPECT_EQ(c.width() * c.height(), 300 * 200);
    rs.turn = kTurnNone;
    ASSERT_TRUE(RenderPicture(c, photo, rs).ok());
    EXPECT_EQ(c.width(), 300);
    EXPECT_EQ(c.height(), 200);
    // Drawn 400200 px tall from y -200000: row 0 of the canvas shows source row ~150.
    const Rgb mid = c.pixel(150, 100);
    EXPECT_TRUE(mid.r > 100 || mid.b > 100);

    // Gains that are not numbers never reach the byte conversion.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    rs.offsetY = 0;
    rs.colors = ColorMatrix::Gains(nan, inf, 1);
    ASSERT_TRUE(RenderPicture(c, photo, rs).ok());
    EXPECT_EQ(c.pixel(150, 150).r, 0);
    EXPECT_EQ(c.pixel(150, 150).g, 0);
}

// Needs a small tmpfs: where the test may not mount one, it says so and is skipped.
TEST(Hostile, FullDiskSaysSoForEveryFormat) {
    TempDir t;
    const std::string disk = t.mkdir("disk");
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=200k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount rights); the disk-full case is not run";
    const std::string src = t.file("noise.png");
    WritePicture(src, 700, 700, [](int x, int y) {
        const uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
        return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
    });
    for (const char* format : {"jpg", "png", "tiff", "bmp", "gif"}) {
        BatchOptions o = Options(disk, format);
        o.render.sizeMode = kSizeOriginal;
        o.quality = 100;
        BatchRunner r;
        Results seen;
        r.run({src}, o, &seen);
        ASSERT_EQ(seen.all.size(), 1u);
        EXPECT_FALSE(seen.all[0].written) << format;
        EXPECT_NE(seen.all[0].failureLine.find("磁盘空间不足"), std::string::npos) << format << ": " << seen.all[0].failureLine;
        EXPECT_TRUE(ListFolder(disk).empty()) << format;  // no partial result, no temporary file
    }
    ::umount(disk.c_str());
}
