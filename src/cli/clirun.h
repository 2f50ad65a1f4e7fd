// Runs the command line: lists the pictures, runs the batch and reports.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tavu {

class SettingsStore;

struct CliEnvironment {
    const SettingsStore* settings = nullptr;  // read only: the command line never writes settings
    std::string programDir;                   // for the stored defaults and the shipped borders
    std::string addedBordersDir;              // the borders the user added (may be empty)
    std::string presetsFile;                  // size.ini
    std::string defaultOutputDir;             // used when -o is not given (created if needed)
    bool progressToTerminal = false;          // stderr is a terminal: show "进度:i/n"
};

// `args`: everything after "--batch". Exit code 0: every picture written; 1: some failed or the
// run was stopped; 2: bad usage.
int RunBatchCli(const std::vector<std::string>& args, const CliEnvironment& env, std::ostream& out,
                std::ostream& err);

// The real environment (settings file, program folder, terminal check).
CliEnvironment RealCliEnvironment();

// Asks a running command-line batch to stop after the pictures under way (Ctrl+C).
void StopRunningBatch();

}  // namespace tavu
