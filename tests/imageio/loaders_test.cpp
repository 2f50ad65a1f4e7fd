// The readers of HEIF and ImageMagick's formats are loaded only when a file needs them: a fresh
// process that meets a BMP and a HEIC after a JPEG still reads them all, and still refuses what is
// none of the program's formats.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <string>
#include <vector>

#include "cli/clihelperprocess.h"
#include "imageio/phonepictures.h"
#include "imageio/testimages.h"

using namespace tavu::test;

namespace {

int RunBatch(const std::vector<std::string>& pictures, const std::string& out) {
    std::vector<std::string> args = {"-w", "64", "-f", "jpg", "--quiet", "-o", out};
    args.insert(args.end(), pictures.begin(), pictures.end());
    const pid_t pid = StartCliHelper(args);
    if (pid < 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

tavu::Rgb Gradient(int x, int y) { return {uint8_t(x * 2), uint8_t(y * 3), 90}; }

}  // namespace

TEST(Loaders, AFreshRunReadsEveryFormatWhenFirstMet) {
    TempDir t;
    const std::string out = t.mkdir("out");
    std::vector<std::string> pictures = {t.file("c.jpg"), t.file("a.bmp")};
    WritePicture(pictures[0], 120, 80, Gradient);
    WritePicture(pictures[1], 120, 80, Gradient);
    const bool heif = WriteHeif(t.file("b.heic"), 120, 80, Gradient, false, 1);
    if (heif) pictures.push_back(t.file("b.heic"));
    WriteBytes(t.file("d.jpg"), {'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n', '%', '%', 'E', 'O', 'F', '\n'});
    pictures.push_back(t.file("d.jpg"));

    EXPECT_NE(RunBatch(pictures, out), 0) << "one picture failed";
    std::vector<std::string> expected = {"a.jpg", "c.jpg"};
    if (heif) expected.insert(expected.begin() + 1, "b.jpg");
    EXPECT_EQ(ListFolder(out), expected);
    for (const std::string& name : expected) EXPECT_EQ(ReadCanvas(out + "/" + name).width(), 64) << name;
}
