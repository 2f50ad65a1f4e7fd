#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <deque>

#include "app/mainwindow.h"
#include "imageio/testimages.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// Answers every dialog the window asks, and remembers what was asked.
class FakePrompts final : public Prompts {
public:
    std::vector<QString> errors, questions;
    std::deque<bool> answers;  // for ask(); No when empty
    QString folder;
    bool subfolders = false;
    QStringList files;
    void error(QWidget*, const QString& text, const QString&) override { errors.push_back(text); }
    bool ask(QWidget*, const QString& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> inputAnswer;
    std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return inputAnswer; }
    QString chooseFolder(QWidget*, const QString&, const QString&, bool* sub) override {
        if (sub) *sub = subfolders;
        return folder;
    }
    QStringList chooseFiles(QWidget*, const QString&, const QString&, const QString&) override { return files; }
    QString chooseFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

struct Fixture {
    TempDir program, work;
    MemorySettingsStore store;
    FakePrompts prompts;
    std::vector<QString> opened;

    Fixture() {
        const std::string ini = "800×600;800;600\r\n\r\n640×480;640;480\r\n";
        WriteBytes(program.file("size.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
        program.mkdir("bk");
        for (const char* f : {"Gold.png", "readme.txt", "Wood.PNG"}) WriteBytes(program.file(std::string("bk/") + f), {0});
    }
    std::unique_ptr<MainWindow> open() {
        AppContext c;
        c.programDir = QString::fromStdString(program.path());
        c.workDir = QString::fromStdString(work.path());
        c.settings = &store;
        c.prompts = &prompts;
        c.openFolder = [this](const QString& p) { opened.push_back(p); };
        c.openTextFile = [this](const QString& p) { opened.push_back(p); };
        c.openWebPage = [this](const QString& p) { opened.push_back(p); };
        return std::make_unique<MainWindow>(c);
    }
};

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QStringList Items(QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

}  // namespace

TEST(MainWindow, FirstStartWithAnEmptyStore) {
    Fixture f;
    auto w = f.open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavu照片/相片/图片压缩1.0版"));
    EXPECT_TRUE(QDir(QString::fromStdString(f.work.file("zp"))).exists());
    EXPECT_TRUE(QDir(QString::fromStdString(f.work.file("user"))).exists());
    EXPECT_EQ(w->lOut->text(), QStringLiteral("输出文件夹:") + QString::fromStdString(f.work.file("zp")));
    EXPECT_EQ(Items(w->cmbSize), (QStringList{"限制宽度", "原始尺寸", "800×600", "640×480", "自定义尺寸..."}));
    EXPECT_EQ(w->cmbSize->currentIndex(), 0);
    EXPECT_EQ(w->txtW->text(), "500");
    EXPECT_EQ(w->txtH->text(), "0");
    EXPECT_TRUE(w->txtW->isEnabled());
    EXPECT_FALSE(w->txtH->isEnabled());
    EXPECT_EQ(Items(w->cmbBK), (QStringList{"无边框", "Gold", "Wood", "添加本地边框...", "网络下载边框..."}));
    EXPECT_EQ(w->cmbBK->currentIndex(), 0);
    EXPECT_FALSE(w->chkInfoTxt->isChecked());
    EXPECT_EQ(Items(w->cmbEncode), (QStringList{"原格式", "jpg", "png", "tiff", "bmp"}));
    EXPECT_EQ(w->lFile->text(), "图片数量:0个");
    EXPECT_FALSE(w->cmdDel->isEnabled());
    EXPECT_FALSE(w->cmdStop->isEnabled());
    EXPECT_TRUE(w->bLoaded);
}

TEST(MainWindow, StoredValuesComeBack) {
    Fixture f;
    f.store.values = {{"iuSize", "3"}, {"iuBk", "2"}, {"sText", "Hello"}, {"iuTSyX", "0.25"}, {"iSize", "12"}};
    auto w = f.open();
    EXPECT_EQ(w->cmbSize->currentIndex(), 3);
    EXPECT_EQ(w->txtW->text(), "640");
    EXPECT_EQ(w->txtH->text(), "480");
    EXPECT_FALSE(w->txtW->isEnabled());
    EXPECT_EQ(w->cmbBK->currentIndex(), 2);
    EXPECT_TRUE(w->chkInfoTxt->isChecked());
    EXPECT_EQ(w->cmbPos->currentText(), "自定义");
    EXPECT_EQ(w->txtSize->text(), "12");
    EXPECT_TRUE(f.prompts.errors.empty());
}

TEST(MainWindow, SizeListRules) {
    Fixture f;
    auto w = f.open();
    w->cmbSize->setCurrentIndex(2);
    EXPECT_EQ(w->txtW->text(), "800");
    EXPECT_EQ(w->txtH->text(), "600");
    EXPECT_FALSE(w->txtW->isEnabled());
    w->cmbSize->setCurrentIndex(4);  // custom: 400 x 300 whatever the boxes held
    EXPECT_EQ(w->txtW->text(), "400");
    EXPECT_EQ(w->txtH->text(), "300");
    EXPECT_TRUE(w->txtW->isEnabled());
    EXPECT_TRUE(w->txtH->isEnabled());
    EXPECT_EQ(w->lInfo->text(), "【提示】请输入图片宽度和高度。");
    w->cmbSize->setCurrentIndex(1);
    EXPECT_EQ(w->txtW->text(), "0");
    EXPECT_FALSE(w->txtW->isEnabled());
    w->cmbSize->setCurrentIndex(0);
    EXPECT_EQ(w->txtW->text(), "500");
    EXPECT_EQ(w->lInfo->text(), "【提示】输入图片宽度,高度将按原图片比例自动换算。");
    w->txtSize->setText("12");
    EXPECT_EQ(w->settings.iSize, 12);
    w->txtSize->setText("");
    EXPECT_EQ(w->settings.iSize, 12);
}

TEST(MainWindow, RefusalsAndTheMinimiseQuestion) {
    Fixture f;
    auto w = f.open();
    w->cmdDone_Click();
    ASSERT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(f.prompts.errors[0], "没有添加要处理的图片！");

    WriteSolid(f.work.file("a.png"), 40, 30, {1, 2, 3});
    w->addPaths({QString::fromStdString(f.work.file("a.png"))}, true);
    w->cmbSize->setCurrentIndex(4);
    w->txtW->setText("0");
    w->cmdDone_Click();
    ASSERT_EQ(f.prompts.errors.size(), 2u);
    EXPECT_EQ(f.prompts.errors[1], "图片尺寸不能为0！");
    EXPECT_TRUE(w->cmdDone->isEnabled());

    // 101 pictures ask whether to run minimised; the run goes on whatever the answer.
    QStringList many;
    for (int i = 0; i < 101; ++i) many << QString::fromStdString(f.work.file("a.png")) + QString::number(i) + ".png";
    w->addPaths(many, false);
    w->cmbSize->setCurrentIndex(0);
    w->cmdDone_Click();
    ASSERT_EQ(f.prompts.questions.size(), 1u);
    EXPECT_TRUE(f.prompts.questions[0].startsWith("确认最小化吗？"));
    w->cmdStop_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batch().running(); }));
}

TEST(MainWindow, BatchButtonsThroughARunAndAStop) {
    Fixture f;
    f.store.values["bSaveErr"] = "1";
    auto w = f.open();
    QStringList pics;
    for (int i = 0; i < 3; ++i) {
        pics << QString::fromStdString(f.work.file("p" + std::to_string(i) + ".png"));
        WriteSolid(pics.back().toStdString(), 60, 40, {9, 9, 9});
    }
    pics << QString::fromStdString(f.work.file("missing.png"));
    w->addPaths(pics, true);
    f.prompts.answers = {true};  // yes, show the error log
    w->cmdDone_Click();
    EXPECT_FALSE(w->cmdDone->isEnabled());
    EXPECT_TRUE(w->cmdStop->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !w->batch().running() && w->cmdDone->isEnabled(); }));
    EXPECT_EQ(w->cmdDone->text(), "开始处理");
    EXPECT_FALSE(w->cmdStop->isEnabled());
    EXPECT_EQ(w->lInfo->text(), "请注意,在图片处理或上传过程中发生错误。【提示】处理完毕！图片已保存到输出文件夹。");
    const QString zp = QString::fromStdString(f.work.file("zp"));
    ASSERT_EQ(f.opened.size(), 2u);
    EXPECT_EQ(f.opened[0], zp);                       // the output folder
    EXPECT_EQ(f.opened[1], zp + "/ErrorLog.txt");     // the error log, after Yes
    EXPECT_TRUE(QFileInfo::exists(zp + "/p2.png"));

    // A stop brings the buttons back at once.
    w->cmdDone_Click();
    w->cmdStop_Click();
    EXPECT_TRUE(w->cmdDone->isEnabled());
    EXPECT_EQ(w->cmdDone->text(), "开始处理");
    EXPECT_FALSE(w->cmdStop->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !w->batch().running(); }));
}

TEST(MainWindow, SettingsWrittenOnCloseNotOnExit) {
    Fixture f;
    {
        auto w = f.open();
        w->cmbSize->setCurrentIndex(2);
        w->cmbBK->setCurrentIndex(1);
        w->txtAlpha->setText("75");
        w->close();
    }
    EXPECT_EQ(f.store.values["iuSize"], "2");
    EXPECT_EQ(f.store.values["iuBk"], "1");
    EXPECT_EQ(f.store.values["iuSYAlpha"], "75");
    {
        auto w = f.open();
        EXPECT_EQ(w->cmbSize->currentIndex(), 2);
        w->cmbSize->setCurrentIndex(4);
        w->cmbBK->setCurrentIndex(3);  // an action entry is never stored
        w->mExit_Click();
    }
    EXPECT_EQ(f.store.values["iuSize"], "2");
    EXPECT_EQ(f.store.values["iuBk"], "1");
}

TEST(MainWindow, SkinChoiceIsPersisted) {
    Fixture f;
    auto w = f.open();
    w->mSkin_Click(2);
    const std::string expect = f.program.path() + "/skin/Aero皮肤.she";
    EXPECT_EQ(f.store.values["sSkinFileName"], expect);
    EXPECT_TRUE(w->mSkin[2]->isChecked());
    EXPECT_FALSE(w->mSkin[0]->isChecked());
}

TEST(MainWindow, PreviewShowsTheSelectedPictureAsItWillBeSaved) {
    Fixture f;
    auto w = f.open();
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 300, 200, {200, 100, 50});
    QSignalSpy shown(w.get(), &MainWindow::previewShown);
    w->addPaths({a}, true);
    w->txtW->setText("150");
    ASSERT_TRUE(WaitFor([&] { return !w->previewImage().isNull() && w->previewImage().width() == 150; }));
    EXPECT_EQ(w->previewImage().height(), 100);
    // The channel gains and an effect reach the preview.
    w->txtRGB[0]->setText("0");
    ASSERT_TRUE(WaitFor([&] { return !w->previewImage().isNull() && qRed(w->previewImage().pixel(75, 50)) == 0; }));
    w->mTX_Click(11);  // 底片: inverted
    ASSERT_TRUE(WaitFor([&] { return !w->previewImage().isNull() && qRed(w->previewImage().pixel(75, 50)) == 255; }));
}

TEST(MainWindow, NumberBoxesSelectOnTheirFirstClickAndShowTheirTip) {
    Fixture f;
    auto w = f.open();
    w->show();
    QTest::mouseClick(w->txtW, Qt::LeftButton);
    EXPECT_EQ(w->lInfo->text(), "【提示】输入图片的宽度(单位:像素)。");
    EXPECT_EQ(w->txtW->selectedText(), "500");
    w->txtW->deselect();
    QTest::mouseClick(w->txtW, Qt::LeftButton);
    EXPECT_EQ(w->txtW->selectedText(), "");  // only the first click selects
}

TEST(MainWindow, PresetsFileInGbk) {
    Fixture f;
    WriteBytes(f.program.file("size.ini"), {0xD2, 0xBB, 0xB4, 0xE7, ';', '2', '9', '5', ';', '4', '1', '3', '\r', '\n'});
    auto w = f.open();
    EXPECT_EQ(Items(w->cmbSize), (QStringList{"限制宽度", "原始尺寸", "一寸", "自定义尺寸..."}));
    w->cmbSize->setCurrentIndex(2);
    EXPECT_EQ(w->txtW->text(), "295");
    EXPECT_EQ(w->txtH->text(), "413");
}

TEST(MainWindow, FullScreenCommandsRefuseWhatCannotBeShown) {
    Fixture f;
    auto w = f.open();
    w->mFBrows_Click();
    EXPECT_EQ(w->lInfo->text(), "【操作错误】当前没有图片可以浏览。");
    w->cmbSize->setCurrentIndex(4);
    w->txtW->setText("0");
    w->txtH->setText("0");
    w->mFBrows2_Click();
    ASSERT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(f.prompts.errors[0], "图片尺寸不能同时为0！");
    w->cmbSize->setCurrentIndex(1);  // the picture's own size: both boxes say 0, and that is fine
    w->mFBrows2_Click();
    EXPECT_EQ(f.prompts.errors.size(), 1u);
    EXPECT_EQ(w->lInfo->text(), "【操作错误】没有可预览的图片。");
}

TEST(MainWindow, RemoveUndoAndClear) {
    Fixture f;
    auto w = f.open();
    QStringList five;
    for (const char* n : {"a", "b", "c", "d", "e"}) five << QStringLiteral("/p/%1.jpg").arg(n);
    w->addPaths(five, false);
    w->lstFile->clearSelection();
    w->lstFile->item(1)->setSelected(true);
    w->lstFile->item(3)->setSelected(true);
    w->cmdDel_Click();
    EXPECT_EQ(w->lFile->text(), "图片数量:3个");
    EXPECT_EQ(w->lstFile->currentItem()->text(), "/p/c.jpg");  // the entry after the first removed one
    EXPECT_TRUE(w->mUndoDel->isEnabled());
    EXPECT_TRUE(w->mUndoDelFile->isEnabled());
    QTest::keyClick(w->lstFile, Qt::Key_Escape);  // Esc on the list undoes
    QStringList now;
    for (int i = 0; i < w->lstFile->count(); ++i) now << w->lstFile->item(i)->text();
    EXPECT_EQ(now, five);
    EXPECT_FALSE(w->mUndoDel->isEnabled());

    // Removing the only entries disables the list commands; undo still brings them back.
    w->lstFile->selectAll();
    QTest::keyClick(w->lstFile, Qt::Key_Delete);
    EXPECT_EQ(w->lstFile->count(), 0);
    EXPECT_FALSE(w->cmdDel->isEnabled());
    EXPECT_FALSE(w->mClear->isEnabled());
    w->mUndoDel_Click();
    EXPECT_EQ(w->lstFile->count(), 5);

    w->cmdClr_Click();
    EXPECT_EQ(w->lFile->text(), "图片数量:0个");
    EXPECT_FALSE(w->mUndoDel->isEnabled());
    w->addPaths({"/p/x.jpg", "/p/x.jpg", "/p/y.txt", "/P/x.jpg"}, false);  // duplicates and non-pictures
    EXPECT_EQ(w->lstFile->count(), 2);
}

TEST(MainWindow, DropsOnEachTarget) {
    Fixture f;
    auto w = f.open();
    w->resize(1100, 700);
    w->show();
    QApplication::processEvents();
    auto drop = [&](QWidget* target, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        w->dropAt(&data, target->mapTo(w.get(), target->rect().center()));
    };
    drop(w->lstFile, {"/d/1.jpg", "/d/2.jpg"});
    EXPECT_EQ(w->lstFile->currentRow(), 1);  // the list: the last one added is selected
    w->lstFile->setCurrentRow(0);
    drop(w->lFile, {"/d/3.jpg"});
    EXPECT_EQ(w->lstFile->currentRow(), 0);  // elsewhere on the window: the selection stays
    drop(w->picImg, {"/d/4.jpg", "/d/1.jpg"});
    EXPECT_EQ(w->lstFile->count(), 4);
    EXPECT_EQ(w->lstFile->currentRow(), 3);  // the preview: the last one actually added

    // Picture data becomes a bitmap in the user folder, under a new name each time.
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    for (int i = 0; i < 2; ++i) {
        QMimeData data;
        data.setImageData(img);
        w->dropAt(&data, w->lstFile->mapTo(w.get(), w->lstFile->rect().center()));
    }
    ASSERT_EQ(w->lstFile->count(), 6);
    const QString a = w->lstFile->item(4)->text(), b = w->lstFile->item(5)->text();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("tempWL"));
    EXPECT_TRUE(a.startsWith(QString::fromStdString(f.work.file("user/"))));
    EXPECT_EQ(ReadCanvas(b.toStdString()).pixel(5, 5), (Rgb{255, 0, 0}));
}

TEST(MainWindow, FolderScanRunsOffTheWindowThread) {
    Fixture f;
    const std::string root = f.work.mkdir("pics");
    f.work.mkdir("pics/sub");
    f.work.mkdir("pics/.hidden");
    for (const char* n : {"pics/a.jpg", "pics/.h.jpg", "pics/sub/b.png", "pics/.hidden/c.jpg", "pics/t.txt"})
        WriteBytes(f.work.file(n), {0});
    auto w = f.open();
    f.prompts.folder = QString::fromStdString(root);
    f.prompts.subfolders = true;
    w->cmdAdds_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->scanning(); }));
    QStringList got;
    for (int i = 0; i < w->lstFile->count(); ++i) got << w->lstFile->item(i)->text();
    // With subfolders hidden files count too; hidden subfolders never do.
    EXPECT_EQ(got, (QStringList{QString::fromStdString(root + "/.h.jpg"), QString::fromStdString(root + "/a.jpg"),
                                QString::fromStdString(root + "/sub/b.png")}));
    EXPECT_EQ(f.store.values["sODIR"], root);
}

TEST(MainWindow, WatermarkSwitchesAndSettings) {
    Fixture f;
    std::optional<TextStyle> answer;  // the text window's answer: nothing = cancelled
    int windows = 0;
    auto w = [&] {
        auto win = f.open();
        return win;
    }();
    // Route the text window through the test.
    const_cast<AppContext&>(w->context()).editTextStyle = [&](QWidget*, const TextStyle&) {
        ++windows;
        return answer;
    };
    w->chkInfoTxt->setChecked(true);  // empty text, window cancelled
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(w->chkInfoTxt->isChecked());
    EXPECT_EQ(w->lTxt->text(), "文字水印:无");
    EXPECT_FALSE(w->cmbPos->isEnabled());

    TextStyle s;
    s.text = "版权所有";
    answer = s;
    w->mSetTxt_Click();
    EXPECT_EQ(w->lTxt->text(), "文字水印:版权所有");
    EXPECT_TRUE(w->cmbPos->isEnabled());
    EXPECT_EQ(w->cmbPos->currentText(), "居中");
    w->chkInfoTxt->setChecked(false);
    EXPECT_TRUE(w->settings.sText.empty());  // forgotten
    answer.reset();
    w->chkInfoTxt->setChecked(true);
    EXPECT_EQ(w->lTxt->text(), "文字水印:无");

    // Opacity and scale.
    w->txtAlpha->setText("35");
    EXPECT_DOUBLE_EQ(w->syAlpha, 0.35);
    w->txtAlpha->setText("");
    w->txtAlpha->setText("abc");
    EXPECT_DOUBLE_EQ(w->syAlpha, 0.35);
    EXPECT_FLOAT_EQ(MainWindow::ScaleFromScrollBar(0), 0.05f);
    EXPECT_FLOAT_EQ(MainWindow::ScaleFromScrollBar(10), 1.0f);
    EXPECT_FLOAT_EQ(MainWindow::ScaleFromScrollBar(11), 2.2f);
    EXPECT_FLOAT_EQ(MainWindow::ScaleFromScrollBar(-10), -0.5f);
    EXPECT_EQ(MainWindow::ShortPath("/home/a/sy/logo22.png"), "/home/a/sy/logo22.png");
    EXPECT_EQ(MainWindow::ShortPath("/home/ab/sy/logo222.png"), "/ho...ab/sy/logo222.png");

    // Picture watermark: the chooser's answer switches it on; clearing forgets the file.
    f.prompts.files.clear();
    w->chkInfoImg->setChecked(true);  // chooser cancelled with no file: the box clears itself
    EXPECT_FALSE(w->chkInfoImg->isChecked());
    EXPECT_EQ(w->lSY->text(), "图片水印:无");

    // Enter in the description box with nothing selected stores nothing.
    QTest::keyClick(w->txtPicTxt, Qt::Key_Return);
    EXPECT_TRUE(w->sPicTxt.empty());
}

TEST(MainWindow, PlacementOnThePreview) {
    Fixture f;
    auto w = f.open();
    w->resize(1100, 700);
    w->show();
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 400, 300, {90, 90, 90});
    w->addPaths({a}, true);
    w->txtW->setText("400");
    ASSERT_TRUE(WaitFor([&] { return !w->previewImage().isNull() && w->previewImage().width() == 400; }));
    QApplication::processEvents();

    // Coordinates typed as X,Y.
    f.prompts.inputAnswer = QStringLiteral("100,120");
    w->mXYPos_Click();
    EXPECT_FLOAT_EQ(w->sngPicX, 100);
    EXPECT_EQ(w->txtYp->text(), "120");
    for (const char* bad : {"abc", "5", "-1,3", "7;8"}) {
        f.prompts.inputAnswer = QString::fromUtf8(bad);
        w->mXYPos_Click();
        EXPECT_FLOAT_EQ(w->sngPicX, 100) << bad;
    }

    // Move mode: releasing at the preview's centre puts the picture at the origin; 30 pixels to
    // the right gives an offset of 30.
    w->enterMoveMode();
    const QPoint centre(w->imgM->width() / 2, w->imgM->height() / 2);
    QTest::mousePress(w->imgM, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(w->imgM, Qt::LeftButton, {}, centre);
    EXPECT_FLOAT_EQ(w->sngPicX, 0);
    EXPECT_FLOAT_EQ(w->sngPicY, 0);
    QTest::mousePress(w->imgM, Qt::LeftButton, {}, centre + QPoint(30, 0));
    QTest::mouseRelease(w->imgM, Qt::LeftButton, {}, centre + QPoint(30, 0));
    EXPECT_FLOAT_EQ(w->sngPicX, 30);
    EXPECT_EQ(w->txtXp->text(), "30");
    // Arrow keys nudge the offset by a pixel without touching the boxes.
    QTest::keyClick(w->picImg, Qt::Key_Right);
    QTest::keyClick(w->picImg, Qt::Key_Down);
    EXPECT_FLOAT_EQ(w->sngPicX, 31);
    EXPECT_FLOAT_EQ(w->sngPicY, 1);
    EXPECT_EQ(w->txtXp->text(), "30");
    // The right button leaves move mode.
    QTest::mousePress(w->imgM, Qt::RightButton, {}, centre);
    EXPECT_FALSE(w->bMoveMode);

    // The text is hit a little left of its start too (a quarter of its width).
    TextStyle s;
    s.text = "WWWWWWWW";
    s.size = 20;
    const_cast<AppContext&>(w->context()).editTextStyle = [&](QWidget*, const TextStyle&) { return std::optional(s); };
    w->mSetTxt_Click();
    w->cmbPos->setCurrentIndex(5);
    w->dTSyX = 0.5;
    w->dTSyY = 0.5;
    w->lstFile_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->previewImage().isNull(); }));
    QApplication::processEvents();
    const QRect r = w->shownPictureRect();
    int tw = 0, th = 0;
    ASSERT_TRUE(TextWatermarkSize(w->decorations().text, tw, th));
    const int x0 = r.left() + r.width() / 2;
    const int y = r.top() + r.height() / 2 + 2;
    EXPECT_TRUE(w->PinRect(QPoint(x0 - tw / 4 + 2, y)));
    EXPECT_FALSE(w->PinRect(QPoint(x0 - tw / 4 - 3, y)));
    EXPECT_EQ(w->iSYMode, 0);
    // Arrow keys move the custom text by a pixel of the preview.
    const double before = w->dTSyX;
    QTest::keyClick(w->picImg, Qt::Key_Right);
    EXPECT_NEAR(w->dTSyX - before, 1.0 / r.width(), 1e-9);
}

TEST(MainWindow, ListKeys) {
    Fixture f;
    auto w = f.open();
    w->resize(1100, 700);
    w->show();
    QStringList many;
    for (int i = 0; i < 53; ++i) many << QStringLiteral("/p/%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    w->addPaths(many, false);
    QApplication::processEvents();
    w->lstFile->setCurrentRow(50);
    QTest::keyClick(w->lstFile, Qt::Key_PageDown);  // the last page is partly filled
    EXPECT_EQ(w->lstFile->currentRow(), 52);
    QTest::keyClick(w->lstFile, Qt::Key_Home);
    EXPECT_EQ(w->lstFile->currentRow(), 0);
    QTest::keyClick(w->lstFile, Qt::Key_End);
    EXPECT_EQ(w->lstFile->currentRow(), 52);
}

TEST(MainWindow, ToolFramesAppearAtThePreviewsEdges) {
    Fixture f;
    auto w = f.open();
    w->resize(1100, 700);
    w->show();
    QApplication::processEvents();
    auto moveTo = [&](QPoint at) {
        QCursor::setPos(w->picImg->mapToGlobal(at));
        QMouseEvent move(QEvent::MouseMove, QPointF(at), w->picImg->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w->picImg, &move);
    };
    const QRect r = w->picImg->rect();
    moveTo(r.center());
    EXPECT_FALSE(w->Frame3->isVisible());
    EXPECT_FALSE(w->Frame4->isVisible());
    moveTo(QPoint(r.center().x(), r.top() + 5));
    EXPECT_TRUE(w->Frame4->isVisible());
    moveTo(QPoint(r.right() - 5, r.center().y()));
    EXPECT_TRUE(w->Frame3->isVisible());
    EXPECT_FALSE(w->Frame4->isVisible());
    w->mKTTool->trigger();  // pinned: stays when the pointer leaves
    moveTo(r.center());
    EXPECT_TRUE(w->Frame4->isVisible());
}

TEST(MainWindow, AWatermarkThatCannotBeDrawnIsReported) {
    Fixture f;
    auto w = f.open();
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 200, 100, {90, 90, 90});
    w->addPaths({a}, true);
    w->sISyF = QString::fromStdString(f.work.file("gone.png"));
    w->chkInfoImg->setChecked(true);
    ASSERT_TRUE(WaitFor([&] { return w->lInfo->text().startsWith("【错误提示】"); }));
    EXPECT_FALSE(w->previewImage().isNull());  // the picture itself is still shown
}
