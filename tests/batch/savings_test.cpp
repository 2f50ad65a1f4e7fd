#include <gtest/gtest.h>

#include "batch/report.h"
#include "batch/savings.h"

using namespace tavu;

TEST(Savings, SizesAndChangesAsTheUserReadsThem) {
    EXPECT_EQ(ByteSizeText(0), "0 B");
    EXPECT_EQ(ByteSizeText(1023), "1023 B");
    EXPECT_EQ(ByteSizeText(39117), "38.2 KB");
    EXPECT_EQ(ByteSizeText(145408), "142 KB");
    EXPECT_EQ(ByteSizeText(uint64_t(3.8 * 1024 * 1024)), "3.8 MB");

    EXPECT_EQ(SavingText(1000, 40), "−96%");
    EXPECT_EQ(SavingText(1000, 1120), "+12%");
    EXPECT_EQ(SavingText(1000, 1000), "0%");
    EXPECT_EQ(SavingText(1000, 1000, 1), "0.0%");
    EXPECT_EQ(SavingText(3000, 1000, 1), "−66.7%");
    EXPECT_EQ(SavingText(100000, 99999, 1), "0.0%");  // too small to show is no change
    EXPECT_EQ(SavingText(0, 10), "");                   // nothing to compare with
}

TEST(Savings, RunSummaryNamesFailuresStopsAndLargerResults) {
    Completion c;
    c.total = 5;
    c.finished = 4;
    c.written = 3;
    c.failed = 1;
    c.stopped = true;
    c.bytesIn = 3 * 1024 * 1024;
    c.bytesOut = 1024 * 1024;
    c.larger = {"/p/small.png"};
    EXPECT_EQ(RunSummaryText(c), "已写入 3 张 · 失败 1 张 · 未处理 1 张 · 3.0 MB → 1.0 MB (−66.7%) · 1 张比原图大");
    Completion none;
    EXPECT_EQ(RunSummaryText(none), "已写入 0 张");
}

TEST(Report, OneRowPerEntryInListOrderQuotedWhereNeeded) {
    CsvReport report({"/p/a.jpg", "/p/b,\"x\".png", "/p/c.jpg", "/p/d.jpg"});
    PictureResult b;  // finished first: rows still follow the list
    b.index = 1;
    b.source = "/p/b,\"x\".png";
    b.failureLine = b.source + "在显示图片时发生错误:(481)不是可以读取的图片。";
    b.bytesIn = 3;
    report.add(b);
    PictureResult a;
    a.index = 0;
    a.source = "/p/a.jpg";
    a.output = "/o/a.jpg";
    a.written = true;
    a.width = 800;
    a.height = 600;
    a.bytesIn = 4000000;
    a.bytesOut = 145000;
    a.quality = 85;
    report.add(a);
    PictureResult c;
    c.index = 2;
    c.source = "/p/c.jpg";
    c.skipped = true;
    c.notice = "已跳过 /p/c.jpg";
    report.add(c);
    EXPECT_EQ(report.text(),
              "\xEF\xBB\xBF原图,结果,宽度,高度,原大小(字节),结果大小(字节),质量,状态,说明\r\n"
              "/p/a.jpg,/o/a.jpg,800,600,4000000,145000,85,成功,\r\n"
              "\"/p/b,\"\"x\"\".png\",,,,3,,,失败,在显示图片时发生错误:(481)不是可以读取的图片。\r\n"
              "/p/c.jpg,,,,,,,跳过,已跳过 /p/c.jpg\r\n"
              "/p/d.jpg,,,,,,,未处理,\r\n");
}
