#include "batch/sizerules.h"

#include <charconv>

namespace tavu {

namespace {

std::optional<int> Number(const std::string& text) {
    size_t a = text.find_first_not_of(" \t"), b = text.find_last_not_of(" \t");
    if (a == std::string::npos) return std::nullopt;
    int v = 0;
    auto [p, ec] = std::from_chars(text.data() + a, text.data() + b + 1, v);
    if (ec != std::errc() || p != text.data() + b + 1 || v <= 0) return std::nullopt;
    return v;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

SizeTarget TargetOf(const SizeRuleInputs& in) {
    if (!in.on) return {};
    return {Number(in.minText), Number(in.maxText)};
}

int DpiOf(const SizeRuleInputs& in) {
    const std::optional<int> d = Number(in.dpiText);
    return d && *d <= 65535 ? *d : 0;
}

std::string CheckSizeRules(const SizeRuleInputs& in) {
    const SizeTarget t = TargetOf(in);
    if (t.minKB && t.maxKB && *t.minKB > *t.maxKB) return "文件大小的最小值不能大于最大值！";
    return {};
}

SizeRuleInputs InputsForPreset(const SizePreset& p, SizeRuleInputs in) {
    if (p.minKB || p.maxKB) {
        in.on = true;
        in.minText = p.minKB ? std::to_string(*p.minKB) : std::string();
        in.maxText = p.maxKB ? std::to_string(*p.maxKB) : std::string();
    }
    if (p.dpi) in.dpiText = std::to_string(*p.dpi);
    return in;
}

bool SizeRangeFormat(const std::string& f) {
    const std::string l = Lower(f);
    return l == "jpg" || l == "jpeg" || l == "webp" || f == "原格式";
}

bool DpiFormat(const std::string& f) {
    const std::string l = Lower(f);
    return l != "bmp" && l != "webp";
}

}  // namespace tavu
