#include <gtest/gtest.h>

#include <sstream>

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
        {{"-f", "webp", a}, "不支持的格式"},
        {{}, "没有指定"},
        {{c.dir.file("notes.txt")}, "没有添加要处理的图片！"},
    };
    for (const auto& [args, text] : cases) {
        EXPECT_EQ(c.run(args), 2) << text;
        EXPECT_NE(c.err.find(text), std::string::npos) << c.err;
    }
    EXPECT_EQ(c.run({"--help"}), 0);
    EXPECT_NE(c.out.find("用法"), std::string::npos);
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
    EXPECT_EQ(a.width(), 50);
    EXPECT_EQ(a.height(), 100);
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
