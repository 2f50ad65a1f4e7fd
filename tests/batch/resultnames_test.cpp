#include <gtest/gtest.h>

#include <sstream>

#include "batch/batchrun.h"
#include "batch/resultnames.h"
#include "cli/clirun.h"
#include "imageio/testimages.h"
#include "platform/settings.h"

using namespace tavu;
using namespace tavu::test;

namespace {

BatchOptions Jpeg(const std::string& outDir, int jobs) {
    BatchOptions o;
    o.render.widthText = "40";
    o.format = "jpg";
    o.naming.outDir = outDir;
    o.quality = 85;
    o.jobs = jobs;
    return o;
}

int RunCli(const TempDir& dir, std::vector<std::string> args, std::string& out, std::string& err,
           MemorySettingsStore* store = nullptr) {
    MemorySettingsStore none;
    CliEnvironment env;
    env.settings = store ? store : &none;
    env.programDir = dir.path();
    env.presetsFile = dir.file("size.ini");
    env.defaultOutputDir = dir.file("zp");
    std::ostringstream o, e;
    const int code = RunBatchCli(args, env, o, e);
    out = o.str();
    err = e.str();
    return code;
}

}  // namespace

TEST(ResultNames, NumberedNamesAndThePlan) {
    EXPECT_EQ(NumberedName("/o/IMG_0001.JPG", 1), "/o/IMG_0001 (1).JPG");
    EXPECT_EQ(NumberedName("/o.d/name", 2), "/o.d/name (2)");
    EXPECT_EQ(NumberedName("/o/a.b.png", 3), "/o/a.b (3).png");

    TempDir t;
    const std::string out = t.mkdir("out");
    const std::vector<std::string> wanted = {out + "/a.jpg", out + "/a.jpg", out + "/A.JPG", out + "/b.jpg"};
    const std::vector<std::string> sources = {t.file("1/a.png"), t.file("2/a.png"), t.file("3/A.PNG"), t.file("b.png")};
    const std::vector<PlannedName> p = PlanResultNames(wanted, sources, ExistingPolicy::Overwrite);
    EXPECT_EQ(p[0].path, out + "/a.jpg");
    EXPECT_EQ(p[1].path, out + "/a (1).jpg");
    EXPECT_EQ(p[2].path, out + "/A (2).JPG");  // one file on a disk that ignores case
    EXPECT_EQ(p[3].path, out + "/b.jpg");
    EXPECT_TRUE(p[0].notice.empty());
    EXPECT_EQ(p[1].notice, t.file("2/a.png") + "的结果与本次处理的另一张图片同名,已改名保存为 a (1).jpg");
    EXPECT_EQ(ExistingPolicyFromSetting(7), ExistingPolicy::Overwrite);
}

// d1/same.jpg and d2/same.jpg: both results are kept, named the same way one at a time and in
// parallel, and the rename is reported.
TEST(ResultNames, ClashesWithinARunKeepEveryResult) {
    TempDir t;
    const std::string d1 = t.mkdir("d1"), d2 = t.mkdir("d2");
    std::vector<std::string> list;
    list = {d1 + "/same0.jpg", d2 + "/same0.jpg", d1 + "/same1.jpg", d2 + "/same1.jpg", d1 + "/same2.jpg", d2 + "/same2.jpg"};
    for (size_t i = 0; i < list.size(); ++i) WriteSolid(list[i], 80, 60, {uint8_t(40 * i), 0, 0});

    Completion c1, c2;
    const std::string o1 = t.mkdir("o1"), o2 = t.mkdir("o2");
    {
        BatchRunner r;
        c1 = r.run(list, Jpeg(o1, 1));
        c2 = r.run(list, Jpeg(o2, 2));
    }
    EXPECT_EQ(c1.written, 6u);
    EXPECT_EQ(c1.renamed, 3u);
    const std::vector<std::string> names = {"same0 (1).jpg", "same0.jpg", "same1 (1).jpg", "same1.jpg",
                                            "same2 (1).jpg", "same2.jpg"};
    EXPECT_EQ(ListFolder(o1), names);
    EXPECT_EQ(ListFolder(o2), names);
    for (const std::string& n : names) EXPECT_EQ(ReadBytes(o1 + "/" + n), ReadBytes(o2 + "/" + n)) << n;
    // The later picture in list order has the numbered name: the d2 ones are the redder.
    EXPECT_GT(ReadCanvas(o1 + "/same0 (1).jpg").pixel(5, 5).r, ReadCanvas(o1 + "/same0.jpg").pixel(5, 5).r + 20);
    ASSERT_EQ(c1.notices.size(), 3u);
    EXPECT_EQ(c1.notices, c2.notices);
    EXPECT_EQ(c1.notices[0], d2 + "/same0.jpg的结果与本次处理的另一张图片同名,已改名保存为 same0 (1).jpg");
    EXPECT_EQ(c1.noticeText, c1.notices[0] + "\r\n" + c1.notices[1] + "\r\n" + c1.notices[2] + "\r\n");
}

// A camera card read with -r: DCIM/100CANON/IMG_0001.JPG and DCIM/101CANON/IMG_0001.JPG.
TEST(ResultNames, CameraCardFoldersOnTheCommandLine) {
    TempDir t;
    WriteBytes(t.file("size.ini"), {});
    t.mkdir("DCIM");
    const std::string a = t.mkdir("DCIM/100CANON"), b = t.mkdir("DCIM/101CANON");
    WriteSolid(a + "/IMG_0001.JPG", 90, 60, {200, 0, 0});
    WriteSolid(b + "/IMG_0001.JPG", 90, 60, {0, 0, 200});
    std::string out1, err1, out2, err2;
    ASSERT_EQ(RunCli(t, {"-r", "-j", "1", "-o", t.file("j1"), t.file("DCIM")}, out1, err1), 0) << err1;
    ASSERT_EQ(RunCli(t, {"-r", "-j", "2", "-o", t.file("j2"), t.file("DCIM")}, out2, err2), 0) << err2;
    const std::vector<std::string> names = {"IMG_0001 (1).JPG", "IMG_0001.JPG"};
    EXPECT_EQ(ListFolder(t.file("j1")), names);
    EXPECT_EQ(ListFolder(t.file("j2")), names);
    EXPECT_EQ(ReadBytes(t.file("j1/IMG_0001 (1).JPG")), ReadBytes(t.file("j2/IMG_0001 (1).JPG")));
    EXPECT_NE(err1.find(b + "/IMG_0001.JPG的结果与本次处理的另一张图片同名,已改名保存为 IMG_0001 (1).JPG\n"),
              std::string::npos)
        << err1;
    EXPECT_EQ(err1, err2);
    EXPECT_NE(out1.find("写入 2 张,改名 1 张"), std::string::npos) << out1;
}

// photo.png converted to JPEG in its own folder, beside an unlisted photo.jpg.
TEST(ResultNames, UnlistedPictureInASourceFolderIsKept) {
    TempDir t;
    const std::string src = t.file("photo.png"), other = t.file("photo.jpg");
    WriteSolid(src, 120, 80, {10, 200, 10});
    WritePicture(other, 300, 200, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 7}; }, "[Q=98]");
    const std::vector<uint8_t> otherBytes = ReadBytes(other), srcBytes = ReadBytes(src);
    for (ExistingPolicy policy : {ExistingPolicy::Overwrite, ExistingPolicy::Skip, ExistingPolicy::Rename}) {
        BatchOptions o = Jpeg(t.path(), 0);
        o.existing = policy;  // in a folder of sources no policy replaces
        BatchRunner r;
        const Completion c = r.run({src}, o);
        EXPECT_EQ(c.written, 1u);
        EXPECT_EQ(ReadBytes(other), otherBytes);
        EXPECT_EQ(ReadBytes(src), srcBytes);
    }
    EXPECT_EQ(ListFolder(t.path()),
              (std::vector<std::string>{"photo (1).jpg", "photo (2).jpg", "photo (3).jpg", "photo.jpg", "photo.png"}));
    EXPECT_EQ(ReadCanvas(t.file("photo (1).jpg")).width(), 40);

    // The same source in the same format: the result goes beside it, the source stays.
    BatchOptions keep = Jpeg(t.path() + "/.", 1);
    keep.format = "原格式";
    BatchRunner r;
    const Completion c = r.run({src}, keep);
    EXPECT_EQ(c.written, 1u);
    EXPECT_EQ(ReadBytes(src), srcBytes);
    EXPECT_EQ(c.notices, std::vector<std::string>{src + "的结果文件名已被占用,已改名保存为 photo (1).png"});
}

// Elsewhere (a folder of earlier results) the policy decides.
TEST(ResultNames, ExistingFilesElsewhereByPolicy) {
    TempDir t;
    WriteBytes(t.file("size.ini"), {});
    const std::string in = t.mkdir("in");
    WriteSolid(in + "/a.png", 100, 50, {1, 2, 3});
    WriteSolid(in + "/b.png", 100, 50, {1, 2, 3});
    const std::string out = t.mkdir("out");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    auto reset = [&] {
        for (const std::string& f : ListFolder(out)) std::remove((out + "/" + f).c_str());
        WriteBytes(out + "/a.jpg", old);
    };
    std::string o, e;

    reset();
    ASSERT_EQ(RunCli(t, {"-f", "jpg", "-o", out, in}, o, e), 0) << e;  // the default replaces
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_NE(ReadBytes(out + "/a.jpg"), old);
    EXPECT_TRUE(e.empty()) << e;

    reset();
    ASSERT_EQ(RunCli(t, {"-f", "jpg", "--existing", "skip", "-o", out, in}, o, e), 0) << e;
    EXPECT_EQ(ReadBytes(out + "/a.jpg"), old);
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(e, in + "/a.png的结果文件 a.jpg 已存在,已跳过\n");
    EXPECT_NE(o.find("写入 1 张,跳过 1 张"), std::string::npos) << o;

    reset();
    ASSERT_EQ(RunCli(t, {"-f", "jpg", "--existing", "rename", "-o", out, in}, o, e), 0) << e;
    EXPECT_EQ(ReadBytes(out + "/a.jpg"), old);
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"a (1).jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(e, in + "/a.png的结果文件名已被占用,已改名保存为 a (1).jpg\n");

    // The stored choice counts when the flag is not given; a bad flag value is refused.
    MemorySettingsStore store;
    store.values["iExisting"] = "1";
    reset();
    ASSERT_EQ(RunCli(t, {"-f", "jpg", "-o", out, in}, o, e, &store), 0) << e;
    EXPECT_EQ(ReadBytes(out + "/a.jpg"), old);
    EXPECT_EQ(RunCli(t, {"--existing", "keep", in}, o, e), 2);
    EXPECT_NE(e.find("--existing"), std::string::npos);
}
