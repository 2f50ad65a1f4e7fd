// The watermark switches and settings, and placement on the preview.
#include <QTest>

#include "app/windowfixture.h"
#include "filelist/filelistpanel.h"
#include "imageio/decorate.h"
#include "watermark/decorationspanel.h"
#include "watermark/placement.h"

using namespace tavu;
using namespace tavu::test;

TEST(Watermarks, WatermarkSwitchesAndSettings) {
    Fixture f;
    std::optional<TextStyle> answer;  // the text window's answer: nothing = cancelled
    int windows = 0;
    auto w = f.open();
    const Ui ui(w.get());
    // Route the text window through the test.
    w->context().editTextStyle = [&](QWidget*, const TextStyle&) {
        ++windows;
        return answer;
    };
    ui.chkInfoTxt->setChecked(true);  // empty text, window cancelled
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(ui.chkInfoTxt->isChecked());
    EXPECT_EQ(ui.lTxt->text(), "文字水印:无");
    EXPECT_FALSE(ui.cmbPos->isEnabled());

    TextStyle s;
    s.text = "版权所有";
    answer = s;
    w->decorationsPanel().mSetTxt_Click();
    EXPECT_EQ(ui.lTxt->text(), "文字水印:版权所有");
    EXPECT_TRUE(ui.cmbPos->isEnabled());
    EXPECT_EQ(ui.cmbPos->currentText(), "居中");
    ui.chkInfoTxt->setChecked(false);
    EXPECT_TRUE(w->state().settings.sText.empty());  // forgotten
    answer.reset();
    ui.chkInfoTxt->setChecked(true);
    EXPECT_EQ(ui.lTxt->text(), "文字水印:无");

    // Opacity and scale.
    ui.txtAlpha->setText("35");
    EXPECT_DOUBLE_EQ(w->state().syAlpha, 0.35);
    ui.txtAlpha->setText("");
    ui.txtAlpha->setText("abc");
    EXPECT_DOUBLE_EQ(w->state().syAlpha, 0.35);
    EXPECT_FLOAT_EQ(DecorationsPanel::ScaleFromScrollBar(0), 0.05f);
    EXPECT_FLOAT_EQ(DecorationsPanel::ScaleFromScrollBar(10), 1.0f);
    EXPECT_FLOAT_EQ(DecorationsPanel::ScaleFromScrollBar(11), 2.2f);
    EXPECT_FLOAT_EQ(DecorationsPanel::ScaleFromScrollBar(-10), -0.5f);
    EXPECT_EQ(DecorationsPanel::ShortPath("/home/a/sy/logo22.png"), "/home/a/sy/logo22.png");
    EXPECT_EQ(DecorationsPanel::ShortPath("/home/ab/sy/logo222.png"), "/ho...ab/sy/logo222.png");

    // Picture watermark: the chooser's answer switches it on; clearing forgets the file.
    f.prompts.files.clear();
    ui.chkInfoImg->setChecked(true);  // chooser cancelled with no file: the box clears itself
    EXPECT_FALSE(ui.chkInfoImg->isChecked());
    EXPECT_EQ(ui.lSY->text(), "图片水印:无");

    // Enter in the description box with nothing selected stores nothing.
    QTest::keyClick(ui.txtPicTxt, Qt::Key_Return);
    EXPECT_TRUE(w->state().sPicTxt.empty());
}

TEST(Watermarks, PlacementOnThePreview) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->resize(1100, 700);
    w->show();
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 400, 300, {90, 90, 90});
    w->files().addPaths({a}, true);
    ui.txtW->setText("400");
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull() && w->state().previewImage.width() == 400; }));
    QApplication::processEvents();

    // Coordinates typed as X,Y.
    f.prompts.inputAnswer = QStringLiteral("100,120");
    w->placement().mXYPos_Click();
    EXPECT_FLOAT_EQ(w->state().sngPicX, 100);
    EXPECT_EQ(ui.txtYp->text(), "120");
    for (const char* bad : {"abc", "5", "-1,3", "7;8"}) {
        f.prompts.inputAnswer = QString::fromUtf8(bad);
        w->placement().mXYPos_Click();
        EXPECT_FLOAT_EQ(w->state().sngPicX, 100) << bad;
    }

    // Move mode: releasing at the preview's centre puts the picture at the origin; 30 pixels to
    // the right gives an offset of 30.
    w->placement().enterMoveMode();
    const QPoint centre(ui.imgM->width() / 2, ui.imgM->height() / 2);
    QTest::mousePress(ui.imgM, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(ui.imgM, Qt::LeftButton, {}, centre);
    EXPECT_FLOAT_EQ(w->state().sngPicX, 0);
    EXPECT_FLOAT_EQ(w->state().sngPicY, 0);
    QTest::mousePress(ui.imgM, Qt::LeftButton, {}, centre + QPoint(30, 0));
    QTest::mouseRelease(ui.imgM, Qt::LeftButton, {}, centre + QPoint(30, 0));
    EXPECT_FLOAT_EQ(w->state().sngPicX, 30);
    EXPECT_EQ(ui.txtXp->text(), "30");
    // Arrow keys nudge the offset by a pixel without touching the boxes.
    QTest::keyClick(ui.picImg, Qt::Key_Right);
    QTest::keyClick(ui.picImg, Qt::Key_Down);
    EXPECT_FLOAT_EQ(w->state().sngPicX, 31);
    EXPECT_FLOAT_EQ(w->state().sngPicY, 1);
    EXPECT_EQ(ui.txtXp->text(), "30");
    // The right button leaves move mode.
    QTest::mousePress(ui.imgM, Qt::RightButton, {}, centre);
    EXPECT_FALSE(w->state().bMoveMode);

    // The text is hit a little left of its start too (a quarter of its width).
    TextStyle s;
    s.text = "WWWWWWWW";
    s.size = 20;
    w->context().editTextStyle = [&](QWidget*, const TextStyle&) { return std::optional(s); };
    w->decorationsPanel().mSetTxt_Click();
    ui.cmbPos->setCurrentIndex(5);
    w->state().dTSyX = 0.5;
    w->state().dTSyY = 0.5;
    w->state().changed();
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull(); }));
    QApplication::processEvents();
    const QRect r = w->placement().shownPictureRect();
    int tw = 0, th = 0;
    ASSERT_TRUE(TextWatermarkSize(w->state().decorations().text, tw, th));
    const int x0 = r.left() + r.width() / 2;
    const int y = r.top() + r.height() / 2 + 2;
    EXPECT_TRUE(w->placement().PinRect(QPoint(x0 - tw / 4 + 2, y)));
    EXPECT_FALSE(w->placement().PinRect(QPoint(x0 - tw / 4 - 3, y)));
    EXPECT_EQ(w->state().iSYMode, 0);
    // Arrow keys move the custom text by a pixel of the preview.
    const double before = w->state().dTSyX;
    QTest::keyClick(ui.picImg, Qt::Key_Right);
    EXPECT_NEAR(w->state().dTSyX - before, 1.0 / r.width(), 1e-9);
}

TEST(Watermarks, AWatermarkThatCannotBeDrawnIsReported) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WriteSolid(a.toStdString(), 200, 100, {90, 90, 90});
    w->files().addPaths({a}, true);
    w->state().sISyF = QString::fromStdString(f.work.file("gone.png"));
    ui.chkInfoImg->setChecked(true);
    ASSERT_TRUE(WaitFor([&] { return ui.lInfo->text().startsWith("【错误提示】"); }));
    EXPECT_FALSE(w->state().previewImage.isNull());  // the picture itself is still shown
}

namespace {

// A window showing a 400 x 300 grey picture at its own size, with a text and a picture watermark.
struct PlacedWatermarks {
    Fixture f;
    std::unique_ptr<MainWindow> w;
    std::unique_ptr<Ui> ui;
    QComboBox* cmbPosImg = nullptr;

    PlacedWatermarks() {
        w = f.open();
        ui = std::make_unique<Ui>(w.get());
        cmbPosImg = Find<QComboBox>(w.get(), "cmbPosImg");
        w->resize(1100, 700);
        w->show();
        const QString a = QString::fromStdString(f.work.file("a.png"));
        WriteSolid(a.toStdString(), 400, 300, {90, 90, 90});
        WriteSolid(f.work.file("logo.png"), 60, 30, {250, 0, 0});
        w->files().addPaths({a}, true);
        ui->txtW->setText("400");
        TextStyle s;
        s.text = "WWWW";
        s.size = 16;
        w->context().editTextStyle = [s](QWidget*, const TextStyle&) { return std::optional(s); };
        w->decorationsPanel().mSetTxt_Click();
        f.prompts.watermarkFile = QString::fromStdString(f.work.file("logo.png"));
        w->decorationsPanel().mSetImg_Click();
        settle();
    }
    void settle() {
        w->state().changed();
        ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull() && w->state().previewImage.width() == 400; }));
        QApplication::processEvents();
    }
    WatermarkPlacement& placement() { return w->placement(); }
};

}  // namespace

TEST(Watermarks, APressOnAWatermarkWhereItIsDrawnGrabsItWithoutMovingIt) {
    PlacedWatermarks p;
    ASSERT_TRUE(p.ui->chkInfoTxt->isChecked());
    ASSERT_TRUE(p.ui->chkInfoImg->isChecked());
    for (bool picture : {false, true}) {
        QComboBox* list = picture ? p.cmbPosImg : p.ui->cmbPos;
        for (int named = 0; named < 5; ++named) {
            SCOPED_TRACE(std::to_string(picture) + "/" + std::to_string(named));
            // The other watermark out of the way, in a corner this one never uses here.
            (picture ? p.ui->cmbPos : p.cmbPosImg)->setCurrentIndex(picture ? 2 : 0);
            list->setCurrentIndex(named);
            const QRect before = p.placement().drawnRect(picture);
            ASSERT_FALSE(before.isEmpty());
            if (picture && p.placement().drawnRect(false).intersects(before)) continue;  // the text would win
            QTest::mousePress(p.ui->imgM, Qt::LeftButton, {}, before.center());
            EXPECT_EQ(list->currentText(), "自定义");
            EXPECT_EQ(p.w->state().iSYMode, picture ? -1 : 0);
            // The marker goes to the watermark, not to the pointer: the text's dot on its
            // top-left corner, the picture's bar across its middle.
            const QLabel* marker = p.placement().marker();
            ASSERT_TRUE(marker->isVisible());
            const QPoint markerCentre = p.ui->imgM->mapFrom(p.ui->picImg, marker->geometry().center());
            const QPoint expected = picture ? before.center() : before.topLeft();
            EXPECT_LE((markerCentre - expected).manhattanLength(), 2);
            QTest::mouseRelease(p.ui->imgM, Qt::LeftButton, {}, before.center());
            // Released where it was pressed: the watermark stays where it was drawn.
            const QRect after = p.placement().drawnRect(picture);
            EXPECT_LE((after.topLeft() - before.topLeft()).manhattanLength(), 2);
        }
    }
}

TEST(Watermarks, CustomStartsWhereTheWatermarkIsDrawnAndArrowsMoveItFromThere) {
    PlacedWatermarks p;
    p.ui->cmbPos->setCurrentIndex(0);  // 右下
    const QRect drawn = p.placement().drawnRect(false);
    p.ui->cmbPos->setCurrentIndex(5);  // 自定义
    EXPECT_LE((p.placement().drawnRect(false).topLeft() - drawn.topLeft()).manhattanLength(), 2);
    EXPECT_TRUE(p.placement().marker()->isVisible());
    // The first arrow press moves it one pixel, not to the corner.
    QTest::keyClick(p.ui->picImg, Qt::Key_Right);
    EXPECT_LE((p.placement().drawnRect(false).topLeft() - drawn.topLeft() - QPoint(1, 0)).manhattanLength(), 2);
    // Dragging keeps the grabbed point under the pointer.
    const QRect now = p.placement().drawnRect(false);
    const QPoint grab = now.topLeft() + QPoint(5, 3);
    QTest::mousePress(p.ui->imgM, Qt::LeftButton, {}, grab);
    QTest::mouseMove(p.ui->imgM, grab - QPoint(40, 20));
    QTest::mouseRelease(p.ui->imgM, Qt::LeftButton, {}, grab - QPoint(40, 20));
    EXPECT_LE((p.placement().drawnRect(false).topLeft() - (now.topLeft() - QPoint(40, 20))).manhattanLength(), 2);
}

TEST(Watermarks, ReopeningTheSettingsKeepsThePositionChosen) {
    PlacedWatermarks p;
    p.ui->cmbPos->setCurrentIndex(2);  // 左上
    p.cmbPosImg->setCurrentIndex(1);   // 左下
    p.w->decorationsPanel().mSetTxt_Click();  // OK with the same text
    p.w->context().editTextStyle = [](QWidget*, const TextStyle&) { return std::optional<TextStyle>(); };
    p.w->decorationsPanel().mSetTxt_Click();  // cancelled
    EXPECT_EQ(p.ui->cmbPos->currentText(), "左上");
    p.w->decorationsPanel().mSetImg_Click();  // the same file again
    p.f.prompts.watermarkFile.clear();
    p.w->decorationsPanel().mSetImg_Click();  // cancelled
    EXPECT_EQ(p.cmbPosImg->currentText(), "左下");
    EXPECT_TRUE(p.ui->chkInfoImg->isChecked());
}

TEST(Watermarks, MoveModeShowsItsTipAndABlinkingSquare) {
    PlacedWatermarks p;
    p.placement().enterMoveMode();
    EXPECT_EQ(p.ui->lInfo->text(), "【提示】按住鼠标左键拖动蓝色方块即可调整图片位置,方向键微调,鼠标右键退出移动模式。");
    const QLabel* marker = p.placement().marker();
    EXPECT_EQ(marker->size(), QSize(16, 16));
    bool hidden = false;
    ASSERT_TRUE(WaitFor([&] { return (hidden = hidden || !marker->isVisible()) && marker->isVisible(); }, 3000));
    // Choosing "自定义" ends move mode, and its flash replaces any still under way.
    p.ui->cmbPos->setCurrentIndex(5);
    EXPECT_FALSE(p.w->state().bMoveMode);
    ASSERT_TRUE(WaitFor([&] { return marker->isVisible(); }, 3000));
    EXPECT_EQ(marker->size(), QSize(12, 12));  // the text's dot
}
