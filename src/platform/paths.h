// Where the program finds its shipped files and keeps its working folders.
//
// Two layouts are recognised from the executable's own place:
//   portable   the shipped files (size.ini, skin.she, skin/, bk/, sy/, ad/, ReadMe.txt) sit beside
//              the executable, as in the build folder or an unpacked copy;
//   installed  the executable is <prefix>/bin/tavuzip and the shipped files are in
//              <prefix>/share/tavuzip (as `cmake --install` and the Debian package lay them out).
#pragma once

#include <string>

namespace tavu {

// The folder of the running executable, no trailing separator.
std::string ExecutableDir();

struct ProgramLayout {
    std::string programDir;  // the folder of the shipped files, no trailing separator
    bool installed = false;  // true for <prefix>/bin + <prefix>/share/tavuzip
};

// The layout of the running program.
ProgramLayout CurrentLayout();

// The program folder: the folder of the shipped files (CurrentLayout().programDir).
std::string ProgramDir();

// The folder that holds the working folders "zp", "user" and the borders the user added: the
// program folder of a portable copy when it can be written, otherwise (and always for an
// installed program) the user's XDG data folder for this program ($XDG_DATA_HOME/tavuzip).
std::string WorkDir();

// Creates (if needed) and returns the default output folder WorkDir() + "/zp".
std::string DefaultOutputDir();
// Creates (if needed) and returns WorkDir() + "/user".
std::string UserDir();
// Where a border the user adds is copied: WorkDir() + "/bk" (the shipped bk/ itself for a
// writable portable copy). Not created here.
std::string AddedBordersDir();

// A file shipped with the program, e.g. ShippedFile("size.ini").
std::string ShippedFile(const std::string& relative);

// For tests: the layout for an executable in `exeDir`, where `dataFromBin` is the installed
// program folder relative to the executable's folder (e.g. "../share/tavuzip"). Files beside the
// executable win; otherwise an existing installed program folder with size.ini in it.
ProgramLayout DetectLayout(const std::string& exeDir, const std::string& dataFromBin);

// For tests: decide the working folder for a layout and the user's data folder.
std::string ChooseWorkDir(const ProgramLayout& layout, const std::string& dataDir);

}  // namespace tavu
