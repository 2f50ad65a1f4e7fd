#include "batch/picname.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tavu {

static bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    s = s.substr(s.size() - suffix.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

bool IsPicName(std::string_view name) {
    for (std::string_view ext : {"jpg", "bmp", "gif", "png", "tiff", "jpeg", ".tif", ".heic", ".heif", ".avif", ".webp"})
        if (EndsWithNoCase(name, ext)) return true;
    return false;
}

bool PictureList::add(const std::string& path) {
    if (!IsPicName(path) || index_.count(path)) return false;
    index_.insert(path);
    entries_.push_back(path);
    return true;
}

void PictureList::clear() {
    entries_.clear();
    index_.clear();
}

static void ScanFolder(std::vector<std::string>& out, const fs::path& folder, const FolderScan& scan, bool& stop) {
    if (scan.progress && !scan.progress(folder.string())) {
        stop = true;
        return;
    }
    std::error_code ec;
    std::vector<fs::path> files, folders;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) return;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const fs::path& p = it->path();
        const std::string name = p.filename().string();
        if (name.empty()) continue;
        std::error_code e2;
        if (name[0] == '.') {
            // Hidden: never a folder to enter; a file only when hidden files are asked for.
            if (!scan.hiddenFiles || it->is_directory(e2)) continue;
        }
        if (it->is_symlink(e2)) {
            // A link to a file counts as that file; links to folders are never followed.
            if (fs::is_regular_file(p, e2)) files.push_back(p);
            continue;
        }
        if (it->is_directory(e2)) folders.push_back(p);
        else if (it->is_regular_file(e2)) files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (const fs::path& f : files)
        if (IsPicName(f.filename().string())) out.push_back(f.string());
    if (scan.recursive) {
        for (const fs::path& d : folders) {
            if (stop) break;
            ScanFolder(out, d, scan, stop);
        }
    }
}

std::vector<std::string> ScanFolderPictures(const std::string& folder, const FolderScan& scan) {
    std::vector<std::string> out;
    bool stop = false;
    std::error_code ec;
    fs::path root = fs::absolute(fs::path(folder), ec).lexically_normal();
    if (ec) root = folder;
    std::string s = root.string();
    if (s.size() > 1 && s.back() == '/') root = s.substr(0, s.size() - 1);
    ScanFolder(out, root, scan, stop);
    return out;
}

size_t AddFolderPictures(PictureList& list, const std::string& folder, const FolderScan& scan) {
    size_t added = 0;
    for (const std::string& p : ScanFolderPictures(folder, scan))
        if (list.add(p)) ++added;
    return added;
}

}  // namespace tavu
