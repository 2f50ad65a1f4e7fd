// Writing result files so that a stopped, killed or failed run never leaves a truncated one:
// everything goes to a temporary file in the target folder first and is renamed into place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavu {

struct WriteError {
    int number = 0;    // errno-like; 0 = no error
    std::string text;  // what went wrong (Chinese), for the error log
};

// A fresh, unused temporary path in the folder of `target` (the file is created empty, mode 0644
// before umask). Hidden name beginning with ".tavuzip-" and ending in ".part".
bool MakeTempBeside(const std::string& target, std::string& tempPath, WriteError& err);

// Makes the temporary file durable and renames it onto `target`, then makes the folder entry
// durable: a result that counts as written survives a power cut. Replaces an existing target
// unless `noReplace`; then an existing target fails with err.number == EEXIST and the temporary
// file is kept for another try. On every other failure the temporary file is removed.
bool CommitTemp(const std::string& tempPath, const std::string& target, WriteError& err,
                bool noReplace = false);

// Writes the bytes atomically: temporary file, flush, rename.
bool WriteFileAtomic(const std::string& target, const std::vector<uint8_t>& bytes, WriteError& err);
bool WriteFileAtomic(const std::string& target, const std::string& bytes, WriteError& err);

// Opens `path` for writing, truncated, or creates it when it is missing — but never while the
// process is removing its temporary files and ending (then -1, errno EINTR): a temporary file
// removed under a writer that took its time is not made again. A file descriptor, or -1 and errno.
int OpenToWrite(const std::string& path);

// Writes the bytes straight into `path` (opened by OpenToWrite), for a temporary file that the
// caller renames later.
bool WriteBytesTo(const std::string& path, const void* data, size_t size, WriteError& err);

// Gives `target` (a result, normally its temporary file before the rename) the access and
// modification times of `source`; the source itself is only looked at. False when either fails.
bool CopyFileTimes(const std::string& source, const std::string& target);

// The whole of the file at `path` in `bytes` (`size` long), when it is a regular file of at least
// one and at most `maxBytes` bytes and can be read to its end. False otherwise, or out of memory.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::unique_ptr<uint8_t[]>& bytes, size_t& size);

// A Chinese text for an errno value met while writing.
std::string WriteErrorText(int errnum);

}  // namespace tavu
