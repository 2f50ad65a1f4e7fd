// What every fuzz target shares: splitting the input into texts, a scratch folder, and a check
// that stops the run (a finding) when a property of the program does not hold.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace tavu::fuzz {

// A new empty folder for the target's files, under $TMPDIR (scripts/fuzz.sh points it at a folder
// it removes afterwards) or /tmp.
inline std::string ScratchFolder(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavu-fuzz-" + name + "-XXXXXX";
    if (!mkdtemp(path.data())) std::abort();
    return path;
}

// The input cut at every byte of `separators` (a trailing separator gives no empty last text).
inline std::vector<std::string> SplitInput(const uint8_t* data, size_t size, std::string_view separators) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (separators.find(c) != std::string_view::npos) {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

}  // namespace tavu::fuzz
