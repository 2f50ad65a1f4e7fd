#include "imageio/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

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
    std::string pattern = FolderOf(target) + "/.tavuzip-XXXXXX.part";
    int fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
    if (fd < 0) {
        err = {errno, WriteErrorText(errno)};
        return false;
    }
    ::fchmod(fd, 0644 & ~g_umask);
    ::close(fd);
    tempPath = pattern;
    return true;
}

bool CommitTemp(const std::string& tempPath, const std::string& target, WriteError& err) {
    if (::rename(tempPath.c_str(), target.c_str()) != 0) {
        err = {errno, WriteErrorText(errno)};
        ::unlink(tempPath.c_str());
        return false;
    }
    return true;
}

bool WriteBytesTo(const std::string& path, const void* data, size_t size, WriteError& err) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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

static bool WriteAll(const std::string& target, const void* data, size_t size, WriteError& err) {
    std::string temp;
    if (!MakeTempBeside(target, temp, err)) return false;
    if (!WriteBytesTo(temp, data, size, err)) {
        ::unlink(temp.c_str());
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

}  // namespace tavu
