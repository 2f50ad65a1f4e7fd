// The picture list behind the window's list box: entries in the order they were added, the
// no-duplicates rule, and the removal memory that undo brings back.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace tavu {

class FileList {
public:
    // Adds the path when it is a picture name and no entry equals it (exact text).
    bool add(const std::string& path);
    // Appends without any test (dropped picture data, restored entries).
    void append(const std::string& path);
    // Inserts at `position`, or at the end when the position lies past it.
    void insertAt(size_t position, const std::string& path);

    // Removes the given entries (any order, duplicates ignored), walking from the last to the
    // first and remembering each text with the position it had. The memory can be used afterwards
    // even when nothing was selected.
    void remove(std::vector<size_t> selected);
    // Puts every remembered entry back, the last removal first, so that each returns to its old
    // place when the list has not changed in between. Forgets the memory.
    void undo();
    bool canUndo() const { return canUndo_; }
    size_t remembered() const { return removed_.size(); }
    // Removes every entry and forgets the memory.
    void clear();

    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::string& operator[](size_t i) const { return entries_[i]; }

private:
    void count(const std::string& path, int delta);

    std::vector<std::string> entries_;
    std::unordered_map<std::string, int> counts_;  // how many entries hold each text
    std::vector<std::pair<std::string, size_t>> removed_;
    bool canUndo_ = false;
};

}  // namespace tavu
