#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace tavu;

TEST(ChooseWorkDir, WritableOrFallBack) {
    std::string dir = (fs::temp_directory_path() / "tavu-paths-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string data = dir + "/data";

    EXPECT_EQ(ChooseWorkDir(dir, data), dir);
    EXPECT_TRUE(fs::is_empty(dir)) << "the write probe must be removed";

    // Tests may run as root, which ignores permission bits: use places nobody can write into.
    const std::string file = dir + "/plain-file";
    std::ofstream(file) << "x";
    EXPECT_EQ(ChooseWorkDir(file, data), data);
    EXPECT_EQ(ChooseWorkDir(file + "/sub", data), data);
    EXPECT_EQ(ChooseWorkDir(dir + "/missing", data), data);
    EXPECT_EQ(ChooseWorkDir("/proc", data), data);
    EXPECT_FALSE(fs::exists(data)) << "choosing alone creates nothing";
    fs::remove_all(dir);
}

TEST(ProgramPaths, ShippedFilesSitBesideTheExecutable) {
    const std::string dir = ProgramDir();
    EXPECT_EQ(fs::path(dir), fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_EQ(ShippedFile("size.ini"), dir + "/size.ini");
}
