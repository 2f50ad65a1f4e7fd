#include <gtest/gtest.h>

#include "filelist/filelist.h"

using namespace tavu;

namespace {
FileList Five() {
    FileList l;
    for (const char* p : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg", "/e.jpg"}) l.add(p);
    return l;
}
using V = std::vector<std::string>;
}  // namespace

TEST(FileList, RemoveSecondAndFourthThenUndoRestoresTheOrder) {
    FileList l = Five();
    l.remove({3, 1});
    EXPECT_EQ(l.entries(), (V{"/a.jpg", "/c.jpg", "/e.jpg"}));
    EXPECT_TRUE(l.canUndo());
    l.remove({0});  // a second removal joins the memory
    l.undo();
    EXPECT_EQ(l.entries(), (V{"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg", "/e.jpg"}));
    EXPECT_FALSE(l.canUndo());
}

TEST(FileList, UndoUsesTheOldPositionInTheListAsItIsNow) {
    FileList l = Five();
    l.remove({1});
    l.add("/f.jpg");
    l.undo();
    EXPECT_EQ(l.entries(), (V{"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg", "/e.jpg", "/f.jpg"}));
    // A position past the end goes to the end instead of being lost.
    l.insertAt(99, "/z.jpg");
    EXPECT_EQ(l.entries().back(), "/z.jpg");
}

TEST(FileList, ClearForgetsAndLaterRemovalsStandAlone) {
    FileList l = Five();
    l.remove({0});
    l.clear();
    EXPECT_FALSE(l.canUndo());
    l.add("/x.jpg");
    l.add("/y.jpg");
    l.remove({0});
    l.undo();
    EXPECT_EQ(l.entries(), (V{"/x.jpg", "/y.jpg"}));
    // Removing with nothing selected still allows the undo.
    l.remove({});
    EXPECT_TRUE(l.canUndo());
}

TEST(FileList, NoLimitOnTheRemovalMemoryAndDuplicatesFollowTheEntries) {
    FileList l;
    for (int i = 0; i < 2000; ++i) l.add("/p" + std::to_string(i) + ".jpg");
    std::vector<size_t> all;
    for (size_t i = 0; i < 2000; ++i) all.push_back(i);
    l.remove(all);
    EXPECT_EQ(l.remembered(), 2000u);
    EXPECT_TRUE(l.add("/p7.jpg"));  // removed entries no longer count as duplicates
    l.undo();
    EXPECT_EQ(l.size(), 2001u);
    EXPECT_FALSE(l.add("/p7.jpg"));
    l.append("/dropped.bmp");
    l.append("/dropped.bmp");  // appended data is not tested
    EXPECT_EQ(l.size(), 2003u);
}
