// What a new user meets in the first minutes: the window on a small screen, texts shown as typed,
// honest reports, shortcuts, the tool frames, scans, drops and borders.
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include "app/batchpanel.h"
#include "app/outputpanel.h"
#include "batch/resultnames.h"
#include "app/shell.h"
#include "app/skins.h"
#include "app/toolframes.h"
#include "app/viewer.h"
#include "app/widgets.h"
#include "app/windowfixture.h"
#include "filelist/filelistpanel.h"
#include "watermark/decorationspanel.h"

using namespace tavu;
using namespace tavu::test;

namespace {

QString DistDir() { return QString::fromUtf8(TAVU_DIST_DIR); }

int OpenViewers() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<FullScreenViewer*>(w) && w->isVisible()) ++n;
    return n;
}

}  // namespace

TEST(FirstMinutes, TheWindowFitsA1280x720ScreenInEveryShippedSkin) {
    Fixture f;
    auto w = f.open();
    for (int i = 0; i < kOtherSkinMenuIndex; ++i) {
        const QString skin = SkinFileForMenuIndex(DistDir(), i);
        SCOPED_TRACE(skin.toStdString());
        ASSERT_TRUE(ApplySkinFile(skin));
        // Room for a title bar and a panel: the window asks for no more than 1280 x 680.
        const QSize min = w->minimumSizeHint().expandedTo(w->minimumSize());
        EXPECT_LE(min.width(), 1280);
        EXPECT_LE(min.height(), 680);
    }
    ApplySkinFile(QString());
    // The preview takes the room a larger window has.
    const Ui ui(w.get());
    w->resize(1000, 650);
    w->show();
    QApplication::processEvents();
    const int small = ui.picImg->width();
    w->resize(1400, 900);
    QApplication::processEvents();
    EXPECT_GE(ui.picImg->width(), small + 350);
}

TEST(FirstMinutes, LongTextsNeverWidenTheWindowAndShowAsTyped) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->resize(1100, 700);
    w->show();
    QApplication::processEvents();
    const int before = w->minimumSizeHint().width();
    const QString longPath = QStringLiteral("/home/user/") + QString(300, QLatin1Char('d')) + QStringLiteral("/<b>粗</b>.jpg");
    w->ShowTip(QStringLiteral("【提示】") + longPath);
    TextStyle s;
    s.text = QStringLiteral("<b>粗</b>") + QString(200, QLatin1Char('x'));
    w->context().editTextStyle = [s](QWidget*, const TextStyle&) { return std::optional(s); };
    w->decorationsPanel().mSetTxt_Click();
    EXPECT_EQ(w->minimumSizeHint().width(), before);
    EXPECT_EQ(ui.lTxt->text(), QStringLiteral("文字水印:") + s.text);  // the whole text is kept
    for (QLabel* l : {ui.lInfo, ui.lTxt, ui.lSY, ui.lOut, ui.lFile}) EXPECT_EQ(l->textFormat(), Qt::PlainText);
    // Shortened in the middle to the room there is.
    const QString shown = static_cast<ElidedLabel*>(ui.lTxt)->shownText();
    EXPECT_LT(shown.size(), ui.lTxt->text().size());
    EXPECT_TRUE(shown.startsWith(QStringLiteral("文字水印:")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("xxx")));
    // Tooltips are escaped: Qt would take "<b>" for markup.
    EXPECT_TRUE(PlainTip(QStringLiteral("<b>粗</b>")).contains(QStringLiteral("&lt;b&gt;粗&lt;/b&gt;")));
}

TEST(FirstMinutes, TipsAreShortenedByCharacters) {
    QString many;
    for (int i = 0; i < 300; ++i) many += QString::fromUcs4(U"\U0001F600", 1);  // outside the basic plane
    const QString tip = ShortenTip(many);
    EXPECT_EQ(tip.toUcs4().size(), 233);
    EXPECT_TRUE(tip.endsWith(QStringLiteral("...")));
    EXPECT_FALSE(tip.at(tip.size() - 4).isHighSurrogate());
    EXPECT_EQ(ShortenTip(QString(240, QLatin1Char('a'))).size(), 240);
}

TEST(FirstMinutes, AStoppedRunSaysItStoppedAndOpensNothing) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 64, 48, {5, 5, 5});
    QStringList many;
    for (int i = 0; i < 300; ++i) many << QString::fromStdString(f.work.file("p" + std::to_string(i) + ".png"));
    for (const QString& p : many) QFile::link(a, p);
    w->files().addPaths(many, false);
    w->batchPanel().cmdDone_Click();
    w->batchPanel().cmdStop_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running(); }));
    QApplication::processEvents();
    EXPECT_TRUE(ui.lInfo->text().startsWith(QStringLiteral("【提示】已停止。已保存"))) << ui.lInfo->text().toStdString();
    EXPECT_TRUE(f.opened.empty());  // the output folder is not opened as if the run had finished
}

TEST(FirstMinutes, FailuresAreNamedAndAnUnwritableErrorLogIsNotOffered) {
    Fixture f;
    f.store.values["bSaveErr"] = "1";
    auto w = f.open();
    const Ui ui(w.get());
    // ErrorLog.txt cannot be written: a folder stands in its place.
    QDir().mkpath(QString::fromStdString(f.work.file("zp/ErrorLog.txt")));
    w->files().addPaths({QString::fromStdString(f.work.file("missing.png"))}, true);
    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    EXPECT_TRUE(f.prompts.questions.empty());  // no offer to open a file that does not exist
    EXPECT_TRUE(ui.lInfo->text().startsWith(QStringLiteral("请注意,有1张图片处理失败,错误记录无法保存")))
        << ui.lInfo->text().toStdString();
}

TEST(FirstMinutes, HiddenMenuEntriesActByTheirShortcuts) {
    Fixture f;
    auto w = f.open();
    int textWindows = 0;
    w->context().editTextStyle = [&](QWidget*, const TextStyle&) {
        ++textWindows;
        return std::optional<TextStyle>();
    };
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(textWindows, 1);
    QTest::keyClick(w.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Find<QLabel>(w.get(), "lInfo")->text(), QStringLiteral("【提示】请选择要添加的水印图片。"));
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(Find<QLineEdit>(w.get(), "txtPicTxt")->isVisible());
}

TEST(FirstMinutes, ToolFramesAndTheirBoxes) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->resize(1100, 700);
    w->show();
    // No picture: the turn menu's marks do not move.
    QAction* cw = Find<QAction>(w.get(), "mPRT3");
    cw->trigger();
    EXPECT_FALSE(cw->isChecked());
    // A gain that is not a number keeps the gain as it was.
    ui.txtRGB[0]->setText("0.5");
    ui.txtRGB[0]->setText("abc");
    EXPECT_FLOAT_EQ(w->state().cmPic.m[0][0], 0.5f);
    // Enter in a tool frame's box does not open the full-screen preview.
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 120, 90, {5, 5, 5});
    w->files().addPaths({a}, true);
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull(); }));
    w->toolFrames().pinRight();
    ui.txtRGB[1]->setFocus();
    QTest::keyClick(ui.txtRGB[1], Qt::Key_Return);
    EXPECT_EQ(OpenViewers(), 0);
    // The brightness panel opens from the right tool frame and from the preview's menu.
    Find<QPushButton>(w.get(), "cmdBright")->click();
    EXPECT_TRUE(Find<QWidget>(w.get(), "frmTZ")->isVisible());
    EXPECT_TRUE(Find<QMenu>(w.get(), "mImgOpt")->actions().contains(Find<QAction>(w.get(), "mPLD")));
    // The list browser and the slide show are on the list's menu.
    const QList<QAction*> listMenu = Find<QMenu>(w.get(), "mLst")->actions();
    EXPECT_TRUE(listMenu.contains(Find<QAction>(w.get(), "mLBBrows")));
    EXPECT_TRUE(listMenu.contains(Find<QAction>(w.get(), "mLSBrows")));
    EXPECT_EQ(ui.txtXp->toolTip(), QStringLiteral("图片左边"));
    EXPECT_EQ(ui.txtYp->toolTip(), QStringLiteral("图片上边"));
    EXPECT_FALSE(ui.txtW->acceptDrops());  // dropped files go to the list, not into a box
}

TEST(FirstMinutes, AScanUnderWayIsSaidAndClosingEndsItCleanly) {
    Fixture f;
    const std::string root = f.work.mkdir("many");
    for (int i = 0; i < 3000; ++i) WriteBytes(f.work.file("many/" + std::to_string(i) + ".jpg"), {0});
    auto w = f.open();
    const Ui ui(w.get());
    f.prompts.folder = QString::fromStdString(root);
    w->files().cmdAdds_Click();
    ASSERT_TRUE(w->files().scanning());
    w->files().cmdAdds_Click();
    EXPECT_EQ(ui.lInfo->text(), QStringLiteral("【提示】正在查找图片,请等它结束,或按Esc键取消。"));
    w->close();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w.reset();  // the scan's thread is joined
    QApplication::processEvents();
}

TEST(FirstMinutes, DroppedPicturesWithAWebAddressAndTransparency) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    QImage img(20, 10, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.com/a.png"))});
    data.setImageData(img);
    w->dropAt(&data, ui.lstFile->mapTo(w.get(), ui.lstFile->rect().center()));
    ASSERT_EQ(ui.lstFile->count(), 1);
    EXPECT_EQ(ReadCanvas(ui.lstFile->item(0)->text().toStdString()).pixel(3, 3), kCanvasBackground);
}

TEST(FirstMinutes, AddedBordersGoToTheWorkingFolderAndOnlyPngFilesAreBorders) {
    Fixture f;
    WriteBytes(f.program.file("bk/notapng"), {0});
    WriteSolid(f.work.file("Mine.png"), 20, 20, {1, 2, 3});
    auto w = f.open();
    const Ui ui(w.get());
    EXPECT_EQ(Items(ui.cmbBK), (QStringList{"无边框", "Gold", "Wood", "添加本地边框...", "网络下载边框..."}));
    f.prompts.fileAnswer = QString::fromStdString(f.work.file("Mine.png"));
    ui.cmbBK->setCurrentIndex(ui.cmbBK->count() - 2);
    EXPECT_EQ(ui.cmbBK->currentText(), "Mine");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(f.work.file("bk/Mine.png"))));  // not the program folder
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f.program.file("bk/Mine.png"))));
    w.reset();
    auto again = f.open();
    EXPECT_TRUE(Items(Find<QComboBox>(again.get(), "cmbBK")).contains("Mine"));  // both folders are read
}

TEST(FirstMinutes, TheSkinChooserAsksWithItsFullStop) {
    Fixture f;
    auto w = f.open();
    w->mSkin_Click(4);
    ASSERT_FALSE(f.prompts.filePrompts.isEmpty());
    EXPECT_EQ(f.prompts.filePrompts.back(), QStringLiteral("请选择皮肤文件。"));
}

TEST(FirstMinutes, SameNamedResultsAndExistingFilesAreReportedInTheWindow) {
    Fixture f;
    f.store.values["bAutoODir"] = "0";
    f.store.values["iExisting"] = "1";  // 跳过 for files already in the output folder
    auto w = f.open();
    const Ui ui(w.get());
    ASSERT_EQ(w->state().batchOptions().existing, ExistingPolicy::Skip);
    const std::string d1 = f.work.mkdir("d1"), d2 = f.work.mkdir("d2"), out = f.work.mkdir("out");
    WriteSolid(d1 + "/same.png", 30, 20, {200, 0, 0});
    WriteSolid(d2 + "/same.png", 30, 20, {0, 0, 200});
    WriteSolid(d2 + "/old.png", 30, 20, {0, 200, 0});
    WriteBytes(out + "/old.png", {1, 2, 3});  // an earlier result the user keeps
    f.prompts.folder = QString::fromStdString(out);
    w->output().cmdODir_Click();
    ASSERT_EQ(w->state().sOutDir, QString::fromStdString(out));
    ui.cmbEncode->setCurrentText(QStringLiteral("png"));
    w->files().addPaths({QString::fromStdString(d1 + "/same.png"), QString::fromStdString(d2 + "/same.png"),
                         QString::fromStdString(d2 + "/old.png")},
                        true);
    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    EXPECT_EQ(ReadCanvas(out + "/same.png").pixel(1, 1).r, 200);
    EXPECT_EQ(ReadCanvas(out + "/same (1).png").pixel(1, 1).b, 200);
    EXPECT_EQ(ReadBytes(out + "/old.png"), (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_EQ(f.prompts.informs.size(), 1u);
    const QString& text = f.prompts.informs[0];
    EXPECT_TRUE(text.contains(QStringLiteral("有1张图片因与其他图片或已有文件同名而改名保存,1张因已有同名文件而跳过")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("same (1).png")));
    EXPECT_TRUE(text.contains(QStringLiteral("old.png")));
}
