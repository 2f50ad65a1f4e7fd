#include <QHeaderView>
#include <QImage>

#include "app/batchpanel.h"
#include "app/outputpanel.h"
#include "app/windowfixture.h"
#include "batch/savings.h"
#include "filelist/filelistpanel.h"
#include "filelist/listcolumns.h"

using namespace tavu;
using namespace tavu::test;

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
uint64_t Size(const std::string& path) { return ReadBytes(path).size(); }
}  // namespace

TEST(ListColumns, FactsOfMixedPicturesThenTheResultsOfTheRun) {
    Fixture f;
    f.store.values["bAutoODir"] = "0";
    auto w = f.open();
    const Ui ui(w.get());
    const std::string in = f.work.mkdir("in"), out = f.work.mkdir("out");
    WritePicture(in + "/photo.jpg", 300, 200, [](int x, int y) { return Rgb{uint8_t(x * 5), uint8_t(y * 3), uint8_t(x ^ y)}; },
                 "[Q=95]");
    WriteSolid(in + "/tiny.png", 30, 20, {200, 10, 10});  // a few bytes as PNG; its JPEG copy is larger
    WritePicture(in + "/side.tif", 40, 90, [](int x, int) { return Rgb{uint8_t(x), 0, 0}; });
    WriteBytes(in + "/broken.jpg", {0xFF, 0xD8, 1, 2, 3});
    f.prompts.folder = Q(out);
    w->output().cmdODir_Click();
    ui.cmbEncode->setCurrentText(QStringLiteral("jpg"));
    ui.txtW->setText(QStringLiteral("100"));
    const std::vector<std::string> paths = {in + "/photo.jpg", in + "/tiny.png", in + "/side.tif", in + "/broken.jpg"};
    QStringList shown;
    for (const std::string& p : paths) shown << Q(p);
    w->files().addPaths(shown, true);

    FactsReader& facts = w->files().facts();
    facts.waitIdle();
    const auto cell = [&](int column, size_t row) {
        const auto it = w->state().results.find(paths[row]);
        return ColumnCell(column, Q(paths[row]), facts.find(paths[row]),
                          it == w->state().results.end() ? nullptr : &it->second);
    };
    EXPECT_EQ(cell(kColName, 0).text, QStringLiteral("photo.jpg"));
    EXPECT_EQ(cell(kColPixels, 0).text, QStringLiteral("300×200"));
    EXPECT_EQ(cell(kColPixels, 2).text, QStringLiteral("40×90"));
    EXPECT_EQ(cell(kColPixels, 3).text, QStringLiteral("无法读取"));
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(cell(kColBytes, i).text, Q(ByteSizeText(Size(paths[i])))) << i;
    QHeaderView* header = w->files().header();
    EXPECT_TRUE(header->isSectionHidden(kColResult));  // nothing run yet
    EXPECT_TRUE(header->isSectionHidden(kColSaving));
    EXPECT_FALSE(ui.lstFile->grab().isNull());  // the rows paint

    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    EXPECT_FALSE(header->isSectionHidden(kColResult));
    EXPECT_FALSE(header->isSectionHidden(kColSaving));
    EXPECT_EQ(cell(kColResult, 0).text, Q(ByteSizeText(Size(out + "/photo.jpg"))));
    EXPECT_EQ(cell(kColSaving, 0).text, Q(SavingText(Size(paths[0]), Size(out + "/photo.jpg"))));
    EXPECT_EQ(cell(kColSaving, 0).tone, -1);  // green
    EXPECT_EQ(cell(kColSaving, 1).tone, 1);   // red: larger than its source
    EXPECT_TRUE(cell(kColSaving, 1).text.startsWith(QLatin1Char('+')));
    EXPECT_EQ(cell(kColResult, 3).text, QStringLiteral("失败"));
    EXPECT_TRUE(cell(kColSaving, 3).text.isEmpty());

    // The tooltips: the result's facts, or why it failed.
    const QString written = w->files().rowToolTip(0);
    EXPECT_TRUE(written.startsWith(Q(paths[0]) + QStringLiteral("\n结果: ") + Q(out + "/photo.jpg"))) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("100×67"))) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("质量85")));
    const QString failed = w->files().rowToolTip(3);
    EXPECT_TRUE(failed.contains(QStringLiteral("\n失败: 在显示图片时发生错误"))) << failed.toStdString();
    EXPECT_TRUE(w->files().rowToolTip(1).contains(QStringLiteral("结果比原图大")));
    EXPECT_FALSE(ui.lstFile->grab().isNull());

    // The summary names the larger result, and lists it when clicked.
    const QLabel* sum = Find<QLabel>(w.get(), "lSum");
    EXPECT_TRUE(sum->isVisibleTo(w.get()));
    EXPECT_TRUE(sum->text().contains(QStringLiteral("已写入 3 张 · 失败 1 张"))) << sum->text().toStdString();
    EXPECT_TRUE(sum->text().contains(QStringLiteral("1 张比原图大"))) << sum->text().toStdString();
    EXPECT_EQ(w->batchPanel().lastRun().larger, std::vector<std::string>{paths[1]});
    f.prompts.informs.clear();
    w->batchPanel().showLarger();
    ASSERT_EQ(f.prompts.informs.size(), 1u);
    EXPECT_TRUE(f.prompts.informs[0].contains(Q(paths[1])));

    // Removing and undoing keeps each row's facts with its picture.
    ui.lstFile->setCurrentRow(0);
    w->files().cmdDel_Click();
    EXPECT_EQ(ColumnCell(kColPixels, Q(paths[1]), facts.find(w->files().fileList()[0]), nullptr).text,
              QStringLiteral("30×20"));
    w->files().mUndoDel_Click();
    EXPECT_EQ(w->files().fileList()[0], paths[0]);
    EXPECT_EQ(cell(kColPixels, 0).text, QStringLiteral("300×200"));
}
