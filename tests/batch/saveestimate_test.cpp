// The size shown before a run is the size the run then writes, byte for byte.
#include <gtest/gtest.h>

#include "batch/batchrun.h"
#include "batch/saveestimate.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

TEST(SaveEstimate, EqualsTheFileTheRunWritesInEveryFormat) {
    TempDir dir;
    const std::string photo = dir.file("photo.jpg"), flat = dir.file("flat.PNG");
    WritePicture(photo, 640, 480, [](int x, int y) { return Rgb{uint8_t(x * 3), uint8_t(y * 5), uint8_t((x * y) >> 4)}; },
                 "[Q=92]");
    WriteSolid(flat, 64, 48, {30, 160, 90});
    struct Case {
        const char* format;
        int minKB, maxKB;
        bool ownSize = false;  // a JPEG at its own size is re-encoded straight from the source
    };
    const Case cases[] = {{"jpg", 0, 0},      {"png", 0, 0},   {"bmp", 0, 0},          {"tiff", 0, 0},
                          {"gif", 0, 0},      {kKeepFormatChoice, 0, 0}, {"jpg", 10, 20}, {"jpg", 0, 3},
                          {"jpg", 0, 0, true}};
    int n = 0;
    for (const Case& c : cases) {
        BatchOptions o;
        o.render.sizeMode = c.ownSize ? kSizeOriginal : kSizeWidthLimit;
        o.render.widthText = "300";
        o.format = c.format;
        o.quality = c.ownSize ? 95 : 85;  // (at 95 the photo's colour planes are sampled as the result's)
        if (c.maxKB) o.sizeTarget = {c.minKB > 0 ? std::optional<int>(c.minKB) : std::nullopt, c.maxKB};
        o.naming.outDir = dir.mkdir("out" + std::to_string(n++));
        for (const std::string& source : {photo, flat}) {
            Canvas canvas;
            ASSERT_TRUE(RenderPicture(canvas, source, o.render).ok());
            std::vector<uint8_t> bytes;
            const SaveEstimate e = EstimateSave(canvas, source, o.render, o, &bytes);
            ASSERT_TRUE(e.ok) << c.format << " " << e.error;
            const Completion done = BatchRunner().run({source}, o);
            ASSERT_EQ(done.written, 1u) << c.format << done.errorText;
            const std::vector<std::string> files = ListFolder(o.naming.outDir);
            std::string result;
            for (const std::string& f : files)
                if (f.rfind(source == photo ? "photo." : "flat.", 0) == 0) result = o.naming.outDir + "/" + f;
            ASSERT_FALSE(result.empty());
            EXPECT_EQ(ReadBytes(result), bytes) << c.format << " " << source;
            EXPECT_EQ(e.bytes, bytes.size());
            EXPECT_EQ(e.sourceBytes, ReadBytes(source).size());
            EXPECT_EQ(e.width, ReadCanvas(result).width());  // 300 (or smaller where 3 KB needs it), or 640
            EXPECT_EQ(e.size.searched, c.maxKB > 0 && c.format == std::string("jpg"));
        }
    }
}

TEST(SaveEstimate, TextNamesBothSidesAndTheChosenQuality) {
    SaveEstimate e;
    e.ok = true;
    e.sourceWidth = 4000;
    e.sourceHeight = 3000;
    e.sourceBytes = uint64_t(3.8 * 1024 * 1024);
    e.width = 800;
    e.height = 600;
    e.bytes = 142 * 1024;
    EXPECT_EQ(EstimateText(e), "原图 4000×3000 · 3.8 MB → 800×600 · 约 142 KB (−96%)");
    e.size.searched = true;
    e.size.quality = 71;
    EXPECT_EQ(EstimateText(e), "原图 4000×3000 · 3.8 MB → 800×600 · 约 142 KB (−96%) · 质量71");
    e.ok = false;
    e.error = "无法压缩到 3 KB 以内";
    EXPECT_EQ(EstimateText(e), "原图 4000×3000 · 3.8 MB → 无法保存:无法压缩到 3 KB 以内");
}
