// The command-line batch (clihelper.cpp) started as a process of its own, for the tests that need a
// fresh process or signal one.
#pragma once

#include <spawn.h>

#include <string>
#include <vector>

extern char** environ;

namespace tavu::test {

// Starts the helper with `args` (what follows its own name); its process id, or -1 when it cannot start.
inline pid_t StartCliHelper(std::vector<std::string> args) {
    args.insert(args.begin(), TAVU_CLI_HELPER);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, TAVU_CLI_HELPER, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

}  // namespace tavu::test
