// The main window as a whole: start-up with its stored values, the size list, the batch buttons,
// close versus exit, skins, the live preview, number boxes and the full-screen refusals.
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "app/batchpanel.h"
#include "app/programicon.h"
#include "app/toolframes.h"
#include "app/viewcommands.h"
#include "app/windowfixture.h"
#include "filelist/filelistpanel.h"

using namespace tavu;
using namespace tavu::test;

TEST(MainWindow, FirstStartWithAnEmptyStore) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavu照片/相片/图片压缩1.0版"));
    EXPECT_TRUE(QDir(QString::fromStdString(f.work.file("zp"))).exists());
    EXPECT_TRUE(QDir(QString::fromStdString(f.work.file("user"))).exists());
    EXPECT_EQ(ui.lOut->text(), QStringLiteral("输出文件夹:") + QString::fromStdString(f.work.file("zp")));
    EXPECT_EQ(Items(ui.cmbSize), (QStringList{"限制宽度", "原始尺寸", "800×600", "640×480", "自定义尺寸..."}));
    EXPECT_EQ(ui.cmbSize->currentIndex(), 0);
    EXPECT_EQ(ui.txtW->text(), "500");
    EXPECT_EQ(ui.txtH->text(), "0");
    EXPECT_TRUE(ui.txtW->isEnabled());
    EXPECT_FALSE(ui.txtH->isEnabled());
    EXPECT_EQ(Items(ui.cmbBK), (QStringList{"无边框", "Gold", "Wood", "添加本地边框...", "网络下载边框..."}));
    EXPECT_EQ(ui.cmbBK->currentIndex(), 0);
    EXPECT_FALSE(ui.chkInfoTxt->isChecked());
    EXPECT_EQ(Items(ui.cmbEncode), (QStringList{"原格式", "jpg", "png", "tiff", "bmp", "webp"}));
    EXPECT_EQ(ui.lFile->text(), "图片数量:0个");
    EXPECT_FALSE(ui.cmdDel->isEnabled());
    EXPECT_FALSE(ui.cmdStop->isEnabled());
    EXPECT_TRUE(w->state().bLoaded);
}

TEST(MainWindow, StoredValuesComeBack) {
    Fixture f;
    f.store.values = {{"iuSize", "3"}, {"iuBk", "2"}, {"sText", "Hello"}, {"iuTSyX", "0.25"}, {"iSize", "12"}};
    auto w = f.open();
    const Ui ui(w.get());
    EXPECT_EQ(ui.cmbSize->currentIndex(), 3);
    EXPECT_EQ(ui.txtW->text(), "640");
    EXPECT_EQ(ui.txtH->text(), "480");
    EXPECT_FALSE(ui.txtW->isEnabled());
    EXPECT_EQ(ui.cmbBK->currentIndex(), 2);
    EXPECT_TRUE(ui.chkInfoTxt->isChecked());
    EXPECT_EQ(ui.cmbPos->currentText(), "自定义");
    EXPECT_EQ(ui.txtSize->text(), "12");
    EXPECT_TRUE(f.prompts.errors.empty());
}

TEST(MainWindow, SizeListRules) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    ui.cmbSize->setCurrentIndex(2);
    EXPECT_EQ(ui.txtW->text(), "800");
    EXPECT_EQ(ui.txtH->text(), "600");
    EXPECT_FALSE(ui.txtW->isEnabled());
    ui.cmbSize->setCurrentIndex(4);  // custom: 400 x 300 whatever the boxes held
    EXPECT_EQ(ui.txtW->text(), "400");
    EXPECT_EQ(ui.txtH->text(), "300");
    EXPECT_TRUE(ui.txtW->isEnabled());
    EXPECT_TRUE(ui.txtH->isEnabled());
    EXPECT_EQ(ui.lInfo->text(), "【提示】请输入图片宽度和高度。");
    ui.cmbSize->setCurrentIndex(1);
    EXPECT_EQ(ui.txtW->text(), "0");
    EXPECT_FALSE(ui.txtW->isEnabled());
    ui.cmbSize->setCurrentIndex(0);
    EXPECT_EQ(ui.txtW->text(), "500");
    EXPECT_EQ(ui.lInfo->text(), "【提示】输入图片宽度,高度将按原图片比例自动换算。");
    ui.txtSize->setText("12");
    EXPECT_EQ(w->state().settings.iSize, 12);
    ui.txtSize->setText("");
    EXPECT_EQ(w->state().settings.iSize, 12);
}

TEST(MainWindow, RefusalsAndTheMinimiseQuestion) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->batchPanel().cmdDone_Click();
    ASSERT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(f.prompts.errors[0], "没有添加要处理的图片！");

    WriteSolid(f.work.file("a.png"), 40, 30, {1, 2, 3});
    w->files().addPaths({QString::fromStdString(f.work.file("a.png"))}, true);
    ui.cmbSize->setCurrentIndex(4);
    ui.txtW->setText("0");
    w->batchPanel().cmdDone_Click();
    ASSERT_EQ(f.prompts.errors.size(), 2u);
    EXPECT_EQ(f.prompts.errors[1], "图片尺寸不能为0！");
    EXPECT_TRUE(ui.cmdDone->isEnabled());

    // 101 pictures ask whether to run minimised; the run goes on whatever the answer.
    QStringList many;
    for (int i = 0; i < 101; ++i) many << QString::fromStdString(f.work.file("a.png")) + QString::number(i) + ".png";
    w->files().addPaths(many, false);
    ui.cmbSize->setCurrentIndex(0);
    w->batchPanel().cmdDone_Click();
    ASSERT_EQ(f.prompts.questions.size(), 1u);
    EXPECT_TRUE(f.prompts.questions[0].startsWith("确认最小化吗？"));
    w->batchPanel().cmdStop_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running(); }));
}

TEST(MainWindow, BatchButtonsThroughARunAndAStop) {
    Fixture f;
    f.store.values["bSaveErr"] = "1";
    auto w = f.open();
    const Ui ui(w.get());
    QStringList pics;
    for (int i = 0; i < 3; ++i) {
        pics << QString::fromStdString(f.work.file("p" + std::to_string(i) + ".png"));
        WriteSolid(pics.back().toStdString(), 60, 40, {9, 9, 9});
    }
    pics << QString::fromStdString(f.work.file("missing.png"));
    w->files().addPaths(pics, true);
    f.prompts.answers = {true};  // yes, show the error log
    w->batchPanel().cmdDone_Click();
    EXPECT_FALSE(ui.cmdDone->isEnabled());
    EXPECT_TRUE(ui.cmdStop->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    EXPECT_EQ(ui.cmdDone->text(), "开始处理");
    EXPECT_FALSE(ui.cmdStop->isEnabled());
    EXPECT_EQ(ui.lInfo->text(), "请注意,在图片处理或上传过程中发生错误。【提示】处理完毕！图片已保存到输出文件夹。");
    const QString zp = QString::fromStdString(f.work.file("zp"));
    ASSERT_EQ(f.opened.size(), 2u);
    EXPECT_EQ(f.opened[0], zp);                       // the output folder
    EXPECT_EQ(f.opened[1], zp + "/ErrorLog.txt");     // the error log, after Yes
    EXPECT_TRUE(QFileInfo::exists(zp + "/p2.png"));

    // A stop brings the buttons back at once.
    w->batchPanel().cmdDone_Click();
    w->batchPanel().cmdStop_Click();
    EXPECT_TRUE(ui.cmdDone->isEnabled());
    EXPECT_EQ(ui.cmdDone->text(), "开始处理");
    EXPECT_FALSE(ui.cmdStop->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running(); }));
}

TEST(MainWindow, SettingsWrittenOnCloseNotOnExit) {
    Fixture f;
    {
        auto w = f.open();
        const Ui ui(w.get());
        ui.cmbSize->setCurrentIndex(2);
        ui.cmbBK->setCurrentIndex(1);
        ui.txtAlpha->setText("75");
        w->close();
    }
    EXPECT_EQ(f.store.values["iuSize"], "2");
    EXPECT_EQ(f.store.values["iuBk"], "1");
    EXPECT_EQ(f.store.values["iuSYAlpha"], "75");
    {
        auto w = f.open();
        const Ui ui(w.get());
        EXPECT_EQ(ui.cmbSize->currentIndex(), 2);
        ui.cmbSize->setCurrentIndex(4);
        ui.cmbBK->setCurrentIndex(3);  // an action entry is never stored
        w->mExit_Click();
        EXPECT_EQ(f.quits, 1);  // through the seam: a real quit would end every later event loop
    }
    EXPECT_EQ(f.store.values["iuSize"], "2");
    EXPECT_EQ(f.store.values["iuBk"], "1");
}

TEST(MainWindow, SkinChoiceIsPersisted) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->mSkin_Click(2);
    const std::string expect = f.program.path() + "/skin/Aero皮肤.she";
    EXPECT_EQ(f.store.values["sSkinFileName"], expect);
    EXPECT_TRUE(ui.mSkin[2]->isChecked());
    EXPECT_FALSE(ui.mSkin[0]->isChecked());
}

TEST(MainWindow, PreviewShowsTheSelectedPictureAsItWillBeSaved) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 300, 200, {200, 100, 50});
    QSignalSpy shown(w.get(), &MainWindow::previewShown);
    w->files().addPaths({a}, true);
    ui.txtW->setText("150");
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull() && w->state().previewImage.width() == 150; }));
    EXPECT_EQ(w->state().previewImage.height(), 100);
    // The channel gains and an effect reach the preview.
    ui.txtRGB[0]->setText("0");
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull() && qRed(w->state().previewImage.pixel(75, 50)) == 0; }));
    w->toolFrames().mTX_Click(11);  // 底片: inverted
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull() && qRed(w->state().previewImage.pixel(75, 50)) == 255; }));
}

TEST(MainWindow, NumberBoxesSelectOnTheirFirstClickAndShowTheirTip) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->show();
    QTest::mouseClick(ui.txtW, Qt::LeftButton);
    EXPECT_EQ(ui.lInfo->text(), "【提示】输入图片的宽度(单位:像素)。");
    EXPECT_EQ(ui.txtW->selectedText(), "500");
    ui.txtW->deselect();
    QTest::mouseClick(ui.txtW, Qt::LeftButton);
    EXPECT_EQ(ui.txtW->selectedText(), "");  // only the first click selects
}

TEST(MainWindow, PresetsFileInGbk) {
    Fixture f;
    WriteBytes(f.program.file("size.ini"), {0xD2, 0xBB, 0xB4, 0xE7, ';', '2', '9', '5', ';', '4', '1', '3', '\r', '\n'});
    auto w = f.open();
    const Ui ui(w.get());
    EXPECT_EQ(Items(ui.cmbSize), (QStringList{"限制宽度", "原始尺寸", "一寸", "自定义尺寸..."}));
    ui.cmbSize->setCurrentIndex(2);
    EXPECT_EQ(ui.txtW->text(), "295");
    EXPECT_EQ(ui.txtH->text(), "413");
}

TEST(MainWindow, FullScreenCommandsRefuseWhatCannotBeShown) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->commands().mFBrows_Click();
    EXPECT_EQ(ui.lInfo->text(), "【操作错误】当前没有图片可以浏览。");
    ui.cmbSize->setCurrentIndex(4);
    ui.txtW->setText("0");
    ui.txtH->setText("0");
    w->commands().mFBrows2_Click();
    ASSERT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(f.prompts.errors[0], "图片尺寸不能同时为0！");
    ui.cmbSize->setCurrentIndex(1);  // the picture's own size: both boxes say 0, and that is fine
    w->commands().mFBrows2_Click();
    EXPECT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(ui.lInfo->text(), "【操作错误】没有可预览的图片。");
}

TEST(MainWindow, ToolFramesAppearAtThePreviewsEdges) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->resize(1100, 700);
    w->show();
    QApplication::processEvents();
    auto moveTo = [&](QPoint at) {
        QCursor::setPos(ui.picImg->mapToGlobal(at));
        QMouseEvent move(QEvent::MouseMove, QPointF(at), ui.picImg->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(ui.picImg, &move);
    };
    const QRect r = ui.picImg->rect();
    moveTo(r.center());
    EXPECT_FALSE(ui.Frame3->isVisible());
    EXPECT_FALSE(ui.Frame4->isVisible());
    moveTo(QPoint(r.center().x(), r.top() + 5));
    EXPECT_TRUE(ui.Frame4->isVisible());
    moveTo(QPoint(r.right() - 5, r.center().y()));
    EXPECT_TRUE(ui.Frame3->isVisible());
    EXPECT_FALSE(ui.Frame4->isVisible());
    ui.mKTTool->trigger();  // pinned: stays when the pointer leaves
    moveTo(r.center());
    EXPECT_TRUE(ui.Frame4->isVisible());
}

TEST(MainWindow, PicturesNamedAtStartGoIntoTheList) {
    // What "open with" in a file manager and `tavuzip FILE|FOLDER...` hand over.
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    f.work.mkdir("in");
    WriteSolid(f.work.file("in/b.jpg"), 8, 8, {10, 20, 30});
    WriteSolid(f.work.file("in/a.png"), 8, 8, {10, 20, 30});
    WriteBytes(f.work.file("in/notes.txt"), {'x'});
    WriteSolid(f.work.file("single.bmp"), 8, 8, {10, 20, 30});
    w->addStartupPaths({QString::fromStdString(f.work.file("single.bmp")),
                        QString::fromStdString(f.work.file("in")),
                        QString::fromStdString(f.work.file("in/notes.txt")),
                        QString::fromStdString(f.work.file("single.bmp"))});
    ASSERT_EQ(ui.lstFile->count(), 3);
    EXPECT_TRUE(ui.lstFile->item(0)->text().endsWith("single.bmp"));
    EXPECT_TRUE(ui.lstFile->item(1)->text().endsWith("in/a.png"));
    EXPECT_TRUE(ui.lstFile->item(2)->text().endsWith("in/b.jpg"));
    EXPECT_EQ(ui.lstFile->currentRow(), 2);
    EXPECT_TRUE(ui.cmdDel->isEnabled());
    EXPECT_EQ(ui.lFile->text(), "图片数量:3个");
}

TEST(MainWindow, ProgramIconIsBuiltIn) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}
