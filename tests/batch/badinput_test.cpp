// Damaged, strange and hostile inputs: each gives its own error line, the run goes on, nothing
// partial is left behind and nothing crashes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "batch/batchrun.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

struct BadCase {
    std::string name;
    std::function<void(const std::string& path)> make;
    std::string expect;  // a piece of the error line
};

std::vector<uint8_t> GoodJpeg(const TempDir& t) {
    WritePicture(t.file("good-source.jpg"), 640, 480, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 90}; });
    return ReadBytes(t.file("good-source.jpg"));
}

}  // namespace

TEST(BadInput, EveryCaseGivesItsLineAndTheRunGoesOn) {
    TempDir t;
    const std::vector<uint8_t> jpeg = GoodJpeg(t);
    WriteSolid(t.file("good-source.png"), 64, 64, {0, 128, 0});
    const std::vector<uint8_t> png = ReadBytes(t.file("good-source.png"));
    const std::string in = t.mkdir("in");

    std::vector<BadCase> cases = {
        {"zero.jpg", [](const std::string& p) { WriteBytes(p, {}); }, "(481)文件是空的"},
        {"truncated.jpg",
         [&](const std::string& p) { WriteBytes(p, std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)); },
         "(481)"},
        {"random.png",
         [](const std::string& p) {
             std::mt19937 rng(7);
             std::vector<uint8_t> b(5000);
             for (auto& x : b) x = uint8_t(rng());
             WriteBytes(p, b);
         },
         "(481)"},
        {"corrupt-chunk.png",
         [&](const std::string& p) {
             std::vector<uint8_t> b = png;
             b[b.size() - 20] ^= 0xFF;  // inside the image data: its checksum no longer matches
             WriteBytes(p, b);
         },
         "(481)"},
        {"huge.png", [](const std::string& p) { WritePngHeaderOnly(p, 100000, 100000); }, "(7)"},
        {"folder.jpg", [](const std::string& p) { std::filesystem::create_directory(p); }, "(75)"},
        {"missing.jpg", [](const std::string&) {}, "(53)文件未找到"},
        {"pipe.jpg", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); }, "(75)"},
    };
    if (::geteuid() != 0)  // root reads everything: this case only means something for users
        cases.push_back({"locked.jpg", [&](const std::string& p) { WriteBytes(p, jpeg); ::chmod(p.c_str(), 0); }, "(70)"});

    // Each bad picture is followed by a good one with an awkward name.
    std::vector<std::string> list;
    int n = 0;
    for (const BadCase& k : cases) {
        list.push_back(in + "/" + k.name);
        k.make(list.back());
        const std::string good = in + "/好 \"照片\" '" + std::to_string(n++) + "'.jpg";
        WriteBytes(good, jpeg);
        list.push_back(good);
    }

    const std::string out = t.mkdir("out");
    BatchOptions o;
    o.render.widthText = "320";
    o.format = "jpg";
    o.naming.outDir = out;
    BatchRunner r;
    Completion c = r.run(list, o);

    EXPECT_EQ(c.written, cases.size());
    EXPECT_EQ(c.failed, cases.size());
    for (const BadCase& k : cases) {
        const std::string line = in + "/" + k.name + "在显示图片时发生错误:";
        const size_t at = c.errorText.find(line);
        ASSERT_NE(at, std::string::npos) << k.name << "\n" << c.errorText;
        EXPECT_EQ(c.errorText.compare(at + line.size(), k.expect.size(), k.expect), 0) << c.errorText.substr(at);
        EXPECT_EQ(c.errorText.find(line, at + 1), std::string::npos) << "one line only: " << k.name;
    }
    // Only the good pictures have results, and no temporary file is left.
    for (const std::string& f : ListFolder(out)) {
        EXPECT_EQ(f.rfind("好 \"照片\" '", 0), 0u) << f;
        EXPECT_EQ(f.find(".part"), std::string::npos) << f;
    }
    EXPECT_EQ(ListFolder(out).size(), cases.size());
}

TEST(BadInput, UnwritableOutputFolderFailsEachPictureCleanly) {
    TempDir t;
    WriteSolid(t.file("a.png"), 40, 40, {1, 2, 3});
    WriteSolid(t.file("b.png"), 40, 40, {1, 2, 3});
    WriteBytes(t.file("plainfile"), {0});
    BatchOptions o;
    o.render.widthText = "20";
    o.format = "png";
    o.naming.outDir = t.file("plainfile/out");
    BatchRunner r;
    Completion c = r.run({t.file("a.png"), t.file("b.png")}, o);
    EXPECT_EQ(c.written, 0u);
    EXPECT_NE(c.errorText.find(t.file("a.png") + "在保存时发生错误:"), std::string::npos);
    EXPECT_NE(c.errorText.find(t.file("b.png") + "在保存时发生错误:"), std::string::npos);
}
