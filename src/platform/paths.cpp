#include "platform/paths.h"

#include "platform/settings.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavu {

namespace {

std::string HomeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string DataHome() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') base = xdg;
    else base = HomeDir() + "/.local/share";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

// True when a file can really be created in `dir`. The permission bits alone do not say
// (root ignores most of them, read-only mounts and pseudo file systems refuse anyway), so
// this creates and removes a probe file.
bool CanCreateFilesIn(const std::string& dir) {
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) return false;
    if (::access(dir.c_str(), W_OK) != 0) return false;

    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string probe = dir + "/.tavuzip-write-probe-" + std::to_string(::getpid()) +
                                  "-" + std::to_string(counter++);
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::string EnsureSubdir(const std::string& name) {
    const std::string dir = WorkDir() + "/" + name;
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

}  // namespace

std::string ExecutableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

ProgramLayout DetectLayout(const std::string& exeDir, const std::string& dataFromBin) {
    std::error_code ec;
    if (fs::is_regular_file(fs::path(exeDir) / "size.ini", ec)) return {exeDir, false};
    if (!dataFromBin.empty()) {
        fs::path data = (fs::path(exeDir) / dataFromBin).lexically_normal();
        std::string dir = data.string();
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        if (fs::is_regular_file(fs::path(dir) / "size.ini", ec)) return {dir, true};
    }
    return {exeDir, false};
}

ProgramLayout CurrentLayout() {
    // The executable does not move while it runs.
    static const ProgramLayout layout = DetectLayout(ExecutableDir(), TAVU_DATA_FROM_BIN);
    return layout;
}

std::string ProgramDir() { return CurrentLayout().programDir; }

std::string ChooseWorkDir(const ProgramLayout& layout, const std::string& dataDir) {
    // An installed program never writes below its prefix, even when it could (root, or a
    // prefix in the user's home): the package manager owns those files.
    if (layout.installed) return dataDir;
    return CanCreateFilesIn(layout.programDir) ? layout.programDir : dataDir;
}

std::string WorkDir() {
    const ProgramLayout layout = CurrentLayout();
    const std::string dataDir = DataHome() + "/" + ApplicationName();
    const std::string chosen = ChooseWorkDir(layout, dataDir);
    if (chosen != layout.programDir) {
        std::error_code ec;
        fs::create_directories(chosen, ec);
    }
    return chosen;
}

std::string DefaultOutputDir() { return EnsureSubdir("zp"); }

std::string UserDir() { return EnsureSubdir("user"); }

std::string AddedBordersDir() { return WorkDir() + "/bk"; }

std::string ShippedFile(const std::string& relative) { return ProgramDir() + "/" + relative; }

}  // namespace tavu
