// The crop rectangle: how it is dragged and kept in shape, and the crop window on a listed picture
// down to the preview and the saved result.
#include <QAction>
#include <QMouseEvent>
#include <QTest>

#include "app/batchpanel.h"
#include "app/cropbox.h"
#include "app/cropwindow.h"
#include "app/windowfixture.h"
#include "filelist/filelistpanel.h"

using namespace tavu;
using namespace tavu::test;

namespace {

using Grip = CropBox::Grip;

void Drag(CropBox& b, double x0, double y0, double x1, double y1) {
    b.press(x0, y0, 4);
    b.moveTo(x1, y1);
    b.release();
}

double Ratio(const IntRect& r) { return double(r.w) / r.h; }

// Mouse events straight to the view, as a pointer held down and moved would send them.
void Mouse(QWidget* v, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, v->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, {});
    QCoreApplication::sendEvent(v, &e);
}

CropWindow* OpenCropWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<CropWindow*>(w); c && c->isVisible()) return c;
    return nullptr;
}

}  // namespace

TEST(CropBox, GripsMovesAndNewRectangles) {
    CropBox b(400, 300);
    EXPECT_TRUE(b.wholePicture());
    EXPECT_EQ(b.gripAt(200, 150, 4), Grip::New);  // inside the whole picture: a new rectangle
    b.setRect({100, 100, 100, 50});
    EXPECT_EQ(b.gripAt(150, 125, 4), Grip::Move);
    EXPECT_EQ(b.gripAt(101, 101, 4), Grip::TopLeft);
    EXPECT_EQ(b.gripAt(198, 150, 4), Grip::BottomRight);
    EXPECT_EQ(b.gripAt(150, 98, 4), Grip::Top);
    EXPECT_EQ(b.gripAt(20, 20, 4), Grip::New);

    Drag(b, 150, 125, 1000, 1000);  // moved as far as the picture allows, size kept
    EXPECT_EQ(b.rect(), (IntRect{300, 250, 100, 50}));
    Drag(b, 300, 250, 250, 200);    // the top-left corner, the other corner stays
    EXPECT_EQ(b.rect(), (IntRect{250, 200, 150, 100}));
    Drag(b, 50, 40, 10, 10);        // a new rectangle drawn up and to the left of the press
    EXPECT_EQ(b.rect(), (IntRect{10, 10, 40, 30}));
    Drag(b, 50, 25, 5, 25);         // the right edge pulled past the left one turns over
    EXPECT_EQ(b.rect(), (IntRect{5, 10, 5, 30}));
    Drag(b, 8, 25, 8, 25);          // a press without a move changes nothing
    EXPECT_EQ(b.rect(), (IntRect{5, 10, 5, 30}));
    Drag(b, 200, 200, 200, 200);    // a click outside gives a rectangle of at least one pixel
    EXPECT_GE(b.rect().w, 1);
    EXPECT_GE(b.rect().h, 1);

    b.setRect({390, 290, 50, 50});  // clipped to the picture
    EXPECT_EQ(b.rect(), (IntRect{390, 290, 10, 10}));
    b.setRect({500, 500, 5, 5});    // outside: the whole picture
    EXPECT_TRUE(b.wholePicture());
    b.setRect({10, 10, 20, 20});
    b.nudge(-50, 3);
    EXPECT_EQ(b.rect(), (IntRect{0, 13, 20, 20}));
}

TEST(CropBox, ALockedRatioHoldsForEveryGripAndStaysInside) {
    const double r = 295.0 / 413.0;
    CropBox b(1000, 800);
    b.setRatio(r);  // the whole picture becomes the largest rectangle of that shape, centred
    EXPECT_EQ(b.rect().h, 800);
    EXPECT_NEAR(Ratio(b.rect()), r, 0.005);
    EXPECT_NEAR(b.rect().x + b.rect().w / 2.0, 500, 1);

    const std::pair<std::pair<double, double>, std::pair<double, double>> drags[] = {
        {{b.rect().x + b.rect().w, 800.0}, {900.0, 300.0}},  // the bottom-right corner inwards
        {{10, 10}, {990, 790}},                              // a new rectangle across everything
        {{990, 10}, {-500, 2000}},                           // beyond the picture
    };
    for (const auto& [from, to] : drags) {
        Drag(b, from.first, from.second, to.first, to.second);
        const IntRect& c = b.rect();
        EXPECT_NEAR(Ratio(c), r, 0.01) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.x + c.w, 1000);
        EXPECT_LE(c.y + c.h, 800);
    }
    b.setRect({400, 300, 200, 280});
    b.setRatio(r);
    const IntRect before = b.rect();
    Drag(b, before.x + before.w, before.y + before.h / 2.0, before.x + before.w + 100, 0);  // the right edge
    EXPECT_NEAR(Ratio(b.rect()), r, 0.01);
    EXPECT_EQ(b.rect().x, before.x);  // the left edge stays; the height follows about the centre
    EXPECT_NEAR(b.rect().y + b.rect().h / 2.0, before.y + before.h / 2.0, 1);
}

TEST(CropBox, TheRatioFollowsTheTargetSize) {
    RenderSettings s;
    EXPECT_EQ(TargetRatio(s), 0);  // the width limit has no shape
    s.sizeMode = 3;
    s.widthText = "295";
    s.heightText = "413";
    EXPECT_DOUBLE_EQ(TargetRatio(s), 295.0 / 413.0);
    s.turn = kTurnClockwise;  // the picture is turned after the crop: the upright part is wide
    EXPECT_DOUBLE_EQ(TargetRatio(s), 413.0 / 295.0);
    s.heightText = "abc";
    EXPECT_EQ(TargetRatio(s), 0);
}

TEST(CropWindow, ACropChosenInTheWindowMarksTheEntryAndReachesPreviewAndResult) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const std::string a = f.work.file("a.png"), b = f.work.file("b.png");
    const auto where = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 7}; };
    WritePicture(a, 240, 160, where);
    WritePicture(b, 100, 100, where);
    w->files().addPaths({QString::fromStdString(a), QString::fromStdString(b)}, false);
    ui.cmbSize->setCurrentIndex(1);  // the picture's own size
    ui.lstFile->setCurrentRow(0);

    Find<QAction>(w.get(), "mPCutImg")->trigger();
    CropWindow* cw = OpenCropWindow();
    ASSERT_NE(cw, nullptr);
    cw->waitLoaded();
    ASSERT_TRUE(cw->view()->hasPicture());
    EXPECT_FALSE(cw->chkCutRatio->isEnabled());  // the own size: a free rectangle
    // Draw a rectangle with the mouse, from picture pixel (40, 20) to (140, 100).
    CropView* v = cw->view();
    const auto at = [v](double x, double y) { return v->fromPicture({x, y}).toPoint(); };
    cw->cmdCut100->click();
    Mouse(v, QEvent::MouseButtonPress, at(40, 20));
    Mouse(v, QEvent::MouseMove, at(90, 60));
    Mouse(v, QEvent::MouseMove, at(140, 100));
    Mouse(v, QEvent::MouseButtonRelease, at(140, 100));
    EXPECT_EQ(v->box()->rect(), (IntRect{40, 20, 100, 80}));
    EXPECT_TRUE(cw->lblCutInfo->text().contains(QStringLiteral("100×80")));
    cw->cmdCutOK->click();
    QApplication::processEvents();

    EXPECT_EQ(w->state().cropOf(a), (IntRect{40, 20, 100, 80}));
    EXPECT_TRUE(ui.lstFile->item(0)->data(FileListPanel::kCroppedRole).toBool());
    EXPECT_FALSE(ui.lstFile->item(1)->data(FileListPanel::kCroppedRole).toBool());
    EXPECT_FALSE(ui.lstFile->item(0)->icon().isNull());
    // The preview is the cropped part at its own size.
    EXPECT_TRUE(WaitFor([&] { return w->state().previewCanvas == QSize(100, 80); }, 3000))
        << w->state().previewCanvas.width() << "x" << w->state().previewCanvas.height();

    // The run saves the cropped part of the first picture and the whole second one.
    f.store.values["bAutoODir"] = "0";
    ui.cmbEncode->setCurrentText(QStringLiteral("png"));
    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    const std::string out = w->state().sOutDir.toStdString();
    const Canvas ra = ReadCanvas(out + "/a.png");
    ASSERT_EQ(ra.width(), 100);
    ASSERT_EQ(ra.height(), 80);
    EXPECT_EQ(ra.pixel(0, 0), where(40, 20));
    EXPECT_EQ(ra.pixel(99, 79), where(139, 99));
    EXPECT_EQ(ReadCanvas(out + "/b.png").width(), 100);

    // Reopened, the window starts from the kept rectangle; 清除裁剪 takes it away again.
    ui.lstFile->setCurrentRow(0);
    Find<QAction>(w.get(), "mPCut")->trigger();
    cw = OpenCropWindow();
    ASSERT_NE(cw, nullptr);
    cw->waitLoaded();
    EXPECT_EQ(cw->view()->box()->rect(), (IntRect{40, 20, 100, 80}));
    cw->cmdCutClear->click();
    QApplication::processEvents();
    EXPECT_EQ(w->state().cropOf(a), IntRect{});
    EXPECT_FALSE(ui.lstFile->item(0)->data(FileListPanel::kCroppedRole).toBool());
}

TEST(CropWindow, TheRatioLockFollowsTheChosenSizeAndCancelKeepsTheEntry) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const std::string a = f.work.file("a.png");
    WriteSolid(a, 600, 400, {90, 90, 90});
    w->files().addPaths({QString::fromStdString(a)}, true);
    ui.cmbSize->setCurrentIndex(ui.cmbSize->count() - 1);  // the custom size
    ui.txtW->setText(QStringLiteral("295"));
    ui.txtH->setText(QStringLiteral("413"));
    QApplication::processEvents();

    Find<QPushButton>(w.get(), "cmdImgCut")->click();
    CropWindow* cw = OpenCropWindow();
    ASSERT_NE(cw, nullptr);
    cw->waitLoaded();
    EXPECT_TRUE(cw->chkCutRatio->isEnabled());
    EXPECT_TRUE(cw->chkCutRatio->isChecked());
    EXPECT_TRUE(cw->chkCutRatio->text().contains(QStringLiteral("295×413")));
    const IntRect r = cw->view()->box()->rect();
    EXPECT_EQ(r.h, 400);
    EXPECT_NEAR(Ratio(r), 295.0 / 413.0, 0.01);
    cw->cmdCutCancel->click();
    QApplication::processEvents();
    EXPECT_EQ(w->state().cropOf(a), IntRect{});
    EXPECT_EQ(OpenCropWindow(), nullptr);

    // Without a selected picture the command only says so.
    ui.lstFile->setCurrentRow(-1);
    Find<QAction>(w.get(), "mPCutImg")->trigger();
    EXPECT_EQ(OpenCropWindow(), nullptr);
}
