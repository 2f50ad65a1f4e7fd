#include "batch/sizepresets.h"

#include <iconv.h>

#include <fstream>
#include <sstream>

namespace tavu {

namespace {

std::optional<int> PositiveNumber(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    s = s.substr(i);
    if (s.empty() || s.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v <= 0) return std::nullopt;
    return v;
}

}  // namespace

std::string PresetTip(const SizePreset& p) {
    std::string tip = p.width + "×" + p.height + " 像素";
    if (p.minKB && p.maxKB) tip += ", " + std::to_string(*p.minKB) + "-" + std::to_string(*p.maxKB) + " KB";
    else if (p.maxKB) tip += ", 不超过 " + std::to_string(*p.maxKB) + " KB";
    else if (p.minKB) tip += ", 不小于 " + std::to_string(*p.minKB) + " KB";
    if (p.dpi) tip += ", " + std::to_string(*p.dpi) + " DPI";
    if (p.minKB || p.maxKB) tip += "(JPEG)";
    return tip;
}

std::vector<SizePreset> ParseSizePresets(const std::string& text) {
    std::vector<SizePreset> presets;
    size_t pos = 0;
    // A byte-order mark is not part of the first name.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        SizePreset p;
        std::vector<std::string> f;
        size_t start = 0;
        while (f.size() < 5) {
            const size_t semi = line.find(';', start);
            if (semi == std::string::npos) break;
            f.push_back(line.substr(start, semi - start));
            start = semi + 1;
        }
        f.push_back(line.substr(start));
        p.name = f[0];
        if (f.size() > 1) p.width = f[1];
        if (f.size() > 2) p.height = f[2];
        if (f.size() > 3) p.minKB = PositiveNumber(f[3]);
        if (f.size() > 4) p.maxKB = PositiveNumber(f[4]);
        if (f.size() > 5) p.dpi = PositiveNumber(f[5]);
        presets.push_back(std::move(p));
    }
    return presets;
}

bool IsValidUtf8(const std::string& s) {
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t len = c < 0x80                ? 1
                           : c < 0xC2              ? 0  // continuation byte or overlong lead
                           : c < 0xE0              ? 2
                           : c < 0xF0              ? 3
                           : c < 0xF5              ? 4
                                                   : 0;
        if (len == 0 || i + len > n) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

bool GbkToUtf8(const std::string& gbk, std::string& utf8) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == iconv_t(-1)) return false;
    // A GBK byte becomes at most three bytes of UTF-8: the single byte 0x80 is "€" (E2 82 AC).
    std::string out(gbk.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == size_t(-1) || inLeft != 0) return false;
    out.resize(out.size() - outLeft);
    utf8 = std::move(out);
    return true;
}

std::vector<SizePreset> LoadSizePresets(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return {};
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = ss.str();
    if (!IsValidUtf8(text)) {
        std::string converted;
        if (GbkToUtf8(text, converted)) text = std::move(converted);
    }
    return ParseSizePresets(text);
}

}  // namespace tavu
