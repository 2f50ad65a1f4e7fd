#include "filelist/filelist.h"

#include <algorithm>

#include "batch/picname.h"

namespace tavu {

void FileList::count(const std::string& path, int delta) {
    auto it = counts_.find(path);
    if (it == counts_.end()) {
        if (delta > 0) counts_.emplace(path, delta);
        return;
    }
    it->second += delta;
    if (it->second <= 0) counts_.erase(it);
}

bool FileList::add(const std::string& path) {
    if (!IsPicName(path) || counts_.count(path)) return false;
    append(path);
    return true;
}

void FileList::append(const std::string& path) {
    entries_.push_back(path);
    count(path, 1);
}

void FileList::insertAt(size_t position, const std::string& path) {
    entries_.insert(entries_.begin() + std::ptrdiff_t(std::min(position, entries_.size())), path);
    count(path, 1);
}

void FileList::remove(std::vector<size_t> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        if (*it >= entries_.size()) continue;
        removed_.emplace_back(entries_[*it], *it);
        count(entries_[*it], -1);
        entries_.erase(entries_.begin() + std::ptrdiff_t(*it));
    }
    canUndo_ = true;
}

void FileList::undo() {
    for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) insertAt(it->second, it->first);
    removed_.clear();
    canUndo_ = false;
}

void FileList::clear() {
    entries_.clear();
    counts_.clear();
    removed_.clear();
    canUndo_ = false;
}

}  // namespace tavu
