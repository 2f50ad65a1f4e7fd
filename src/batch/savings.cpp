#include "batch/savings.h"

#include <cmath>
#include <cstdio>

namespace tavu {

std::string ByteSizeText(uint64_t bytes) {
    char buf[32];
    const double kb = double(bytes) / 1024.0;
    if (bytes < 1024) std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
    else if (kb < 100) std::snprintf(buf, sizeof buf, "%.1f KB", kb);
    else if (kb < 1024) std::snprintf(buf, sizeof buf, "%.0f KB", kb);
    else std::snprintf(buf, sizeof buf, "%.1f MB", kb / 1024.0);
    return buf;
}

std::string SavingText(uint64_t in, uint64_t out, int decimals) {
    if (in == 0) return {};
    const double change = 100.0 * (double(out) - double(in)) / double(in);
    const double scale = std::pow(10.0, decimals);
    const double shown = std::round(std::fabs(change) * scale) / scale;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f%%", decimals, shown);
    if (shown == 0) return buf;
    return (change < 0 ? "−" : "+") + std::string(buf);
}

std::string FailureReason(const PictureResult& r) {
    std::string line = r.failureLine;
    if (!r.source.empty() && line.rfind(r.source, 0) == 0) line.erase(0, r.source.size());
    return line;
}

std::string RunSummaryText(const Completion& c) {
    std::string s = "已写入 " + std::to_string(c.written) + " 张";
    if (c.failed) s += " · 失败 " + std::to_string(c.failed) + " 张";
    if (c.skipped) s += " · 跳过 " + std::to_string(c.skipped) + " 张";
    if (c.stopped) s += " · 未处理 " + std::to_string(c.total - c.finished) + " 张";
    if (c.written) {
        s += " · " + ByteSizeText(c.bytesIn) + " → " + ByteSizeText(c.bytesOut);
        const std::string saving = SavingText(c.bytesIn, c.bytesOut, 1);
        if (!saving.empty()) s += " (" + saving + ")";
    }
    if (!c.larger.empty()) s += " · " + std::to_string(c.larger.size()) + " 张比原图大";
    return s;
}

}  // namespace tavu
