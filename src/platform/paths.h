// Where the program finds its shipped files and keeps its working folders.
#pragma once

#include <string>

namespace tavu {

// The folder of the running executable, no trailing separator.
std::string ProgramDir();

// The folder that holds the working folders "zp" and "user": the program folder when it can be
// written, otherwise the user's XDG data folder for this program ($XDG_DATA_HOME/tavuzip).
std::string WorkDir();

// Creates (if needed) and returns the default output folder WorkDir() + "/zp".
std::string DefaultOutputDir();
// Creates (if needed) and returns WorkDir() + "/user".
std::string UserDir();

// A file shipped beside the executable, e.g. ShippedFile("size.ini").
std::string ShippedFile(const std::string& relative);

// For tests: decide the working folder for a given program folder and data folder.
std::string ChooseWorkDir(const std::string& programDir, const std::string& dataDir);

}  // namespace tavu
