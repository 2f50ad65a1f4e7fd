// How much a run or a picture saved, in the words the window and the command line use.
#pragma once

#include <cstdint>
#include <string>

#include "batch/batchrun.h"

namespace tavu {

// "980 B", "38.2 KB", "142 KB", "3.8 MB" (KB = 1024 bytes).
std::string ByteSizeText(uint64_t bytes);
// The change from `in` to `out` as a percentage with `decimals` places: "−96%", "+12%", "0%".
// Empty when `in` is 0.
std::string SavingText(uint64_t in, uint64_t out, int decimals = 0);
// Why a picture failed: its failure line without the path the error text starts it with.
std::string FailureReason(const PictureResult& r);
// The summary of a finished run: "已写入 12 张 · 失败 1 张 · 38.2 MB → 4.1 MB (−89.3%) · 2 张比原图大".
std::string RunSummaryText(const Completion& c);

}  // namespace tavu
