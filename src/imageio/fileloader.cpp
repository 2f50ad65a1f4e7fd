#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "imageio/vipsinit.h"
#include "imageio/vipsutil.h"

namespace tavu {

namespace {

// A file as it is now: the remembered loader holds only while all of this stays the same.
struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{}, ctime{};
    bool operator==(const FileIdentity& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

bool IdentityOf(const std::string& path, FileIdentity& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    id = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    return true;
}

// The last file each thread asked about.
struct Remembered {
    std::string path;
    FileIdentity id;
    const char* loader = nullptr;
};
thread_local Remembered t_last;

}  // namespace

const char* FindLoader(const std::string& path) {
    FileIdentity id;
    const bool known = IdentityOf(path, id);
    if (known && t_last.loader && t_last.path == path && t_last.id == id) return t_last.loader;
    // A file none of the library's own readers knows may be for one loaded only when needed.
    const bool allLoaded = MoreLoadersLoaded();
    const char* loader = vips_foreign_find_load(path.c_str());
    if (!loader && !allLoaded && LoadMoreLoaders()) {
        vips_error_clear();
        loader = vips_foreign_find_load(path.c_str());
    }
    if (!loader) {
        vips_error_clear();
        t_last = {};
        return nullptr;
    }
    if (known) t_last = {path, id, loader};
    return loader;
}

bool LoaderAccepted(const std::string& path) {
    const char* loader = FindLoader(path);
    if (!loader) return true;
    // A loader that is shut (PDF, SVG, ...) recognises the content: it is none of our formats.
    if (!IsOpenLoader(loader)) return false;
    if (std::strstr(loader, "Magick") == nullptr) return true;
    char sig[2] = {0, 0};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const size_t n = std::fread(sig, 1, 2, f);
    std::fclose(f);
    return n == 2 && sig[0] == 'B' && sig[1] == 'M';
}

vips::VImage OpenFile(const std::string& path, vips::VOption* options) {
    const char* loader = FindLoader(path);
    const char* nickname = loader ? vips_nickname_find(g_type_from_name(loader)) : nullptr;
    // Without a loader, the library's own open says why it cannot read the file.
    if (!nickname) return vips::VImage::new_from_file(path.c_str(), options);
    vips::VImage out;
    vips::VImage::call(nickname, (options ? options : vips::VImage::option())->set("filename", path.c_str())->set("out", &out));
    return out;
}

}  // namespace tavu
