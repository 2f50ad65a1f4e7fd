// How responsive the main window stays while a batch runs: 500 pictures are processed while a
// 10 ms timer measures the longest gap between two turns of the window's event loop; then the
// stop button is pressed and the time until the window shows the idle buttons is measured.
//   build/bench/window_latency PHOTO.jpg
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "app/mainwindow.h"

namespace {
class NoPrompts final : public tavu::Prompts {
public:
    void error(QWidget*, const QString&, const QString&) override {}
    bool ask(QWidget*, const QString&) override { return false; }
    std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList chooseFiles(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_latency PHOTO.jpg\n");
        return 2;
    }
    QTemporaryDir dir;
    QStringList pictures;
    for (int i = 0; i < 500; ++i) {
        const QString p = dir.filePath(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        QFile::link(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath(), p);
        pictures << p;
    }
    tavu::MemorySettingsStore store;
    store.values["bAutoODir"] = "0";
    NoPrompts prompts;
    tavu::AppContext ctx;
    ctx.programDir = dir.path();
    ctx.workDir = dir.path();
    ctx.settings = &store;
    ctx.prompts = &prompts;
    tavu::MainWindow w(ctx);
    w.resize(1180, 760);
    w.show();
    w.addPaths(pictures, false);
    w.cmbEncode->setCurrentIndex(1);  // jpg
    w.cmbSize->setCurrentIndex(0);
    w.txtW->setText(QStringLiteral("800"));

    int done = 0;
    QObject::connect(&w.batch(), &tavu::BatchController::progress, [&](int d, int) { done = d; });
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
    QObject::connect(&w.batch(), &tavu::BatchController::finished, [&](const tavu::Completion&) {
        if (stopAt) stopToEnd = clock.nsecsElapsed() - stopAt;
        QTimer::singleShot(0, &app, &QApplication::quit);
    });
    QTimer::singleShot(3000, [&] {
        doneAtStop = done;
        stopAt = clock.nsecsElapsed();
        w.cmdStop_Click();
        if (w.cmdDone->isEnabled() && !w.cmdStop->isEnabled()) stopToIdle = clock.nsecsElapsed() - stopAt;
    });
    clock.start();
    tick.start();
    w.cmdDone_Click();
    app.exec();
    std::printf("pictures finished before the stop: %d of 500\n", doneAtStop);
    std::printf("longest gap between event-loop turns during the run: %.1f ms (timer every 10 ms)\n", maxGap / 1e6);
    std::printf("stop pressed -> idle buttons shown: %.3f ms\n", stopToIdle / 1e6);
    std::printf("stop pressed -> run ended (pictures under way finished): %.1f ms\n", stopToEnd / 1e6);
    return 0;
}
