#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "batch/naming.h"
#include "batch/picname.h"
#include "batch/sizepresets.h"
#include "batch/sizerules.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

TEST(Naming, RenameModeNumbersFromZero) {
    NamingRule r;
    r.rename = true;
    r.outDir = "/out";
    EXPECT_EQ(ResultPath(r, "/p/x.jpg", 0, "jpg"), "/out/Tavu_0000.jpg");
    EXPECT_EQ(ResultPath(r, "/p/y.jpg", 2, "png"), "/out/Tavu_0002.png");
    r.prefix = "";
    r.digitsText = "3";
    EXPECT_EQ(ResultPath(r, "/p/y.jpg", 1, "jpg"), "/out/001.jpg");
    r.prefix = "Tavu_";
    r.digitsText = "2";
    EXPECT_EQ(ResultPath(r, "/p/y.bmp", 2, "bmp"), "/out/Tavu_02.bmp");
}

TEST(Naming, DigitCountAsTyped) {
    EXPECT_EQ(SequenceNumber(123, "2"), "123");  // more digits are written in full
    for (const char* none : {"0", "-1", "abc", ""}) EXPECT_EQ(SequenceNumber(7, none), "7") << none;
    EXPECT_EQ(SequenceNumber(7, "2.5"), "07");   // rounds half to even
    EXPECT_EQ(SequenceNumber(7, "3.5"), "0007");
    EXPECT_EQ(SequenceNumber(7, " 3 "), "007");
}

TEST(Naming, KeepNameTakesTheBaseBeforeTheLastDot) {
    NamingRule r;
    r.outDir = "/out";
    EXPECT_EQ(ResultPath(r, "/photos/a.b.jpg", 5, "png"), "/out/a.b.png");
    EXPECT_EQ(ResultPath(r, "/pho.tos/xjpg", 0, "jpg"), "/out/xjpg.jpg");
    EXPECT_EQ(ResultPath(r, "/照片/春 天.JPG", 0, "JPG"), "/out/春 天.JPG");
}

TEST(Naming, KeepSourceFormatReadsTheLastFourCharacters) {
    struct Case {
        const char* entry;
        bool bitmap;
        const char* ext;
    } cases[] = {{"/a/x.jpg", false, "jpg"},  {"/a/x.JPG", false, "JPG"},  {"/a/x.tiff", false, "tiff"},
                 {"/a/x.bmp", true, "bmp"},   {"/a/x.BMP", false, "BMP"},  {"/a/x.jpeg", false, "jpeg"},
                 {"/a/x.gif", false, "gif"},  {"/a/xjpg", false, "xjpg"}};
    for (const Case& k : cases) {
        const KeepFormat f = KeepSourceFormat(k.entry);
        EXPECT_EQ(f.bitmapWriter, k.bitmap) << k.entry;
        EXPECT_EQ(f.extension, k.ext) << k.entry;
    }
}

TEST(Naming, FolderLabelAndPrefixPresets) {
    EXPECT_EQ(ShortFolderDisplay("/home/user/photos/zp"), "/home/user/photos/zp");
    const std::string thirty = "/home/someone/Pictures/2026/zp";  // 30 characters
    EXPECT_EQ(ShortFolderDisplay(thirty), "/ho.../Pictures/2026/zp");
    // Characters, not bytes.
    EXPECT_EQ(ShortFolderDisplay("/照片/照片/照片/照片/照片/照片/照片/照片"), "/照片...照片/照片/照片/照片/照片/照片");

    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(PrefixFromPreset(PrefixPreset::Date, t), "20261206_");
    EXPECT_EQ(PrefixFromPreset(PrefixPreset::Time, t), "090507_");
    EXPECT_EQ(PrefixFromPreset(PrefixPreset::DateTime, t), "20261206090507_");
    EXPECT_EQ(PrefixFromPreset(PrefixPreset::None, t), "");
}

TEST(PictureNames, OnlyTheEndCounts) {
    for (const char* yes : {"a.jpg", "A.JPG", "b.Bmp", "c.gif", "d.png", "e.tiff", "xjpg", "f.jpeg", "G.TIF", "/p/照片.JPG"})
        EXPECT_TRUE(IsPicName(yes)) << yes;
    for (const char* no : {"a.txt", "motif", "a.jpg.txt", "png.doc", "", "jp"}) EXPECT_FALSE(IsPicName(no)) << no;
}

TEST(PictureList, ExactDuplicatesOnly) {
    PictureList l;
    EXPECT_TRUE(l.add("/p/a.jpg"));
    EXPECT_FALSE(l.add("/p/a.jpg"));
    EXPECT_TRUE(l.add("/P/a.jpg"));  // another spelling is another entry
    EXPECT_FALSE(l.add("/p/a.txt"));
    EXPECT_EQ(l.entries(), (std::vector<std::string>{"/p/a.jpg", "/P/a.jpg"}));
}

TEST(PictureList, FolderScanSkipsHiddenAndNeverLoops) {
    TempDir t;
    const std::string root = t.mkdir("root");
    for (const char* f : {"b.jpg", "a.png", ".hidden.jpg", "notes.txt"}) WriteBytes(root + "/" + f, {0});
    t.mkdir("root/sub");
    WriteBytes(root + "/sub/c.gif", {0});
    t.mkdir("root/.secret");
    WriteBytes(root + "/.secret/d.jpg", {0});
    std::filesystem::create_directory_symlink(root, root + "/sub/loop");

    PictureList flat;
    AddFolderPictures(flat, root);
    EXPECT_EQ(flat.entries(), (std::vector<std::string>{root + "/a.png", root + "/b.jpg"}));

    PictureList deep;
    FolderScan scan;
    scan.recursive = true;
    AddFolderPictures(deep, root + "/", scan);
    EXPECT_EQ(deep.entries(), (std::vector<std::string>{root + "/a.png", root + "/b.jpg", root + "/sub/c.gif"}));

    // The scan can be cancelled from its progress call.
    PictureList none;
    scan.progress = [](const std::string&) { return false; };
    EXPECT_EQ(AddFolderPictures(none, root, scan), 0u);
}

TEST(SizePresets, LinesFieldsAndEncodings) {
    const auto p = ParseSizePresets("800×600;800;600\r\n\r\n640×480;640;480\nodd;1;2;3\nshort;5\n");
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].name, "800×600");
    EXPECT_EQ(p[1].width, "640");
    EXPECT_EQ(p[1].height, "480");
    // A fourth field is the lower size bound of the upload rules.
    EXPECT_EQ(p[2].height, "2");
    EXPECT_EQ(p[2].minKB, 3);
    EXPECT_EQ(p[3].width, "5");
    EXPECT_EQ(p[3].height, "");
    EXPECT_FALSE(p[0].hasRules());
    EXPECT_FALSE(p[3].hasRules());

    TempDir t;
    WriteBytes(t.file("gbk.ini"), {0xD2, 0xBB, 0xB4, 0xE7, ';', '2', '9', '5', ';', '4', '1', '3', '\r', '\n'});
    const auto g = LoadSizePresets(t.file("gbk.ini"));
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].name, "一寸");
    EXPECT_EQ(g[0].height, "413");
    // "€" is one byte in GBK and three in UTF-8: a name of many of them still converts.
    std::vector<uint8_t> euros(20, 0x80);
    for (char c : std::string(";1;2\n")) euros.push_back(uint8_t(c));
    WriteBytes(t.file("euro.ini"), euros);
    const auto e = LoadSizePresets(t.file("euro.ini"));
    ASSERT_EQ(e.size(), 1u);
    std::string twentyEuros;
    for (int i = 0; i < 20; ++i) twentyEuros += "€";
    EXPECT_EQ(e[0].name, twentyEuros);
    EXPECT_TRUE(LoadSizePresets(t.file("missing.ini")).empty());
}

TEST(SizePresets, UploadRulesWithEmptyAndBadFields) {
    const auto p = ParseSizePresets(
        "计算机等级考试;144;192;20;200;300\n教师资格证;295;413;;200\n一寸;295;413;;;300\n"
        "坏;10;10;x;-5;0\n多余;1;2;3;4;5;6;7\n");
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].minKB, 20);
    EXPECT_EQ(p[0].maxKB, 200);
    EXPECT_EQ(p[0].dpi, 300);
    EXPECT_EQ(PresetTip(p[0]), "144×192 像素, 20-200 KB, 300 DPI(JPEG)");
    EXPECT_FALSE(p[1].minKB);
    EXPECT_EQ(p[1].maxKB, 200);
    EXPECT_EQ(PresetTip(p[1]), "295×413 像素, 不超过 200 KB(JPEG)");
    EXPECT_EQ(p[2].dpi, 300);
    EXPECT_FALSE(p[2].maxKB);
    EXPECT_EQ(PresetTip(p[2]), "295×413 像素, 300 DPI");
    EXPECT_FALSE(p[3].hasRules());
    EXPECT_EQ(p[3].height, "10");
    EXPECT_FALSE(p[4].dpi);  // "5;6;7" is not a number

    // The shipped file: every preset with a range has its lower bound below the upper one.
    const auto shipped = LoadSizePresets(std::string(TAVU_DIST_DIR) + "/size.ini");
    int withRange = 0;
    for (const SizePreset& s : shipped) {
        if (s.minKB && s.maxKB) EXPECT_LT(*s.minKB, *s.maxKB) << s.name;
        withRange += s.maxKB ? 1 : 0;
        EXPECT_FALSE(s.width.empty()) << s.name;
    }
    EXPECT_GE(withRange, 7);
}

TEST(SizeRules, BoxesPresetsAndFormats) {
    SizeRuleInputs in;
    in.minText = "20";
    in.maxText = "50";
    EXPECT_FALSE(TargetOf(in).active());  // the check box is off
    in.on = true;
    EXPECT_EQ(TargetOf(in).minKB, 20);
    EXPECT_EQ(TargetOf(in).maxKB, 50);
    in.minText = " 0 ";
    in.maxText = "abc";
    EXPECT_FALSE(TargetOf(in).active());
    in.minText = "60";
    in.maxText = "50";
    EXPECT_EQ(CheckSizeRules(in), "文件大小的最小值不能大于最大值！");
    in.dpiText = "300";
    EXPECT_EQ(DpiOf(in), 300);
    in.dpiText = "70000";
    EXPECT_EQ(DpiOf(in), 0);

    SizePreset exam{"考试", "144", "192", 20, 200, 300};
    SizeRuleInputs typed{false, "1", "2", false, "96"};
    SizeRuleInputs filled = InputsForPreset(exam, typed);
    EXPECT_TRUE(filled.on);
    EXPECT_EQ(filled.minText, "20");
    EXPECT_EQ(filled.maxText, "200");
    EXPECT_EQ(filled.dpiText, "300");
    EXPECT_FALSE(filled.pad);  // padding stays the user's choice
    SizePreset upperOnly{"上限", "295", "413", std::nullopt, 200, std::nullopt};
    filled = InputsForPreset(upperOnly, filled);
    EXPECT_EQ(filled.minText, "");
    EXPECT_EQ(filled.dpiText, "300");
    SizePreset plain{"800×600", "800", "600"};
    const SizeRuleInputs same = InputsForPreset(plain, typed);
    EXPECT_EQ(same.on, typed.on);
    EXPECT_EQ(same.minText, "1");

    EXPECT_TRUE(SizeRangeFormat("jpg"));
    EXPECT_TRUE(SizeRangeFormat("原格式"));
    EXPECT_FALSE(SizeRangeFormat("png"));
    EXPECT_TRUE(DpiFormat("tiff"));
    EXPECT_FALSE(DpiFormat("bmp"));
}
