#include "batch/sizepresets.h"

#include <iconv.h>

#include <fstream>
#include <sstream>

namespace tavu {

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
        const size_t a = line.find(';');
        p.name = line.substr(0, a);
        if (a != std::string::npos) {
            const size_t b = line.find(';', a + 1);
            p.width = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
            if (b != std::string::npos) p.height = line.substr(b + 1);
        }
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
    std::string out(gbk.size() * 2 + 16, '\0');
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
