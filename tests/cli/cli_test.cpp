#include <gtest/gtest.h>

#include <vips/vips8>

#include <sstream>

#include "cli/cliargs.h"
#include "cli/clirun.h"
#include "imageio/testimages.h"
#include "platform/settings.h"

using namespace tavu;
using namespace tavu::test;

namespace {

struct Cli {
    TempDir dir;
    MemorySettingsStore store;
    CliEnvironment env;
    std::string out, err;

    Cli() {
        env.settings = &store;
        env.programDir = dir.path();
        env.presetsFile = dir.file("size.ini");
        env.defaultOutputDir = dir.file("zp");
        WriteBytes(env.presetsFile, {});
    }
    int run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int code = RunBatchCli(args, env, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
};

}  // namespace

TEST(Cli, BadUsageExitsTwoWithAReason) {
    Cli c;
    WriteSolid(c.dir.file("a.png"), 10, 10, {0, 0, 0});
    const std::string a = c.dir.file("a.png");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--bogus", a}, "未知选项"},
        {{"-q", "101", a}, "质量"},
        {{"-w"}, "需要一个值"},
        {{"-s", "800", a}, "宽x高"},
        {{"-s", "0x300", a}, "图片尺寸不能为0！"},
        {{"--preset", "无此尺寸", a}, "没有名为"},
        {{"-w", "800", "--original", a}, "只能选一个"},
        {{"--anchor", "left", a}, "--anchor"},
        {{"-f", "heic", a}, "不支持的格式"},
        {{"--subsample", "422", a}, "--subsample"},
        {{"--keep-gps", a}, "--keep-exif"},
        {{"--lossless=1", a}, "不带值"},
        {{"--kb", "10-20", "-f", "png", a}, "JPEG 和 WebP"},
        {{}, "没有指定"},
        {{c.dir.file("notes.txt")}, "没有添加要处理的图片！"},
    };
    for (const auto& [args, text] : cases) {
        EXPECT_EQ(c.run(args), 2) << text;
        EXPECT_NE(c.err.find(text), std::string::npos) << c.err;
    }
    EXPECT_EQ(c.run({"--help"}), 0);
    EXPECT_NE(c.out.find("用法"), std::string::npos);
    for (const char* option : {"--keep-exif", "--keep-gps", "--keep-mtime", "--keep-tree", "--progressive", "--subsample"})
        EXPECT_NE(c.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(c.store.values.empty());  // the command line never writes settings
}

TEST(Cli, ExitCodeFailureLinesAndSummary) {
    Cli c;
    const std::string in = c.dir.mkdir("in");
    WriteSolid(in + "/a.png", 100, 50, {9, 9, 9});
    WriteSolid(in + "/b.jpg", 100, 50, {9, 9, 9});
    EXPECT_EQ(c.run({"-w", "40", in}), 0) << c.err;
    EXPECT_NE(c.out.find("写入 2 张"), std::string::npos) << c.out;
    EXPECT_EQ(ListFolder(c.dir.file("zp")), (std::vector<std::string>{"a.png", "b.jpg"}));

    WriteBytes(in + "/c.jpg", {1, 2, 3});
    const std::string out = c.dir.file("custom out");
    EXPECT_EQ(c.run({"-w", "40", "-f", "png", "-o", out, "--error-log", in}), 1);
    EXPECT_NE(c.err.find(in + "/c.jpg在显示图片时发生错误:(481)"), std::string::npos) << c.err;
    EXPECT_NE(c.out.find("失败 1 张"), std::string::npos) << c.out;
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"ErrorLog.txt", "a.png", "b.png"}));
}

TEST(Cli, StoredDefaultsAndFlagsThatOverrideThem) {
    Cli c;
    const std::string src = c.dir.file("p.png");
    WritePicture(src, 300, 200, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x * y)}; });
    c.store.values["iJPGQ"] = "40";
    ASSERT_EQ(c.run({"-f", "jpg", "-o", c.dir.file("stored"), src}), 0);
    ASSERT_EQ(c.run({"-f", "jpg", "-q", "40", "-o", c.dir.file("q40"), src}), 0);
    ASSERT_EQ(c.run({"-f", "jpg", "-q", "95", "-o", c.dir.file("q95"), src}), 0);
    EXPECT_EQ(ReadBytes(c.dir.file("stored/p.jpg")), ReadBytes(c.dir.file("q40/p.jpg")));
    EXPECT_NE(ReadBytes(c.dir.file("stored/p.jpg")), ReadBytes(c.dir.file("q95/p.jpg")));

    // Stored "fit" and anchors; --fit and --anchor as flags.
    c.store.values["bPicJQ"] = "0";
    ASSERT_EQ(c.run({"-s", "100x100", "-f", "png", "-o", c.dir.file("fit"), src}), 0);
    Canvas fit = ReadCanvas(c.dir.file("fit/p.png"));
    EXPECT_EQ(fit.pixel(50, 5), kCanvasBackground);
    c.store.values.erase("bPicJQ");
    ASSERT_EQ(c.run({"-s", "100x100", "--anchor", "right,top", "--gains", "1,0,1", "-f", "png", "-o",
                     c.dir.file("crop"), src}),
              0);
    Canvas crop = ReadCanvas(c.dir.file("crop/p.png"));
    EXPECT_NE(crop.pixel(50, 5), kCanvasBackground);
    EXPECT_EQ(crop.pixel(50, 50).g, 0);
    EXPECT_GT(crop.pixel(50, 50).r, 150);  // the right part of the red ramp
}

TEST(Cli, UnreadableStoredQualityGivesTheDefaultResult) {
    Cli c;
    const std::string src = c.dir.file("p.png");
    WritePicture(src, 500, 300, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)}; });
    ASSERT_EQ(c.run({"-f", "jpg", "-q", "85", "-o", c.dir.file("q85"), src}), 0);
    for (const char* stored : {"abc", "150", ""}) {
        c.store.values["iJPGQ"] = stored;
        const std::string out = c.dir.file(std::string("s") + stored);
        ASSERT_EQ(c.run({"-f", "jpg", "-o", out, src}), 0);
        EXPECT_EQ(ReadBytes(out + "/p.jpg"), ReadBytes(c.dir.file("q85/p.jpg"))) << stored;
    }
    c.store.values.erase("iJPGQ");
    ASSERT_EQ(c.run({"-f", "jpg", "-o", c.dir.file("none"), src}), 0);
    EXPECT_EQ(ReadBytes(c.dir.file("none/p.jpg")), ReadBytes(c.dir.file("q85/p.jpg")));
}

TEST(Cli, PresetsRenameAndFolders) {
    Cli c;
    WriteBytes(c.env.presetsFile, {});
    {
        const std::string text = "壁纸;64;64\r\n一寸;59;83\r\n";
        WriteBytes(c.env.presetsFile, std::vector<uint8_t>(text.begin(), text.end()));
    }
    const std::string in = c.dir.mkdir("in");
    c.dir.mkdir("in/sub");
    c.dir.mkdir("in/.hidden");
    WriteSolid(in + "/a.png", 200, 100, {1, 1, 1});
    WriteSolid(in + "/sub/b.png", 200, 100, {1, 1, 1});
    WriteSolid(in + "/.hidden/c.png", 200, 100, {1, 1, 1});

    ASSERT_EQ(c.run({"--preset", "一寸", "-r", "--rename", "ID_", "--digits", "2", "-f", "bmp", "-o",
                     c.dir.file("o1"), in}),
              0);
    EXPECT_EQ(ListFolder(c.dir.file("o1")), (std::vector<std::string>{"ID_00.bmp", "ID_01.bmp"}));
    Canvas id = ReadCanvas(c.dir.file("o1/ID_01.bmp"));
    EXPECT_EQ(id.width(), 59);
    EXPECT_EQ(id.height(), 83);

    // Without -r the subfolder is not read.
    ASSERT_EQ(c.run({"--preset", "壁纸", "-o", c.dir.file("o2"), in}), 0);
    EXPECT_EQ(ListFolder(c.dir.file("o2")), std::vector<std::string>{"a.png"});
}

TEST(Cli, TurnsAndEffects) {
    Cli c;
    const std::string src = c.dir.file("p.png");
    WritePicture(src, 200, 100, [](int x, int) { return Rgb{uint8_t(x), 40, 200}; });
    ASSERT_EQ(c.run({"-w", "100", "--rotate", "ccw", "--effect", "灰度", "-f", "png", "-o", c.dir.file("a"), src}), 0)
        << c.err;
    Canvas a = ReadCanvas(c.dir.file("a/p.png"));
    EXPECT_EQ(a.width(), 100);  // the width limit is the turned result's
    EXPECT_EQ(a.height(), 200);
    const Rgb px = a.pixel(25, 50);
    EXPECT_TRUE(px.r == px.g && px.g == px.b);
    ASSERT_EQ(c.run({"-w", "100", "--brightness", "-75", "-f", "png", "-o", c.dir.file("b"), src}), 0) << c.err;
    EXPECT_LT(ReadCanvas(c.dir.file("b/p.png")).pixel(50, 25).b, 200);
    for (std::vector<std::string> bad : {std::vector<std::string>{"--rotate", "left", src},
                                         {"--effect", "12", src},
                                         {"--effect", "美白", src},
                                         {"--brightness", "80", src},
                                         {"--effect", "1", "--brightness", "5", src}})
        EXPECT_EQ(c.run(bad), 2) << bad[0] << " " << bad[1];
}

TEST(Cli, BorderAndWatermarkFlagsRefuseBadValues) {
    Cli c;
    const std::string a = c.dir.file("a.png");
    WriteSolid(a, 20, 20, {0, 0, 0});
    WriteSolid(c.dir.file("wm.png"), 10, 10, {255, 0, 0});
    const std::string wm = c.dir.file("wm.png");
    c.dir.mkdir("bk");
    WriteSolid(c.dir.file("bk/木纹.png"), 10, 10, {1, 1, 1});
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--text", "x", "--text-pos", "中间", a}, "--text-pos 应为"},
        {{"--text", "x", "--text-pos", "1.5,0.5", a}, "--text-pos 应为"},
        {{"--watermark", wm, "--watermark-pos", "0.5", a}, "--watermark-pos 应为"},
        {{"--text", "x", "--color", "red", a}, "#RRGGBB"},
        {{"--text", "x", "--color", "#12345", a}, "#RRGGBB"},
        {{"--text", "x", "--font-size", "0", a}, "文字大小"},
        {{"--text", "", a}, "水印文字不能为空"},
        {{"--font", "黑体", a}, "需要与 --text 一起使用"},
        {{"--opacity", "50", a}, "需要与 --watermark 一起使用"},
        {{"--watermark", wm, "--opacity", "101", a}, "不透明度"},
        {{"--watermark", wm, "--watermark-scale", "0", a}, "缩放比例"},
        {{"--watermark", c.dir.file("none.png"), a}, "水印图片文件未找到"},
        {{"--border", "无此边框", a}, "可选: 木纹"},
        {{"--bold=1", "--text", "x", a}, "不带值"},
    };
    for (const auto& [args, text] : cases) {
        EXPECT_EQ(c.run(args), 2) << text;
        EXPECT_NE(c.err.find(text), std::string::npos) << c.err;
    }
    EXPECT_TRUE(ListFolder(c.dir.file("zp")).empty());

    EXPECT_EQ(ParseCliPosition("右下")->named, Position::BottomRight);
    EXPECT_EQ(ParseCliPosition("center")->named, Position::Centre);
    const std::optional<Position> custom = ParseCliPosition("0.25,1");
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->named, Position::Custom);
    EXPECT_DOUBLE_EQ(custom->fx, 0.25);
    EXPECT_DOUBLE_EQ(custom->fy, 1.0);
    EXPECT_EQ(ParseCliColor("#FF8000"), 0x0080FFu);  // stored with red in the low byte
    EXPECT_EQ(ParseCliColor("00ff00"), 0x00FF00u);
    EXPECT_FALSE(ParseCliColor("#GG0000"));
}

TEST(Cli, BordersTheUserAddedAreFoundBesideTheShippedOnes) {
    // An installed program: shipped borders in the program folder, added ones in the working folder.
    Cli c;
    const std::string src = c.dir.file("p.png");
    WriteSolid(src, 40, 20, {255, 255, 255});
    c.dir.mkdir("bk");
    c.dir.mkdir("work");
    c.dir.mkdir("work/bk");
    WriteSolid(c.dir.file("bk/木纹.png"), 10, 10, {1, 1, 1});
    WriteSolid(c.dir.file("work/bk/自己的.png"), 10, 10, {0, 0, 255});
    c.env.addedBordersDir = c.dir.file("work/bk");

    ASSERT_EQ(c.run({"-w", "40", "-f", "png", "-o", c.dir.file("o"), "--border", "自己的", src}), 0) << c.err;
    EXPECT_EQ(ReadCanvas(c.dir.file("o/p.png")).pixel(20, 10), (Rgb{0, 0, 255}));
    ASSERT_EQ(c.run({"-w", "40", "-f", "png", "-o", c.dir.file("o2"), "--border", "木纹", src}), 0) << c.err;
    EXPECT_EQ(ReadCanvas(c.dir.file("o2/p.png")).pixel(20, 10), (Rgb{1, 1, 1}));

    EXPECT_EQ(c.run({"--border", "无此边框", src}), 2);
    EXPECT_NE(c.err.find("可选: 木纹 自己的"), std::string::npos) << c.err;
}

TEST(Cli, BorderAndWatermarksReachTheResults) {
    Cli c;
    const std::string src = c.dir.file("p.png");
    WriteSolid(src, 200, 100, {255, 255, 255});
    WriteSolid(c.dir.file("wm.png"), 10, 10, {255, 0, 0});
    // A border whose left column band is opaque blue, the rest clear.
    c.dir.mkdir("bk");
    {
        using vips::VImage;
        const VImage alpha = (VImage::xyz(200, 100)[0] < 2).ifthenelse(255, 0);
        VImage::black(200, 100).bandjoin_const({0, 255}).bandjoin(alpha).cast(VIPS_FORMAT_UCHAR)
            .write_to_file(c.dir.file("bk/蓝边.png").c_str());
    }
    c.store.values["iuSYAlpha"] = "50";
    ASSERT_EQ(c.run({"-w", "200", "-f", "png", "-o", c.dir.file("o"), "--border", "蓝边", "--watermark",
                     c.dir.file("wm.png"), "--watermark-pos", "tl", "--text", "水印", "--color", "#00FF00",
                     "--font-size", "12", "--text-pos", "右下", src}),
              0)
        << c.err;
    Canvas out = ReadCanvas(c.dir.file("o/p.png"));
    EXPECT_EQ(out.pixel(0, 50), (Rgb{0, 0, 255}));  // border
    const Rgb wm = out.pixel(2 + 5, 2 + 5);         // margin: 2 % of 100
    EXPECT_EQ(wm.r, 255);
    EXPECT_NEAR(wm.g, 128, 2);  // the stored transparency, 50
    bool greenBottomRight = false, greenElsewhere = false;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const Rgb p = out.pixel(x, y);
            if (p.g > 200 && p.r < 100) (x > 150 && y > 70 ? greenBottomRight : greenElsewhere) = true;
        }
    EXPECT_TRUE(greenBottomRight);
    EXPECT_FALSE(greenElsewhere);

    // A border given by its path; a custom text position; full opacity.
    ASSERT_EQ(c.run({"-w", "200", "-f", "png", "-o", c.dir.file("o2"), "--border", c.dir.file("bk/蓝边.png"),
                     "--watermark", c.dir.file("wm.png"), "--opacity", "100", "--text", "Tavu", "--text-pos",
                     "0.5,0.5", src}),
              0)
        << c.err;
    Canvas out2 = ReadCanvas(c.dir.file("o2/p.png"));
    EXPECT_EQ(out2.pixel(0, 50), (Rgb{0, 0, 255}));
    EXPECT_EQ(out2.pixel(200 - 2 - 5, 2 + 5), (Rgb{255, 0, 0}));  // top-right by default
    int x0 = 200, y0 = 100;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (out2.pixel(x, y).r < 128 && out2.pixel(x, y).b < 128) {  // the black text only
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
            }
    EXPECT_NEAR(x0, 100, 1);  // the text's left edge and top at the fractions
    EXPECT_NEAR(y0, 50, 1);
}

TEST(Cli, CropRectangleForEveryPicture) {
    Cli c;
    const auto where = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 9}; };
    const std::string p = c.dir.file("p.png"), q = c.dir.file("q.png");
    WritePicture(p, 120, 90, where);
    WritePicture(q, 60, 60, where);
    ASSERT_EQ(c.run({"--original", "--crop", "10,20,40,30", "-f", "png", "-o", c.dir.file("o"), p, q}), 0) << c.err;
    const Canvas rp = ReadCanvas(c.dir.file("o/p.png"));
    ASSERT_EQ(rp.width(), 40);
    ASSERT_EQ(rp.height(), 30);
    EXPECT_EQ(rp.pixel(0, 0), where(10, 20));
    EXPECT_EQ(rp.pixel(39, 29), where(49, 49));
    EXPECT_EQ(ReadCanvas(c.dir.file("o/q.png")).height(), 30);
    for (const char* bad : {"10,20,40", "10,20,0,30", "a,b,c,d", "-1,0,5,5", "1,2,3,4,5"}) {
        EXPECT_EQ(c.run({"--crop", bad, p}), 2) << bad;
        EXPECT_NE(c.err.find("--crop"), std::string::npos);
    }
}

TEST(Cli, FileSizeRangeResolutionAndSmartAnchor) {
    std::optional<int> lo, hi;
    EXPECT_TRUE(ParseKbRange("20-50", lo, hi));
    EXPECT_EQ(lo, 20);
    EXPECT_EQ(hi, 50);
    EXPECT_TRUE(ParseKbRange("-200", lo, hi));
    EXPECT_FALSE(lo);
    EXPECT_EQ(hi, 200);
    EXPECT_TRUE(ParseKbRange("10-", lo, hi));
    EXPECT_EQ(lo, 10);
    EXPECT_FALSE(hi);
    for (const char* bad : {"-", "50-20", "20", "a-b", "1-2-3", "20-0"}) EXPECT_FALSE(ParseKbRange(bad, lo, hi)) << bad;

    Cli c;
    const std::string text = "考试;120;160;30;60;300\r\n普通;120;160\r\n";
    WriteBytes(c.env.presetsFile, std::vector<uint8_t>(text.begin(), text.end()));
    const std::string a = c.dir.file("a.png");
    WritePicture(a, 400, 300, [](int x, int y) { return Rgb{uint8_t(x * 7), uint8_t(y * 3), uint8_t(x ^ y)}; });

    EXPECT_EQ(c.run({"--kb", "20-10", a}), 2);
    EXPECT_NE(c.err.find("--kb"), std::string::npos);
    EXPECT_EQ(c.run({"--kb", "20-50", "-f", "png", a}), 2);
    EXPECT_EQ(c.run({"--dpi", "0", a}), 2);

    // The preset's rules: 30-60 KB and 300 DPI; the report names quality and size.
    ASSERT_EQ(c.run({"--preset", "考试", "-f", "jpg", "-o", c.dir.file("o1"), a}), 0) << c.err;
    std::vector<uint8_t> jpeg = ReadBytes(c.dir.file("o1/a.jpg"));
    EXPECT_GE(jpeg.size(), 30u * 1024);
    EXPECT_LE(jpeg.size(), 60u * 1024);
    EXPECT_NEAR(vips::VImage::new_from_file(c.dir.file("o1/a.jpg").c_str()).xres() * 25.4, 300, 0.01);
    EXPECT_NE(c.out.find("a.jpg: 质量"), std::string::npos) << c.out;

    // Flags win over the preset; without padding the lower bound fails the picture.
    ASSERT_EQ(c.run({"--preset", "考试", "--kb", "-40", "--dpi", "72", "-f", "jpg", "-o", c.dir.file("o2"), a}), 0);
    jpeg = ReadBytes(c.dir.file("o2/a.jpg"));
    EXPECT_LE(jpeg.size(), 40u * 1024);
    EXPECT_NEAR(vips::VImage::new_from_file(c.dir.file("o2/a.jpg").c_str()).xres() * 25.4, 72, 0.01);
    EXPECT_EQ(c.run({"--preset", "普通", "--kb", "500-", "--no-pad", "-f", "jpg", "-o", c.dir.file("o3"), a}), 1);
    EXPECT_NE(c.err.find("500 KB"), std::string::npos) << c.err;
    EXPECT_TRUE(ListFolder(c.dir.file("o3")).empty());

    // --anchor smart runs; a later --anchor with two words replaces it.
    EXPECT_EQ(c.run({"--preset", "普通", "--anchor", "smart", "-f", "jpg", "-o", c.dir.file("o4"), a}), 0) << c.err;
    EXPECT_EQ(ReadCanvas(c.dir.file("o4/a.jpg")).width(), 120);
    const auto parsed = [] {
        std::string e;
        return ParseCliArgs({"--anchor", "smart", "--anchor", "left,top", "x.jpg"}, e);
    }();
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->smartAnchor);
    EXPECT_EQ(parsed->anchorX, 0);
}

TEST(Cli, ReportRowsMatchTheFilesWritten) {
    Cli c;
    const std::string in = c.dir.mkdir("in");
    WritePicture(in + "/a.jpg", 300, 200, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)}; });
    WriteSolid(in + "/b.png", 30, 20, {200, 10, 10});  // a tiny PNG: its JPEG copy may be larger
    WriteBytes(in + "/c.jpg", {1, 2, 3});
    const std::string report = c.dir.file("报告.csv");
    EXPECT_EQ(c.run({"-w", "100", "-f", "jpg", "-q", "80", "--report", report, in}), 1);
    EXPECT_NE(c.err.find("报告已保存到 " + report), std::string::npos) << c.err;

    const std::vector<uint8_t> bytes = ReadBytes(report);
    std::string text(bytes.begin(), bytes.end());
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF原图,结果,宽度,高度", 0), 0u) << text;
    std::vector<std::string> rows;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        rows.push_back(text.substr(at, end - at));
    ASSERT_EQ(rows.size(), 4u) << text;
    const std::string zp = c.dir.file("zp");
    const auto row = [&](const std::string& name, int w, int h) {
        return in + "/" + name + ".jpg," + zp + "/" + name + ".jpg," + std::to_string(w) + "," + std::to_string(h) + "," +
               std::to_string(ReadBytes(in + "/" + (name == "a" ? "a.jpg" : "b.png")).size()) + "," +
               std::to_string(ReadBytes(zp + "/" + name + ".jpg").size()) + ",80,成功,";
    };
    EXPECT_EQ(rows[1], row("a", 100, 67));
    std::string b = row("b", 100, 67);
    b.replace(b.find("b.jpg"), 5, "b.png");
    EXPECT_EQ(rows[2], b);
    EXPECT_EQ(rows[3].rfind(in + "/c.jpg,,,,3,,,失败,在显示图片时发生错误:(481)", 0), 0u) << rows[3];
    // The summary's saving has one decimal.
    EXPECT_NE(c.out.find("%)"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("."), std::string::npos);

    // A report that cannot be written is a failure, not a success.
    EXPECT_EQ(c.run({"-w", "100", "--report", c.dir.file("no/such/folder/r.csv"), in + "/a.jpg"}), 1);
    EXPECT_NE(c.err.find("报告无法保存到"), std::string::npos) << c.err;
}
