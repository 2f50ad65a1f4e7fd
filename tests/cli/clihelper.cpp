// The command-line batch as its own process, for the tests that signal or kill a run: the
// settings are an empty store, the results go where -o says.
#include <iostream>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "platform/allocator.h"
#include "platform/settings.h"

int main(int argc, char** argv) {
    tavu::ConfigurePictureAllocator();  // as the program does
    tavu::MemorySettingsStore store;
    tavu::CliEnvironment env;
    env.settings = &store;
    env.programDir = "/nonexistent";
    env.defaultOutputDir = "/nonexistent/zp";
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tavu::RunBatchCli(args, env, std::cout, std::cerr);
}
