// The options window, the picture windows and the screen capture: what each one writes, shows
// and leaves behind. The QApplication comes from the main() of this test program.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/optionsdialog.h"
#include "app/screencapture.h"
#include "app/viewer.h"
#include "app/windowstate.h"
#include "platform/settings.h"

using namespace tavu;

namespace {

// Runs the event loop until `done` holds or a generous limit passes; true when it held.
bool RunUntil(const std::function<bool()>& done, int limitMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void SendKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// A picture whose left half is red and right half blue, so that a swapped channel order or a
// mirrored copy shows.
QString MakePicture(const QTemporaryDir& dir, const QString& name, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(220, 20, 20));
    QPainter(&img).fillRect(w / 2, 0, w - w / 2, h, QColor(20, 20, 220));
    const QString path = dir.filePath(name);
    return img.save(path) ? path : QString();
}

// The values of a first start: an empty store.
Settings StartSettings() {
    Settings s;
    MemorySettingsStore empty;
    LoadSettings(empty, "/opt/tavuzip", Date{2024, 3, 5}, s);
    return s;
}

template <class T>
T* Child(QWidget* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// ---------------------------------------------------------------------------------------------
// Options window

TEST(OptionsDialog, OkWritesOnlyTheChangedKeysInTheirForms) {
    Settings s = StartSettings();
    MemorySettingsStore store;
    OptionsDialog dlg(s, store, OptionsDialog::Page::General);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("选项"));
    EXPECT_TRUE(Child<QWidget>(&dlg, "frameSet")->isVisible());
    EXPECT_FALSE(Child<QWidget>(&dlg, "framePDF")->isVisible());

    Child<QSpinBox>(&dlg, "txtJPGQ")->setValue(75);
    Child<QRadioButton>(&dlg, "optFit")->setChecked(true);
    Child<QRadioButton>(&dlg, "optXCut2")->setChecked(true);
    Child<QSpinBox>(&dlg, "txtSlideTime")->setValue(5);
    Child<QCheckBox>(&dlg, "chkAutoODir")->setChecked(false);
    Child<QCheckBox>(&dlg, "chkSaveErr")->setChecked(true);
    Child<QComboBox>(&dlg, "cmbExisting")->setCurrentIndex(1);  // 跳过
    Child<QPushButton>(&dlg, "cmdOK")->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const std::map<std::string, std::string> expected{
        {"iJPGQ", "75"},   {"bPicJQ", "0"},    {"iXCutMode", "2"},
        {"iSlideTime", "5"}, {"bAutoODir", "0"}, {"bSaveErr", "1"}, {"iExisting", "1"},
    };
    EXPECT_EQ(s.iExisting, 1);
    EXPECT_EQ(store.values, expected);
    auto inUse = [](const Settings& v) {
        return std::vector<int>{v.iJPGQ, v.bPicJQ, v.iXCutMode, v.iYCutMode, v.iSlideTime, v.bAutoODir,
                                v.bSaveErr, v.bShowToday};
    };
    EXPECT_EQ(inUse(s), (std::vector<int>{75, 0, 2, 0, 5, 0, 1, 1}));
}

TEST(OptionsDialog, EncodingAndMetadataChoicesReachTheirKeys) {
    Settings s = StartSettings();
    MemorySettingsStore store;
    OptionsDialog dlg(s, store, OptionsDialog::Page::General);
    dlg.show();
    auto* exif = Child<QCheckBox>(&dlg, "chkKeepExif");
    auto* gps = Child<QCheckBox>(&dlg, "chkKeepGps");
    // The position goes only with the shooting data.
    EXPECT_FALSE(exif->isChecked());
    EXPECT_FALSE(gps->isEnabled());
    exif->setChecked(true);
    EXPECT_TRUE(gps->isEnabled());
    gps->setChecked(true);
    Child<QCheckBox>(&dlg, "chkProgressive")->setChecked(true);
    auto* subsample = Child<QComboBox>(&dlg, "cmbSubsample");
    EXPECT_EQ(subsample->currentText(), QStringLiteral("自动"));
    subsample->setCurrentText(QStringLiteral("4:4:4"));
    Child<QCheckBox>(&dlg, "chkWebPLossless")->setChecked(true);
    Child<QCheckBox>(&dlg, "chkKeepMTime")->setChecked(true);
    Child<QCheckBox>(&dlg, "chkKeepTree")->setChecked(true);
    Child<QPushButton>(&dlg, "cmdOK")->click();
    const std::map<std::string, std::string> expected{
        {"bJpegProgressive", "1"}, {"iJpegSubsample", "2"}, {"bWebPLossless", "1"}, {"bKeepExif", "1"},
        {"bKeepGps", "1"},         {"bKeepMTime", "1"},     {"bKeepTree", "1"},
    };
    EXPECT_EQ(store.values, expected);

    // The window's run takes them.
    WindowState state;
    state.settings = s;
    const BatchOptions o = state.batchOptions();
    EXPECT_TRUE(o.progressive && o.webpLossless && o.keepExif && o.keepGps && o.keepMTime && o.keepTree);
    EXPECT_EQ(o.subsample, JpegSubsample::Yuv444);
    // Stored values the controls cannot show fall back to the defaults.
    MemorySettingsStore odd;
    odd.values = {{"iJpegSubsample", "3"}, {"bKeepExif", "x"}};
    Settings read;
    LoadSettings(odd, "/p", Today(), read);
    EXPECT_EQ(read.iJpegSubsample, 0);
    EXPECT_EQ(read.bKeepExif, 0);
}

TEST(OptionsDialog, StoredValuesOutsideTheControlsAreNotRewrittenByAnUntouchedOk) {
    Settings s = StartSettings();
    s.iJPGQ = 200;      // beyond the quality range
    s.bPicJQ = 7;       // not 1: fit
    s.iXCutMode = 9;    // neither centre nor end: left
    s.iYCutMode = -3;
    s.iSlideTime = 0;   // below one second
    s.bShowToday = 2;   // the page shows only at exactly 1
    s.bAutoODir = 5;    // any non-zero value is on
    MemorySettingsStore store;
    OptionsDialog dlg(s, store, OptionsDialog::Page::General);

    // The controls show what those values mean.
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "optFit")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "optXCut0")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "optYCut0")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(&dlg, "chkShowToday")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(&dlg, "chkAutoODir")->isChecked());

    Child<QPushButton>(&dlg, "cmdOK")->click();
    EXPECT_TRUE(store.values.empty());
    EXPECT_TRUE(dlg.writtenKeys().empty());
    EXPECT_EQ(s.iJPGQ, 200);
    EXPECT_EQ(s.iSlideTime, 0);
}

TEST(OptionsDialog, CancelAndEscWriteNothing) {
    for (bool viaEsc : {false, true}) {
        SCOPED_TRACE(viaEsc ? "Esc" : "Cancel");
        Settings s = StartSettings();
        MemorySettingsStore store;
        OptionsDialog dlg(s, store, OptionsDialog::Page::General);
        dlg.show();
        Child<QSpinBox>(&dlg, "txtJPGQ")->setValue(10);
        Child<QCheckBox>(&dlg, "chkShowToday")->setChecked(false);
        if (viaEsc) SendKey(&dlg, Qt::Key_Escape);
        else Child<QPushButton>(&dlg, "cmdCancel")->click();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_TRUE(store.values.empty());
        EXPECT_EQ(s.iJPGQ, 85);
        EXPECT_EQ(s.bShowToday, 1);
    }
}

TEST(OptionsDialog, PdfPageShowsOnlyThePdfFieldsAndWritesTextUnchanged) {
    Settings s = StartSettings();
    MemorySettingsStore store;
    OptionsDialog dlg(s, store, OptionsDialog::Page::Pdf);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("PDF参数设置"));
    EXPECT_TRUE(Child<QWidget>(&dlg, "framePDF")->isVisible());
    EXPECT_FALSE(Child<QWidget>(&dlg, "frameSet")->isVisible());
    EXPECT_EQ(Child<QLineEdit>(&dlg, "txtPDF2")->text(), QStringLiteral("本图片集由Tavu图片批处理软件制作"));

    Child<QLineEdit>(&dlg, "txtPDF1")->setText(QStringLiteral("  我的相册 2024 "));
    Child<QLineEdit>(&dlg, "txtPDF3")->setText(QString());
    Child<QPushButton>(&dlg, "cmdOK")->click();
    const std::map<std::string, std::string> expected{{"sPDF1", "  我的相册 2024 "}, {"sPDF3", ""}};
    EXPECT_EQ(store.values, expected);
    EXPECT_EQ(s.sPDF1 + "|" + s.sPDF2 + "|" + s.sPDF3, "  我的相册 2024 |本图片集由Tavu图片批处理软件制作|");
}

// ---------------------------------------------------------------------------------------------
// Decoding for the picture windows

TEST(FittedPicture, ShrinksToTheBoundsButNeverEnlarges) {
    QTemporaryDir dir;
    const QString path = MakePicture(dir, "a.png", 400, 300);
    ASSERT_FALSE(path.isEmpty());

    QString error;
    QImage same = LoadFittedPicture(path, QSize(1280, 800), &error);
    ASSERT_FALSE(same.isNull()) << error.toStdString();
    EXPECT_EQ(same.size(), QSize(400, 300));
    // Left red, right blue: neither mirrored nor with its channels swapped.
    EXPECT_TRUE(qRed(same.pixel(10, 150)) > 180 && qBlue(same.pixel(10, 150)) < 60);
    EXPECT_TRUE(qBlue(same.pixel(390, 150)) > 180 && qRed(same.pixel(390, 150)) < 60);

    EXPECT_EQ(LoadFittedPicture(path, QSize(200, 200)).size(), QSize(200, 150));
    EXPECT_EQ(LoadFittedPicture(path, QSize(1000, 150)).size(), QSize(200, 150));
}

TEST(FittedPicture, AMissingOrBrokenFileGivesAReason) {
    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(LoadFittedPicture(dir.filePath("none.png"), QSize(100, 100), &error).isNull());
    EXPECT_FALSE(error.isEmpty());

    QFile bad(dir.filePath("bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is no picture at all");
    bad.close();
    error.clear();
    EXPECT_TRUE(LoadFittedPicture(bad.fileName(), QSize(100, 100), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(FittedRect, OnePicturePixelPerDevicePixelUnlessTooLarge) {
    const QRectF screen(0, 0, 1280, 800);
    EXPECT_EQ(FittedRect(QSize(400, 300), 1.0, screen), QRectF(440, 250, 400, 300));
    EXPECT_EQ(FittedRect(QSize(400, 300), 2.0, screen), QRectF(540, 325, 200, 150));
    EXPECT_EQ(FittedRect(QSize(4000, 2000), 1.0, screen), QRectF(0, 80, 1280, 640));
    EXPECT_TRUE(FittedRect(QSize(), 1.0, screen).isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Full-screen viewer

TEST(FullScreenViewer, LoadsThePictureWithinTheScreenAndEscCloses) {
    QTemporaryDir dir;
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size() *
                         QGuiApplication::primaryScreen()->devicePixelRatio();
    const QString path = MakePicture(dir, "big.png", screen.width() * 2, screen.height());
    ASSERT_FALSE(path.isEmpty());

    FullScreenViewer viewer;
    int loaded = 0;
    bool ok = false;
    QObject::connect(&viewer, &FullScreenViewer::pictureLoaded, [&](bool b) {
        ++loaded;
        ok = b;
    });
    viewer.showFullScreen();
    viewer.showPicture(path);
    EXPECT_TRUE(viewer.isLoading());
    ASSERT_TRUE(RunUntil([&] { return loaded > 0; }));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(viewer.isLoading());
    EXPECT_EQ(viewer.picture().size(), QSize(screen.width(), screen.height() / 2));

    SendKey(&viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
}

TEST(FullScreenViewer, AnUnreadableFileReportsFailureAndALateResultIsDropped) {
    QTemporaryDir dir;
    const QString good = MakePicture(dir, "g.png", 64, 48);
    FullScreenViewer viewer;
    std::vector<bool> results;
    QObject::connect(&viewer, &FullScreenViewer::pictureLoaded, [&](bool b) { results.push_back(b); });
    viewer.show();
    viewer.showPicture(good);
    viewer.showPicture(dir.filePath("missing.jpg"));  // replaces the first request at once
    ASSERT_TRUE(RunUntil([&] { return !results.empty(); }));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0]);
    EXPECT_TRUE(viewer.picture().isNull());
    EXPECT_FALSE(viewer.errorText().isEmpty());
    EXPECT_EQ(viewer.path(), dir.filePath("missing.jpg"));
}

// ---------------------------------------------------------------------------------------------
// Picture browser

class PictureBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (int i = 0; i < 3; ++i)
            files_ << MakePicture(dir_, QStringLiteral("p%1.png").arg(i), 120 + 40 * i, 90);
    }
    void TearDown() override {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir_;
    QStringList files_;
};

TEST_F(PictureBrowserTest, SlideShowStepsForwardAndBackAroundTheList) {
    PictureBrowser b(files_, PictureBrowser::Mode::SlideShow, 0);
    EXPECT_EQ(b.intervalMs(), 1000);  // below one second counts as one
    EXPECT_EQ(b.currentIndex(), 0);
    std::vector<int> seen;
    QObject::connect(&b, &PictureBrowser::currentChanged, [&](int i) { seen.push_back(i); });
    b.advance();
    b.advance();
    b.advance();
    b.goBack();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 2}));
    EXPECT_EQ(b.currentIndex(), 2);
}

TEST_F(PictureBrowserTest, SlideShowStartsAtTheGivenEntryAndObeysItsKeys) {
    PictureBrowser b(files_, PictureBrowser::Mode::SlideShow, 4, 99);
    EXPECT_EQ(b.intervalMs(), 4000);
    EXPECT_EQ(b.currentIndex(), 2);
    b.show();
    SendKey(&b, Qt::Key_Right);
    EXPECT_EQ(b.currentIndex(), 0);
    SendKey(&b, Qt::Key_Left);
    EXPECT_EQ(b.currentIndex(), 2);
    SendKey(&b, Qt::Key_Space);
    EXPECT_TRUE(b.isPaused());
    SendKey(&b, Qt::Key_Space);
    EXPECT_FALSE(b.isPaused());
    SendKey(&b, Qt::Key_Escape);
    EXPECT_FALSE(b.isVisible());
}

TEST_F(PictureBrowserTest, SlideShowOfAnEmptyListHasNoSlide) {
    PictureBrowser b({}, PictureBrowser::Mode::SlideShow, 3);
    EXPECT_EQ(b.currentIndex(), -1);
    b.advance();
    b.goBack();
    EXPECT_EQ(b.currentIndex(), -1);
}

TEST_F(PictureBrowserTest, ListShowsEveryEntryAndFillsInThumbnails) {
    QStringList files = files_;
    files << dir_.filePath("gone.png");
    PictureBrowser b(files, PictureBrowser::Mode::List);
    ASSERT_NE(b.listWidget(), nullptr);
    ASSERT_EQ(b.listWidget()->count(), 4);
    EXPECT_EQ(b.listWidget()->item(1)->text(), QStringLiteral("p1.png"));

    std::map<int, bool> ready;
    QObject::connect(&b, &PictureBrowser::thumbnailReady, [&](int i, bool ok) { ready[i] = ok; });
    b.show();  // the window is usable while the thumbnails come in
    ASSERT_TRUE(RunUntil([&] { return ready.size() == 4; }));
    EXPECT_EQ((std::map<int, bool>{{0, true}, {1, true}, {2, true}, {3, false}}), ready);
    EXPECT_EQ(b.thumbnailsDone(), 4);

    SendKey(b.listWidget(), Qt::Key_Escape);
    EXPECT_FALSE(b.isVisible());
}

TEST_F(PictureBrowserTest, ClosingBeforeTheThumbnailsArriveIsSafe) {
    QStringList many;
    for (int i = 0; i < 40; ++i) many << files_[i % 3];
    for (auto mode : {PictureBrowser::Mode::List, PictureBrowser::Mode::SlideShow}) {
        auto* b = new PictureBrowser(many, mode, 1);
        b->show();
        delete b;  // decodes still queued or running must neither call nor touch it
    }
    // TearDown lets the pool finish and the posted calls run: nothing may reach the dead windows.
}

TEST_F(PictureBrowserTest, OpenViewerShowsTheChosenEntryFullScreen) {
    PictureBrowser b(files_, PictureBrowser::Mode::List);
    b.show();
    b.openViewer(7);  // out of range: nothing
    EXPECT_TRUE(b.findChildren<FullScreenViewer*>().isEmpty());
    b.openViewer(1);
    const auto viewers = b.findChildren<FullScreenViewer*>();
    ASSERT_EQ(viewers.size(), 1);
    EXPECT_EQ(viewers[0]->path(), files_[1]);
    EXPECT_TRUE(viewers[0]->isVisible());
    EXPECT_TRUE(viewers[0]->isWindow());
}

// ---------------------------------------------------------------------------------------------
// Screen capture

TEST(ScreenCapture, SavesTheScreenUnderFreshNamesAndBringsTheWindowBack) {
    QTemporaryDir dir;
    const QString userDir = dir.filePath("user");  // created on demand
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenPixels = screen->geometry().size() * screen->devicePixelRatio();

    // Something on screen for the grab to find, as the desktop is on a real display.
    QWidget desktop;
    desktop.setGeometry(screen->geometry());
    desktop.show();
    QWidget mainWindow;
    mainWindow.resize(300, 200);
    mainWindow.show();

    // Names of this second and the next few are taken already: they must be left alone.
    QDir().mkpath(userDir);
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s < 4; ++s) {
        const QString name = QStringLiteral("tempSC%1.png").arg(now.addSecs(s).toString("ddhhmmss"));
        QFile f(QDir(userDir).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
        taken << f.fileName();
    }

    const QString first = CaptureScreenToFile(&mainWindow, userDir);
    const QString second = CaptureScreenToFile(&mainWindow, userDir);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(mainWindow.isVisible());

    const QRegularExpression pattern(QStringLiteral("^tempSC\\d{8}(_\\d+)?\\.png$"));
    for (const QString& path : {first, second}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(userDir).absoluteFilePath());
        EXPECT_TRUE(pattern.match(QFileInfo(path).fileName()).hasMatch());
        EXPECT_FALSE(taken.contains(path));
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray("png"));
        EXPECT_EQ(reader.size(), screenPixels);
    }
    for (const QString& path : taken) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("keep"));
    }
}

TEST(ScreenCapture, AHiddenWindowStaysHiddenAndAnUnwritableFolderGivesNothing) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QWidget desktop;
    desktop.setGeometry(screen->geometry());
    desktop.show();
    QWidget mainWindow;

    QTemporaryDir dir;
    EXPECT_FALSE(CaptureScreenToFile(&mainWindow, dir.path()).isEmpty());
    EXPECT_FALSE(mainWindow.isVisible());

    // A plain file where the folder should be.
    QFile blocker(dir.filePath("notadir"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_TRUE(CaptureScreenToFile(nullptr, blocker.fileName()).isEmpty());
}

}  // namespace
