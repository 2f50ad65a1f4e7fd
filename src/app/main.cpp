// tavuzip: with no arguments the main window; with --batch the headless command line.
#include <QApplication>

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
#include "platform/allocator.h"
#include "platform/paths.h"
#include "version.h"

int main(int argc, char** argv) {
    const bool batch = argc > 1 && std::strcmp(argv[1], "--batch") == 0;
    const bool info = argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0);
    tavu::ConfigurePictureAllocator();
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
