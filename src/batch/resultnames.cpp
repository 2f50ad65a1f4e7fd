#include "batch/resultnames.h"

#include <sys/stat.h>

#include <set>
#include <utility>

namespace tavu {

namespace {

using FileId = std::pair<dev_t, ino_t>;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IdOf(const std::string& path, FileId& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;  // a dangling link is in the way too
}

// Names that differ only in ASCII case are one file on some disks (memory cards, USB sticks).
std::string Key(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

ExistingPolicy ExistingPolicyFromSetting(int value) {
    if (value == 1) return ExistingPolicy::Skip;
    if (value == 2) return ExistingPolicy::Rename;
    return ExistingPolicy::Overwrite;
}

std::string NumberedName(const std::string& path, int n) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    const std::string number = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos || dot < nameStart) return path + number;
    return path.substr(0, dot) + number + path.substr(dot);
}

std::string RenamedNotice(const std::string& source, const std::string& newPath, bool clashInRun) {
    return source + (clashInRun ? "的结果与本次处理的另一张图片同名,已改名保存为 "
                                : "的结果文件名已被占用,已改名保存为 ") +
           NameOf(newPath);
}

std::string SkippedNotice(const std::string& source, const std::string& existingPath) {
    return source + "的结果文件 " + NameOf(existingPath) + " 已存在,已跳过";
}

std::vector<PlannedName> PlanResultNames(const std::vector<std::string>& wanted,
                                         const std::vector<std::string>& sources, ExistingPolicy policy) {
    std::set<FileId> sourceFiles, sourceFolders;
    for (const std::string& s : sources) {
        FileId id;
        if (IdOf(s, id)) sourceFiles.insert(id);
        if (IdOf(FolderOf(s), id)) sourceFolders.insert(id);
    }
    auto isSource = [&](const std::string& path) {
        FileId id;
        return IdOf(path, id) && sourceFiles.count(id) != 0;
    };

    std::vector<PlannedName> plan(wanted.size());
    if (sources.size() != wanted.size()) return plan;
    std::set<std::string> taken;  // Key() of every name given out so far
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i].empty()) continue;
        PlannedName& p = plan[i];
        FileId folder;
        const bool sourceFolder = IdOf(FolderOf(wanted[i]), folder) && sourceFolders.count(folder) != 0;

        // First the names of this run: a later picture never takes an earlier one's name.
        std::string path = wanted[i];
        bool clash = taken.count(Key(path)) != 0;
        int n = 0;
        while (taken.count(Key(path)) != 0) path = NumberedName(wanted[i], ++n);

        // Then what is on disk.
        if (Exists(path)) {
            const bool keepBeside = sourceFolder || policy == ExistingPolicy::Rename || isSource(path);
            if (!keepBeside && policy == ExistingPolicy::Skip) {
                p.skip = true;
                p.notice = SkippedNotice(sources[i], path);
                continue;
            }
            if (keepBeside) {
                while (taken.count(Key(path)) != 0 || Exists(path)) path = NumberedName(wanted[i], ++n);
            }
        }
        p.noReplace = sourceFolder || policy != ExistingPolicy::Overwrite || path != wanted[i];
        taken.insert(Key(path));
        p.path = path;
        if (path != wanted[i]) p.notice = RenamedNotice(sources[i], path, clash);
    }
    return plan;
}

}  // namespace tavu
