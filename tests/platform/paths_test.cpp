#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace tavu;

namespace {

struct TempDir {
    TempDir() {
        path = (fs::temp_directory_path() / "tavu-paths-XXXXXX").string();
        if (!mkdtemp(path.data())) path.clear();
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

}  // namespace

TEST(ChooseWorkDir, PortableCopyWritesBesideItselfOrFallsBack) {
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    const std::string dir = t.path;
    const std::string data = dir + "/data";

    EXPECT_EQ(ChooseWorkDir({dir, false}, data), dir);
    EXPECT_TRUE(fs::is_empty(dir)) << "the write probe must be removed";

    // Tests may run as root, which ignores permission bits: use places nobody can write into.
    const std::string file = dir + "/plain-file";
    std::ofstream(file) << "x";
    EXPECT_EQ(ChooseWorkDir({file, false}, data), data);
    EXPECT_EQ(ChooseWorkDir({file + "/sub", false}, data), data);
    EXPECT_EQ(ChooseWorkDir({dir + "/missing", false}, data), data);
    EXPECT_EQ(ChooseWorkDir({"/proc", false}, data), data);
    EXPECT_FALSE(fs::exists(data)) << "choosing alone creates nothing";
}

TEST(ChooseWorkDir, InstalledProgramNeverWritesBelowItsPrefix) {
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    // Even a program folder that could be written (a prefix in the user's home, or root).
    EXPECT_EQ(ChooseWorkDir({t.path, true}, t.path + "/data"), t.path + "/data");
}

TEST(DetectLayout, PortableInstalledAndNeither) {
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    const fs::path root = t.path;

    // A build folder: the shipped files beside the executable.
    Touch(root / "build/size.ini");
    ProgramLayout l = DetectLayout((root / "build").string(), "../share/tavuzip");
    EXPECT_FALSE(l.installed);
    EXPECT_EQ(l.programDir, (root / "build").string());

    // An installed prefix: bin/ and share/tavuzip/.
    Touch(root / "prefix/share/tavuzip/size.ini");
    fs::create_directories(root / "prefix/bin");
    l = DetectLayout((root / "prefix/bin").string(), "../share/tavuzip");
    EXPECT_TRUE(l.installed);
    EXPECT_EQ(l.programDir, (root / "prefix/share/tavuzip").string()) << "no '..' left in the path";

    // Files beside the executable win over an installed folder next to it.
    Touch(root / "prefix/bin/size.ini");
    l = DetectLayout((root / "prefix/bin").string(), "../share/tavuzip");
    EXPECT_FALSE(l.installed);
    EXPECT_EQ(l.programDir, (root / "prefix/bin").string());

    // Neither (a test program, a half-removed copy): the executable's folder, portable.
    fs::create_directories(root / "prefix2/bin");
    fs::create_directories(root / "prefix2/share/tavuzip");  // empty: not a program folder
    l = DetectLayout((root / "prefix2/bin").string(), "../share/tavuzip");
    EXPECT_FALSE(l.installed);
    EXPECT_EQ(l.programDir, (root / "prefix2/bin").string());
}

TEST(ProgramPaths, ShippedFilesSitBesideTheExecutable) {
    const std::string dir = ProgramDir();
    EXPECT_EQ(fs::path(dir), fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_EQ(ExecutableDir(), dir);
    EXPECT_EQ(ShippedFile("size.ini"), dir + "/size.ini");
}
