#include <gtest/gtest.h>

#include <vips/vips8>

#include <filesystem>

#include <unistd.h>

#include "batch/batchrun.h"
#include "imageio/testimages.h"
#include "raster/effects.h"

using namespace tavu;
using namespace tavu::test;

namespace {

BatchOptions Options(const std::string& outDir, const std::string& format = "jpg") {
    BatchOptions o;
    o.render.widthText = "64";
    o.format = format;
    o.naming.outDir = outDir;
    o.quality = 85;
    return o;
}

class StopAfterFirst final : public BatchObserver {
public:
    explicit StopAfterFirst(BatchRunner& r) : runner_(r) {}
    void pictureStarted(size_t, const std::string& tip) override { tips.push_back(tip); }
    void pictureFinished(const PictureResult&, size_t done, size_t) override {
        progress.push_back(done);
        if (done == 1) runner_.requestStop();
    }
    std::vector<std::string> tips;
    std::vector<size_t> progress;

private:
    BatchRunner& runner_;
};

}  // namespace

TEST(BatchValidation, MessagesInOrder) {
    BatchOptions o;
    o.customIndex = 4;
    Validation v = ValidateRun(0, o);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.message, "没有添加要处理的图片！");
    EXPECT_TRUE(v.addPictures);

    o.render.sizeMode = 4;
    o.render.widthText = "0";
    o.render.heightText = "300";
    v = ValidateRun(3, o);
    EXPECT_EQ(v.message, "图片尺寸不能为0！");
    EXPECT_TRUE(v.focusWidth);
    o.render.widthText = "00";  // a string comparison: only "0" itself is refused
    EXPECT_TRUE(ValidateRun(3, o).ok);
    o.render.widthText = "400";
    o.render.heightText = "0";
    EXPECT_FALSE(ValidateRun(3, o).ok);
    o.render.sizeMode = kSizeWidthLimit;  // the width limit never checks the height
    EXPECT_TRUE(ValidateRun(3, o).ok);

    o.sizeTarget = {60, 50};
    EXPECT_EQ(ValidateRun(3, o).message, "文件大小的最小值不能大于最大值！");
    o.sizeTarget = {};

    EXPECT_FALSE(ValidateRun(100, o).askMinimise);
    EXPECT_TRUE(ValidateRun(101, o).askMinimise);
}

TEST(BatchRun, RenamedResultsInListOrder) {
    TempDir t;
    std::vector<std::string> list;
    for (int i = 0; i < 3; ++i) {
        list.push_back(t.file("src" + std::to_string(i) + ".png"));
        WriteSolid(list.back(), 128, 96, {uint8_t(i * 80), 0, 0});
    }
    const std::string out = t.mkdir("out");
    BatchOptions o = Options(out);
    o.naming.rename = true;
    BatchRunner r;
    Completion c = r.run(list, o);
    EXPECT_EQ(c.written, 3u);
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"Tavu_0000.jpg", "Tavu_0001.jpg", "Tavu_0002.jpg"}));
    Canvas last = ReadCanvas(out + "/Tavu_0002.jpg");
    EXPECT_EQ(last.width(), 64);
    EXPECT_EQ(last.height(), 48);
    EXPECT_NEAR(last.pixel(30, 20).r, 160, 4);
    EXPECT_EQ(c.resultTip, "【提示】处理完毕！图片已保存到输出文件夹。");
    EXPECT_TRUE(c.openOutputFolder);
}

TEST(BatchRun, KeepSourceFormatPicksTheWriterPerPicture) {
    TempDir t;
    const std::string src = t.mkdir("src");
    std::vector<std::string> list;
    for (const char* n : {"a.JPG", "b.gif", "c.tiff", "d.bmp", "e.jpeg", "f.tif", "g.BMP", "h.png"}) {
        list.push_back(src + "/" + n);
        const std::string name = n;
        // Write each in its real format (the library picks by the lower-case suffix).
        std::string lower = name;
        for (char& ch : lower) ch = char(std::tolower(ch));
        if (lower.ends_with(".bmp")) {
            WriteSolid(list.back(), 80, 60, {10, 200, 10});
        } else {
            const std::string tmp = src + "/tmp_" + lower;
            WriteSolid(tmp, 80, 60, {10, 200, 10});
            std::filesystem::rename(tmp, list.back());
        }
    }
    const std::string out = t.mkdir("out");
    BatchRunner r;
    Completion c = r.run(list, Options(out, "原格式"));
    EXPECT_EQ(c.written, list.size()) << c.errorText;
    const std::pair<const char*, const char*> expect[] = {
        {"a.JPG", "VipsForeignLoadJpegFile"}, {"b.gif", "VipsForeignLoadNsgifFile"},   {"c.tiff", "VipsForeignLoadTiffFile"}, {"d.bmp", "VipsForeignLoadMagickFile"},
        {"e.jpeg", "VipsForeignLoadJpegFile"}, {"f.tif", "VipsForeignLoadTiffFile"}, {"g.BMP", "VipsForeignLoadMagickFile"}, {"h.png", "VipsForeignLoadPngFile"}};
    for (auto [name, loader] : expect) EXPECT_EQ(LoaderOf(out + "/" + name), loader) << name;
}

TEST(BatchRun, ErrorTextHeaderOnlyInTheFirstRun) {
    TempDir t;
    const std::string out = t.mkdir("out");
    const std::vector<std::string> list = {t.file("gone.jpg")};
    BatchOptions o = Options(out);
    o.saveErrorLog = 1;
    BatchRunner r;
    const std::string line = t.file("gone.jpg") + "在显示图片时发生错误:(53)文件未找到。";

    Completion c = r.run(list, o);
    EXPECT_TRUE(c.errorLogWritten);
    const std::vector<uint8_t> first = ReadBytes(out + "/ErrorLog.txt");
    EXPECT_EQ(std::string(first.begin(), first.end()),
              "在本次操作过程中产生下列错误,敬请检查相关图片:\r\n" + line + "\r\n\r\n");
    EXPECT_EQ(c.errorLogQuestion, "在处理过程中发生错误,这些错误已经保存到" + out + "/ErrorLog.txt。\r\n现在查看错误记录吗？");
    EXPECT_EQ(c.resultTip, "请注意,在图片处理或上传过程中发生错误。【提示】处理完毕！图片已保存到输出文件夹。");
    EXPECT_EQ(r.errorLog().text(), "");
    EXPECT_FALSE(r.errorLog().flag());

    c = r.run(list, o);
    const std::vector<uint8_t> second = ReadBytes(out + "/ErrorLog.txt");
    EXPECT_EQ(std::string(second.begin(), second.end()), line + "\r\n\r\n");

    // Without the error-log switch: no file, no question, but the tip still names the failure.
    TempDir t2;
    o.naming.outDir = t2.path();
    o.saveErrorLog = 0;
    c = r.run(list, o);
    EXPECT_FALSE(c.errorLogWritten);
    EXPECT_TRUE(c.errorLogQuestion.empty());
    EXPECT_EQ(c.resultTip, "请注意,有1张图片处理失败。【提示】处理完毕！图片已保存到输出文件夹。");
    EXPECT_EQ(c.errorText, line + "\r\n");
    EXPECT_TRUE(ListFolder(t2.path()).empty());
}

TEST(BatchRun, StopLetsThePictureUnderWayFinish) {
    TempDir t;
    std::vector<std::string> list;
    for (int i = 0; i < 5; ++i) {
        list.push_back(t.file("p" + std::to_string(i) + ".png"));
        WriteSolid(list.back(), 40, 40, {1, 2, 3});
    }
    const std::string out = t.mkdir("out");
    BatchOptions o = Options(out);
    o.jobs = 1;
    BatchRunner r;
    StopAfterFirst obs(r);
    Completion c = r.run(list, o, &obs);
    EXPECT_TRUE(c.stopped);
    EXPECT_GE(c.written, 1u);
    EXPECT_LT(c.written, 5u);
    EXPECT_EQ(ListFolder(out).size(), c.written);
    EXPECT_EQ(obs.tips.front(), "【提示】正在处理 " + list[0]);
    // A stopped run says it stopped, with what was saved and what was not taken up, and does not
    // open the output folder as if it had finished.
    EXPECT_EQ(c.resultTip, "【提示】已停止。已保存" + std::to_string(c.written) + "张图片,未处理" +
                               std::to_string(5 - c.finished) + "张。");
    EXPECT_FALSE(c.openOutputFolder);
    // The next run starts afresh.
    EXPECT_EQ(r.run(list, o).written, 5u);
}

TEST(BatchRun, ParallelRunMatchesOneAtATime) {
    TempDir t;
    const std::string a = t.mkdir("a"), b = t.mkdir("b");
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) {
        list.push_back(a + "/p" + std::to_string(i) + ".jpg");
        WritePicture(list.back(), 300 + 10 * i, 200, [i](int x, int y) { return Rgb{uint8_t(x + i), uint8_t(y), uint8_t(x ^ y)}; });
    }
    list.insert(list.begin() + 3, a + "/missing.jpg");
    WriteBytes(a + "/bad.png", {1, 2, 3, 4});
    list.insert(list.begin() + 6, a + "/bad.png");
    // Same base name in another folder: the later one in the list gets a numbered name.
    list.push_back(b + "/p0.jpg");
    WriteSolid(list.back(), 300, 200, {0, 0, 255});

    auto runWith = [&](int jobs, const std::string& out) {
        BatchOptions o = Options(out);
        o.jobs = jobs;
        BatchRunner r;
        return r.run(list, o).errorText;
    };
    const std::string out1 = t.mkdir("out1"), out4 = t.mkdir("out4");
    const std::string e1 = runWith(1, out1), e4 = runWith(4, out4);
    EXPECT_EQ(e1, e4);
    EXPECT_NE(e1.find("missing.jpg在显示图片时发生错误:(53)"), std::string::npos);
    EXPECT_LT(e1.find("missing.jpg"), e1.find("bad.png"));
    ASSERT_EQ(ListFolder(out1), ListFolder(out4));
    EXPECT_EQ(ListFolder(out1).size(), 11u);
    for (const std::string& f : ListFolder(out1)) EXPECT_EQ(ReadBytes(out1 + "/" + f), ReadBytes(out4 + "/" + f)) << f;
    EXPECT_GT(ReadCanvas(out4 + "/p0 (1).jpg").pixel(10, 10).b, 200);
}

TEST(BatchRun, NeverReplacesAListedSource) {
    TempDir t;
    const std::string src = t.file("a.jpg");
    WriteSolid(src, 100, 80, {50, 60, 70});
    const std::vector<uint8_t> before = ReadBytes(src);
    BatchOptions o = Options(t.path(), "原格式");  // same folder, same name, same format
    o.existing = ExistingPolicy::Overwrite;
    BatchRunner r;
    Completion c = r.run({src}, o);
    EXPECT_EQ(c.written, 1u);
    EXPECT_EQ(ReadBytes(src), before);
    // Through another spelling of the folder too.
    o.naming.outDir = t.path() + "/.";
    EXPECT_EQ(r.run({src}, o).written, 1u);
    EXPECT_EQ(ReadBytes(src), before);
    EXPECT_EQ(ListFolder(t.path()), (std::vector<std::string>{"a (1).jpg", "a (2).jpg", "a.jpg"}));
    // A result folder reached through a link to the source's folder is still the source's folder.
    const std::string link = t.file("link");
    ASSERT_EQ(::symlink(t.path().c_str(), link.c_str()), 0);
    o.naming.outDir = link;
    EXPECT_EQ(r.run({src}, o).written, 1u);
    EXPECT_EQ(ReadBytes(src), before);
}

TEST(BatchRun, BitmapWriterFailuresAreSilentOthersAreLogged) {
    TempDir t;
    const std::string src = t.file("a.png");
    WriteSolid(src, 50, 50, {1, 1, 1});
    WriteSolid(t.file("b.png"), 50, 50, {1, 1, 1});
    WriteBytes(t.file("notafolder"), {0});
    BatchOptions o = Options(t.file("notafolder"), "bmp");
    BatchRunner r;
    Completion c = r.run({src, t.file("b.png")}, o);
    EXPECT_EQ(c.written, 0u);
    EXPECT_EQ(c.failed, 2u);
    EXPECT_FALSE(r.errorLog().flag());
    EXPECT_EQ(c.errorText.find("在保存时"), std::string::npos);

    o.format = "jpg";
    c = r.run({src}, o);
    EXPECT_EQ(c.errorText, src + "在保存时发生错误:输出路径不是文件夹.\r\n");
}

TEST(BatchRun, SizeTextThatIsNotANumberFailsTheSave) {
    TempDir t;
    WriteSolid(t.file("a.png"), 50, 50, {1, 1, 1});
    BatchOptions o = Options(t.mkdir("out"));
    o.render.widthText = "abc";
    BatchRunner r;
    Completion c = r.run({t.file("a.png")}, o);
    EXPECT_EQ(c.written, 0u);
    EXPECT_NE(c.errorText.find(t.file("a.png") + "在保存时发生错误:"), std::string::npos);
}

TEST(BatchRun, TurnAndEffectReachTheResults) {
    TempDir t;
    const std::string src = t.file("p.png");
    WritePicture(src, 120, 90, [](int x, int y) { return Rgb{uint8_t(2 * x), uint8_t(y), uint8_t(x ^ y)}; });
    BatchOptions o = Options(t.mkdir("plain"), "png");
    o.render.widthText = "61";  // an odd width: rows of the bitmap carry padding
    BatchRunner r;
    ASSERT_EQ(r.run({src}, o).written, 1u);
    const struct {
        int turn, effect, brightness;
    } cases[] = {{kTurnClockwise, 2, 0}, {kTurnHalf, 8, 0}, {kTurnMirrorVerticalAxis, kEffectBrightness, -40}, {kTurnNone, 0, 0}};
    int n = 0;
    for (const auto& k : cases) {
        BatchOptions e = o;
        e.naming.outDir = t.mkdir("e" + std::to_string(n++));
        e.render.turn = k.turn;
        e.render.effect = k.effect;
        e.render.brightness = k.brightness;
        ASSERT_EQ(r.run({src}, e).written, 1u);
        // A quarter turn keeps the width limit for the turned result: what it turns is the plain
        // drawing at the width whose height is 61.
        std::string plainDir = o.naming.outDir;
        if (k.turn == kTurnClockwise) {
            BatchOptions q = o;
            q.naming.outDir = plainDir = t.mkdir("q" + std::to_string(n));
            q.render.widthText = "81";
            ASSERT_EQ(r.run({src}, q).written, 1u);
        }
        Canvas expect = ReadCanvas(plainDir + "/p.png");
        ASSERT_TRUE(ApplyTurnAndEffect(expect, k.turn, k.effect, k.brightness));
        Canvas got = ReadCanvas(e.naming.outDir + "/p.png");
        ASSERT_EQ(got.width(), expect.width()) << k.turn;
        ASSERT_EQ(got.height(), expect.height()) << k.turn;
        EXPECT_TRUE(std::equal(got.data(), got.data() + got.byteSize(), expect.data())) << k.turn << "/" << k.effect;
    }
    // The width limit holds for the turned result.
    Canvas turned = ReadCanvas(t.file("e0/p.png"));
    EXPECT_EQ(turned.width(), 61);
    EXPECT_EQ(turned.height(), 81);
}

TEST(BatchRun, AStopAskedForBeforeTheRunStartsIsNotLost) {
    TempDir t;
    const std::string src = t.file("a.png");
    WriteSolid(src, 20, 20, {1, 2, 3});
    const std::string out = t.mkdir("out");
    BatchRunner r;
    r.requestStop();  // pressed while the run's thread was still starting
    Completion c = r.run({src, src}, Options(out));
    EXPECT_TRUE(c.stopped);
    EXPECT_EQ(c.written, 0u);
    EXPECT_TRUE(ListFolder(out).empty());
    EXPECT_EQ(r.run({src}, Options(out)).written, 1u);  // the request ended with that run
}

TEST(BatchRun, EachEntryKeepsItsOwnCropRectangle) {
    TempDir dir;
    // Every pixel tells where it came from, so the result shows exactly which region was used.
    const auto where = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)}; };
    const std::string a = dir.file("a.png"), b = dir.file("b.png"), c = dir.file("c.png");
    for (const std::string& f : {a, b, c}) WritePicture(f, 200, 150, where);
    BatchOptions o = Options(dir.mkdir("out"), "png");
    o.render.sizeMode = kSizeOriginal;
    o.render.widthText = o.render.heightText = "0";
    o.entryCrops = {IntRect{30, 20, 50, 40}, IntRect{}, IntRect{150, 100, 500, 500}};
    BatchRunner runner;
    const Completion done = runner.run({a, b, c}, o);
    ASSERT_EQ(done.written, 3u) << done.errorText;

    const Canvas ra = ReadCanvas(dir.file("out/a.png"));
    ASSERT_EQ(ra.width(), 50);
    ASSERT_EQ(ra.height(), 40);
    for (int y = 0; y < 40; y += 13)
        for (int x = 0; x < 50; x += 7) EXPECT_EQ(ra.pixel(x, y), where(30 + x, 20 + y)) << x << "," << y;
    const Canvas rb = ReadCanvas(dir.file("out/b.png"));  // no rectangle: the whole picture
    EXPECT_EQ(rb.width(), 200);
    EXPECT_EQ(rb.height(), 150);
    const Canvas rc = ReadCanvas(dir.file("out/c.png"));  // clipped to the picture
    ASSERT_EQ(rc.width(), 50);
    ASSERT_EQ(rc.height(), 50);
    EXPECT_EQ(rc.pixel(0, 0), where(150, 100));
    EXPECT_EQ(rc.pixel(49, 49), where(199, 149));
}

TEST(BatchRun, CropComesBeforeSizing) {
    TempDir dir;
    const std::string a = dir.file("a.png");
    WritePicture(a, 400, 300, [](int x, int) { return x < 200 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
    BatchOptions o = Options(dir.mkdir("out"), "png");
    o.render.widthText = "50";  // width limit: the cropped 100x100 comes out 50x50
    o.entryCrops = {IntRect{250, 100, 100, 100}};
    BatchRunner runner;
    ASSERT_EQ(runner.run({a}, o).written, 1u);
    const Canvas r = ReadCanvas(dir.file("out/a.png"));
    EXPECT_EQ(r.width(), 50);
    EXPECT_EQ(r.height(), 50);
    EXPECT_EQ(r.pixel(1, 1).b, 255);  // only the blue half was used
    EXPECT_EQ(r.pixel(48, 48).r, 0);
}
