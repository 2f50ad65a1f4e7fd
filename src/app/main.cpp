// tavuzip: with no arguments the main window; with --batch the headless command line.
#include <QApplication>

#include <malloc.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "app/programicon.h"
#include "app/prompts.h"
#include "app/screenguard.h"
#include "app/translations.h"
#include "filelist/pathtext.h"
#include "imageio/vipsinit.h"
#include "cli/clirun.h"
#include "platform/paths.h"
#include "version.h"

int main(int argc, char** argv) {
    const bool batch = argc > 1 && std::strcmp(argv[1], "--batch") == 0;
    const bool info = argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0);
    // Pictures come and go in buffers of megabytes: the decoders' and encoders' working stores
    // (tens of megabytes for a progressive or Huffman-optimised camera photo), strips, results.
    // Freshly mapped memory costs its page faults and zeroing on every picture (a fifth of the CPU
    // time of progressive photos), so buffers up to 16 MiB are kept in the heap once freed and
    // reused by the next picture; one heap for all threads, so that a buffer freed by one worker
    // serves the next picture whichever thread draws it (with a heap per thread, each kept its own
    // and the peak grew). Larger buffers (whole camera photos) are still mapped on their own: the
    // allocator's own threshold would rise with the largest buffer freed and keep them all. About
    // 5 % less CPU time for the same peak memory; a run gives the kept memory back when it ends.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // The image library starts here, while the program has one thread: its start sets the environment.
    if (!info) tavu::EnsureImageIO();
    if (batch) {
        // The batch installs its own Ctrl+C, SIGTERM and SIGHUP handling.
        std::vector<std::string> args(argv + 2, argv + argc);
        return tavu::RunBatchCli(args, tavu::RealCliEnvironment(), std::cout, std::cerr);
    }
    if (info) {
        std::vector<std::string> args(argv + 1, argv + argc);
        return tavu::RunBatchCli(args, tavu::RealCliEnvironment(), std::cout, std::cerr);
    }

    QApplication app(argc, argv);
    // The desktop entry names the window's program (Wayland's app id, the taskbar's icon).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tavu::kDesktopId));
    QApplication::setApplicationVersion(QString::fromLatin1(tavu::kVersion));
    QApplication::setWindowIcon(tavu::ProgramIcon());
    tavu::InstallChineseQtTranslations(&app);
    tavu::ScreenGuard::Install(&app);
    tavu::IniSettingsStore store(tavu::DefaultSettingsPath());
    tavu::QtPrompts prompts(&store);
    tavu::AppContext context;
    context.programDir = QString::fromStdString(tavu::ProgramDir());
    context.workDir = QString::fromStdString(tavu::WorkDir());
    context.settings = &store;
    context.prompts = &prompts;
    tavu::MainWindow w(context);
    w.resize(1180, 760);
    tavu::ScreenGuard::Fit(&w);  // a smaller screen gets a smaller window
    w.show();
    // Pictures and folders named on the command line go into the list, the last one selected.
    QStringList paths;
    for (int i = 1; i < argc; ++i) paths << tavu::PathText(argv[i]);  // the name as given, whatever its bytes
    if (!paths.isEmpty()) w.addStartupPaths(paths);
    return app.exec();
}
