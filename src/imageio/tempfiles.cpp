#include "imageio/tempfiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace tavu {

namespace {

constexpr const char* kStem = ".tavuzip-";
constexpr const char* kSuffix = ".part";

// The boot id without its dashes (32 hex digits); "noboot" where /proc does not tell.
std::string BootId() {
    std::ifstream f("/proc/sys/kernel/random/boot_id");
    std::string id, line;
    std::getline(f, line);
    for (char c : line)
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) id += c;
    return id.empty() ? std::string("noboot") : id;
}

// Field 22 of /proc/<pid>/stat: the start time in clock ticks after boot; empty when unknown.
std::string StartTime(long pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const size_t paren = all.rfind(')');
    if (paren == std::string::npos) return {};
    std::istringstream rest(all.substr(paren + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        if (!(rest >> field)) return {};
    return field;
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The slots of the temporary files under way: plain memory that a signal handler may read.
constexpr int kSlots = 64;
constexpr size_t kPathMax = 4096;
struct Slot {
    std::atomic<int> state{0};  // 0 free, 1 in use, 2 being filled
    char path[kPathMax];
};
Slot g_slots[kSlots];
std::atomic<bool> g_ending{false};  // the process is removing its temporary files and ending

}  // namespace

const std::string& TempPrefix() {
    static const std::string prefix = [] {
        const long pid = long(::getpid());
        const std::string start = StartTime(pid);
        std::string p = kStem;
        p.append(std::to_string(pid)).append("-").append(start.empty() ? std::string("0") : start);
        p.append("-").append(BootId()).append("-");
        return p;
    }();
    return prefix;
}

void RegisterTemp(const std::string& path) {
    if (path.size() >= kPathMax) return;
    for (Slot& s : g_slots) {
        int expected = 0;
        if (!s.state.compare_exchange_strong(expected, 2)) continue;
        std::memcpy(s.path, path.c_str(), path.size() + 1);
        s.state.store(1, std::memory_order_release);
        return;
    }
}

void ForgetTemp(const std::string& path) {
    for (Slot& s : g_slots) {
        if (s.state.load(std::memory_order_acquire) != 1 || path != s.path) continue;
        int expected = 1;
        s.state.compare_exchange_strong(expected, 0);
        return;
    }
}

void DropTemp(const std::string& path) {
    if (path.empty()) return;
    ::unlink(path.c_str());
    ForgetTemp(path);
}

bool TempsEnding() { return g_ending.load(); }

void RemoveTempsInProgress() {
    g_ending.store(true);  // a file made from now on removes itself (see MakeTempBeside)
    for (Slot& s : g_slots)
        if (s.state.load(std::memory_order_acquire) == 1) ::unlink(s.path);
}

bool TempOwnerAlive(const std::string& name) {
    const size_t stem = std::strlen(kStem), suffix = std::strlen(kSuffix);
    if (name.size() <= stem + suffix || name.compare(0, stem, kStem) != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0)
        return true;
    // <pid>-<start>-<boot>-XXXXXX
    std::string fields[4];
    size_t at = stem;
    for (int i = 0; i < 3; ++i) {
        const size_t dash = name.find('-', at);
        if (dash == std::string::npos) return true;
        fields[i] = name.substr(at, dash - at);
        at = dash + 1;
    }
    if (!AllDigits(fields[0]) || !AllDigits(fields[1]) || fields[0].size() > 9) return true;
    static const std::string boot = BootId();
    if (fields[2] != boot) return false;  // made before the last restart
    const std::string start = StartTime(std::stol(fields[0]));
    return !start.empty() && start == fields[1];  // gone, or the number now names another process
}

int RemoveStaleTemps(const std::string& folder) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return 0;
    int removed = 0;
    const size_t stem = std::strlen(kStem), suffix = std::strlen(kSuffix);
    const time_t dayAgo = std::time(nullptr) - 24 * 3600;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= stem + suffix || name.compare(0, stem, kStem) != 0 ||
            name.compare(name.size() - suffix, suffix, kSuffix) != 0)
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        // ".tavuzip-XXXXXX.part": made before runs were named; only an old one is surely dead.
        const bool named = std::count(name.begin(), name.end(), '-') >= 4;
        const bool dead = named ? !TempOwnerAlive(name) : st.st_mtime < dayAgo;
        if (dead && ::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(d);
    return removed;
}

}  // namespace tavu
