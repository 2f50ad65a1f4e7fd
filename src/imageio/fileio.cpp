#include "imageio/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>

#include "imageio/tempfiles.h"

namespace tavu {

std::string WriteErrorText(int errnum) {
    switch (errnum) {
        case EACCES:
        case EPERM: return "没有写入输出文件夹的权限";
        case EROFS: return "输出位置是只读的";
        case ENOSPC: return "磁盘空间不足";
        case EDQUOT: return "超出磁盘配额";
        case ENOENT: return "输出文件夹不存在";
        case ENOTDIR: return "输出路径不是文件夹";
        case EISDIR: return "同名的文件夹已存在,无法写入文件";
        case ENAMETOOLONG: return "文件名太长";
        case EIO: return "磁盘读写错误";
        default: return "无法写入文件";
    }
}

// Read once at load time, before any thread exists: umask() can only be read by setting it.
static const mode_t g_umask = [] {
    mode_t m = ::umask(022);
    ::umask(m);
    return m;
}();

static std::string FolderOf(const std::string& target) {
    const std::filesystem::path p(target);
    std::string dir = p.parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

bool MakeTempBeside(const std::string& target, std::string& tempPath, WriteError& err) {
    std::string pattern = FolderOf(target) + "/" + TempPrefix() + "XXXXXX.part";
    int fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
    if (fd < 0) {
        err = {errno, WriteErrorText(errno)};
        return false;
    }
    ::fchmod(fd, 0644 & ~g_umask);
    ::close(fd);
    RegisterTemp(pattern);
    if (TempsEnding()) {
        DropTemp(pattern);
        err = {EINTR, "程序正在退出"};
        return false;
    }
    tempPath = pattern;
    return true;
}

// fsync of a file or folder by path; errno on failure, 0 on success.
static int SyncPath(const std::string& path, bool folder) {
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return errno;
    int e = 0;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // Some file systems cannot sync a folder; the rename itself then has to do.
        if (!(folder && (errno == EINVAL || errno == EROFS))) e = errno;
        break;
    }
    ::close(fd);
    return e;
}

// rename() that never replaces: renameat2(RENAME_NOREPLACE), or a hard link where the file
// system lacks it. 0 or errno.
static int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    // No hard links either (FAT): look first, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool CommitTemp(const std::string& tempPath, const std::string& target, WriteError& err, bool noReplace) {
    if (const int e = SyncPath(tempPath, false)) {
        err = {e, WriteErrorText(e)};
        DropTemp(tempPath);
        return false;
    }
    const int e = noReplace ? RenameNoReplace(tempPath, target)
                            : (::rename(tempPath.c_str(), target.c_str()) == 0 ? 0 : errno);
    if (e != 0) {
        err = {e, e == EEXIST ? std::string("同名文件已存在") : WriteErrorText(e)};
        if (e != EEXIST || !noReplace) DropTemp(tempPath);
        return false;
    }
    ForgetTemp(tempPath);
    if (const int de = SyncPath(FolderOf(target), true)) {
        // The result is in place but may not survive a power cut: not counted as written.
        err = {de, WriteErrorText(de)};
        return false;
    }
    return true;
}

int OpenToWrite(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) return fd;
    // Missing: made now, unless the temporary files are being removed (which sets the flag first,
    // so a file missing for that reason is always seen so here).
    if (TempsEnding()) {
        errno = EINTR;
        return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

bool WriteBytesTo(const std::string& path, const void* data, size_t size, WriteError& err) {
    int fd = OpenToWrite(path);
    if (fd < 0) {
        err = {errno, WriteErrorText(errno)};
        return false;
    }
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = {errno, WriteErrorText(errno)};
            ::close(fd);
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    if (::close(fd) != 0) {
        err = {errno, WriteErrorText(errno)};
        return false;
    }
    return true;
}

bool CopyFileTimes(const std::string& source, const std::string& target) {
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) return false;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, target.c_str(), times, 0) == 0;
}

static bool WriteAll(const std::string& target, const void* data, size_t size, WriteError& err) {
    std::string temp;
    if (!MakeTempBeside(target, temp, err)) return false;
    if (!WriteBytesTo(temp, data, size, err)) {
        DropTemp(temp);
        return false;
    }
    return CommitTemp(temp, target, err);
}

bool WriteFileAtomic(const std::string& target, const std::vector<uint8_t>& bytes, WriteError& err) {
    return WriteAll(target, bytes.data(), bytes.size(), err);
}

bool WriteFileAtomic(const std::string& target, const std::string& bytes, WriteError& err) {
    return WriteAll(target, bytes.data(), bytes.size(), err);
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::unique_ptr<uint8_t[]>& bytes, size_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && uint64_t(st.st_size) <= maxBytes;
    if (ok) {
        size = size_t(st.st_size);
        bytes.reset(new (std::nothrow) uint8_t[size]);
        size_t got = 0;
        while (bytes && got < size) {
            const ssize_t n = ::read(fd, bytes.get() + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        ok = bytes && got == size;
    }
    ::close(fd);
    return ok;
}

}  // namespace tavu
