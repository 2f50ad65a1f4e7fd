// How responsive the main window stays while it works.
//   build/bench/window_latency PHOTO.jpg    500 pictures are processed while a 10 ms timer
//       measures the longest gap between two turns of the window's event loop; then the stop
//       button is pressed and the time until the window shows the idle buttons is measured.
//   build/bench/window_latency --preview PHOTO  with PHOTO selected, a setting is changed six times at a
//       width limit of 800 and six times at the photo's own size; the time until the preview shows
//       the new picture is measured.
//   build/bench/window_latency --add-files [PHOTO]  a folder of 10,000 pictures (hard links to PHOTO, or
//       to a small generated PNG) is added the way the add-folder button does it; the time until all
//       are listed, until every row shows its pixel size and file size (headers read off the window's
//       thread), and the longest gap between event-loop turns meanwhile are measured.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/batchpanel.h"
#include "app/mainwindow.h"
#include "app/previewpanel.h"
#include "app/prompts.h"
#include "filelist/filelistpanel.h"
#include "platform/allocator.h"

namespace {
class NoPrompts final : public tavu::Prompts {
public:
    QString folder;
    void error(QWidget*, const QString&, const QString&) override {}
    bool ask(QWidget*, const QString&) override { return false; }
    std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&, const QString&, bool*) override { return folder; }
    QStringList chooseFiles(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};
// The main window as the program opens it, with settings in memory and prompts that answer nothing.
struct BenchWindow {
    tavu::MemorySettingsStore store;
    NoPrompts prompts;
    std::unique_ptr<tavu::MainWindow> window;
    BenchWindow(const QString& folder, std::map<std::string, std::string> values) {
        store.values = std::move(values);
        tavu::AppContext ctx;
        ctx.programDir = folder;
        ctx.workDir = folder;
        ctx.settings = &store;
        ctx.prompts = &prompts;
        window = std::make_unique<tavu::MainWindow>(ctx);
        window->resize(1180, 760);
        window->show();
    }
};

// Adds a folder of 10,000 pictures and measures the window meanwhile.
int AddFiles(QApplication& app, QTemporaryDir& dir, QString photo) {
    const QString folder = dir.filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    if (photo.isEmpty()) {
        photo = dir.filePath(QStringLiteral("small.png"));
        QImage small(64, 48, QImage::Format_RGB32);
        small.fill(Qt::darkCyan);
        small.save(photo);
    }
    const QString suffix = QFileInfo(photo).suffix();
    for (int i = 0; i < 10000; ++i) {
        const QString p = folder + QStringLiteral("/IMG_%1.").arg(i, 5, 10, QLatin1Char('0')) + suffix;
        if (::link(QFile::encodeName(photo).constData(), QFile::encodeName(p).constData()) != 0) QFile::copy(photo, p);
    }
    BenchWindow bench(dir.path(), {{"bShowToday", "0"}});
    bench.prompts.folder = folder;
    tavu::MainWindow& w = *bench.window;
    QElapsedTimer clock;
    qint64 last = 0, maxGap = 0, maxGapAt = 0, doneAt = -1, factsAt = -1;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last == 0) last = now;  // from the first turn on: the window's first paint is not the list's doing
        if (now - last > maxGap) maxGapAt = now;
        maxGap = std::max(maxGap, now - last);
        last = now;
        w.update();
        if (!w.files().scanning() && doneAt < 0 && w.files().listBox()->count() == 10000) doneAt = now;
        if (doneAt >= 0 && factsAt < 0 && w.files().facts().pending() == 0) {
            factsAt = now;
            app.quit();
        }
    });
    clock.start();
    tick.start();
    w.files().cmdAdds_Click();
    QTimer::singleShot(120000, &app, &QApplication::quit);
    app.exec();
    int known = 0;
    for (const std::string& e : w.files().fileList().entries()) known += w.files().facts().find(e) != nullptr;
    std::printf("10,000 pictures (%s) listed after %.0f ms (listed: %d)\n", qPrintable(QFileInfo(photo).suffix()),
                doneAt / 1e6, w.files().listBox()->count());
    std::printf("every row's pixel size and file size shown after %.0f ms (rows with facts: %d)\n", factsAt / 1e6, known);
    std::printf("longest gap between event-loop turns meanwhile: %.1f ms (ending %.0f ms after the start)\n", maxGap / 1e6,
                maxGapAt / 1e6);
    return doneAt >= 0 && factsAt >= 0 ? 0 : 1;
}

// Changes a setting while a photo is selected and measures the time until the preview shows the
// new picture: with a width limit of 800, and at the photo's own size.
int PreviewDelay(QApplication& app, QTemporaryDir& dir, const QString& photo) {
    BenchWindow bench(dir.path(), {{"bShowToday", "0"}});
    tavu::MainWindow& w = *bench.window;
    bool shown = false;
    QObject::connect(&w.preview(), &tavu::PreviewPanel::shown, [&] { shown = true; });
    const auto waitShown = [&] {
        QElapsedTimer t;
        t.start();
        while (!shown && t.elapsed() < 20000) app.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        shown = false;
        return t.nsecsElapsed() / 1e6;
    };
    auto* size = w.findChild<QComboBox*>(QStringLiteral("cmbSize"));
    auto* width = w.findChild<QLineEdit*>(QStringLiteral("txtW"));
    size->setCurrentIndex(0);
    width->setText(QStringLiteral("800"));
    w.files().addPaths({photo}, true);
    waitShown();
    for (int mode : {0, 1}) {
        size->setCurrentIndex(mode);  // 0 限制宽度 800, 1 原始尺寸
        waitShown();
        std::vector<double> ms;
        for (int i = 0; i < 6; ++i) {
            w.state().sngPicX = float(i % 2);  // the picture's offset: a change the preview must show
            w.state().changed();
            ms.push_back(waitShown());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%s: a setting changed -> preview shown: median %.0f ms, worst %.0f ms (6 changes)\n",
                    mode == 0 ? "width limit 800" : "own size", ms[ms.size() / 2], ms.back());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    tavu::ConfigurePictureAllocator();  // as the program does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_latency PHOTO.jpg | --add-files [PHOTO] | --preview PHOTO\n");
        return 2;
    }
    QTemporaryDir dir;
    if (QString::fromLocal8Bit(argv[1]) == QStringLiteral("--preview") && argc > 2)
        return PreviewDelay(app, dir, QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    if (QString::fromLocal8Bit(argv[1]) == QStringLiteral("--add-files"))
        return AddFiles(app, dir, argc > 2 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString());
    QStringList pictures;
    for (int i = 0; i < 500; ++i) {
        const QString p = dir.filePath(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        QFile::link(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath(), p);
        pictures << p;
    }
    BenchWindow bench(dir.path(), {{"bAutoODir", "0"}});
    tavu::MainWindow& w = *bench.window;
    w.files().addPaths(pictures, false);
    w.findChild<QComboBox*>(QStringLiteral("cmbEncode"))->setCurrentIndex(1);  // jpg
    w.findChild<QComboBox*>(QStringLiteral("cmbSize"))->setCurrentIndex(0);
    w.findChild<QLineEdit*>(QStringLiteral("txtW"))->setText(QStringLiteral("800"));
    auto* cmdDone = w.findChild<QPushButton*>(QStringLiteral("cmdDone"));
    auto* cmdStop = w.findChild<QPushButton*>(QStringLiteral("cmdStop"));

    int done = 0;
    QObject::connect(&w.batchPanel().batch(), &tavu::BatchController::progress, [&](int d, int) { done = d; });
    QElapsedTimer clock;
    qint64 last = 0, maxGap = 0, stopToIdle = -1, stopToEnd = -1, stopAt = 0;
    int doneAtStop = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        maxGap = std::max(maxGap, now - last);
        last = now;
        w.update();  // ask for a repaint every turn, as a busy window would
    });
    QObject::connect(&w.batchPanel().batch(), &tavu::BatchController::finished, [&](const tavu::Completion&) {
        if (stopAt) stopToEnd = clock.nsecsElapsed() - stopAt;
        QTimer::singleShot(0, &app, &QApplication::quit);
    });
    QTimer::singleShot(3000, [&] {
        doneAtStop = done;
        stopAt = clock.nsecsElapsed();
        w.batchPanel().cmdStop_Click();
        if (cmdDone->isEnabled() && !cmdStop->isEnabled()) stopToIdle = clock.nsecsElapsed() - stopAt;
    });
    clock.start();
    tick.start();
    w.batchPanel().cmdDone_Click();
    app.exec();
    std::printf("pictures finished before the stop: %d of 500\n", doneAtStop);
    std::printf("longest gap between event-loop turns during the run: %.1f ms (timer every 10 ms)\n", maxGap / 1e6);
    std::printf("stop pressed -> idle buttons shown: %.3f ms\n", stopToIdle / 1e6);
    std::printf("stop pressed -> run ended (pictures under way finished): %.1f ms\n", stopToEnd / 1e6);
    return 0;
}
