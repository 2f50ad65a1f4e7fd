// tavuzip: with no arguments the main window; with --batch the headless command line.
#include <QApplication>

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/placeholderwindow.h"
#include "cli/clirun.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--batch") == 0) {
        std::signal(SIGINT, [](int) {
            tavu::StopRunningBatch();
            std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends at once
        });
        std::vector<std::string> args(argv + 2, argv + argc);
        return tavu::RunBatchCli(args, tavu::RealCliEnvironment(), std::cout, std::cerr);
    }
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0)) {
        std::vector<std::string> args(argv + 1, argv + argc);
        return tavu::RunBatchCli(args, tavu::RealCliEnvironment(), std::cout, std::cerr);
    }

    QApplication app(argc, argv);
    tavu::PlaceholderWindow w;
    w.show();
    return app.exec();
}
