// Which files are pictures, and the picture list with its no-duplicates rule.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavu {

// True when the name (bare or a full path) ends, ignoring ASCII case, in "jpg", "bmp", "gif",
// "png", "tiff", "jpeg", ".tif", or one of the phone formats ".heic", ".heif", ".avif", ".webp".
// Only the end of the text counts.
bool IsPicName(std::string_view name);

// The list of pictures to process: full paths in the order they were added; two entries never
// hold the same text (exact, case-sensitive comparison).
class PictureList {
public:
    // Appends the path when it is a picture name and not listed yet; false otherwise.
    bool add(const std::string& path);
    bool contains(const std::string& path) const { return index_.count(path) != 0; }
    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear();

private:
    std::vector<std::string> entries_;
    std::unordered_set<std::string> index_;
};

struct FolderScan {
    bool recursive = false;  // walk subfolders too (hidden ones are skipped)
    bool hiddenFiles = false;  // list hidden files too (the window's scan with subfolders does)
    // Called for every folder entered; return false to stop the scan.
    std::function<bool(const std::string& folder)> progress;
};

// The picture files of a folder (full paths), by the same rules and in the same order as
// AddFolderPictures below; `progress` may stop the scan.
std::vector<std::string> ScanFolderPictures(const std::string& folder, const FolderScan& scan = {});

// Adds the picture files of a folder, by name order, files before subfolders. Hidden files
// (names starting with ".") are skipped unless `hiddenFiles`; hidden subfolders and everything
// below them always are.
// Symbolic links to folders are not followed; a folder that cannot be read is skipped.
// Returns how many entries were added.
size_t AddFolderPictures(PictureList& list, const std::string& folder, const FolderScan& scan = {});

}  // namespace tavu
