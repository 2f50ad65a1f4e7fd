#include "batch/naming.h"

#include <algorithm>
#include <cstdio>

#include "platform/settings.h"

namespace tavu {

std::string KeepNameBase(const std::string& source) {
    const size_t slash = source.find_last_of('/');
    std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

std::string SequenceNumber(int index, const std::string& digitsText) {
    std::string n = std::to_string(index);
    const std::optional<int16_t> digits = ReadInt16(digitsText);
    if (digits && *digits > 0 && size_t(*digits) > n.size()) n.insert(0, size_t(*digits) - n.size(), '0');
    return n;
}

std::string ResultPath(const NamingRule& rule, const std::string& source, int index,
                       const std::string& extension) {
    const std::string stem = rule.rename ? rule.prefix + SequenceNumber(index, rule.digitsText)
                                         : KeepNameBase(source);
    return rule.outDir + "/" + stem + "." + extension;
}

std::string TreeOutDir(const std::string& outDir, const std::string& base, const std::string& source) {
    std::string b = base;
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    if (b.empty() || source.size() <= b.size() + 1 || source.compare(0, b.size(), b) != 0) return outDir;
    const size_t start = b == "/" ? 1 : b.size() + 1;
    if (b != "/" && source[b.size()] != '/') return outDir;
    const size_t slash = source.find_last_of('/');
    if (slash == std::string::npos || slash < start) return outDir;
    const std::string rel = source.substr(start, slash - start);
    // Only plain folder names: nothing may lead out of the output folder.
    size_t from = 0;
    while (from <= rel.size()) {
        const size_t end = std::min(rel.find('/', from), rel.size());
        const std::string part = rel.substr(from, end - from);
        if (part.empty() || part == "." || part == "..") return outDir;
        from = end + 1;
    }
    return outDir + "/" + rel;
}

KeepFormat KeepSourceFormat(const std::string& entry) {
    KeepFormat k;
    const std::string last4 = entry.size() >= 4 ? entry.substr(entry.size() - 4) : entry;
    if (last4 == ".bmp") {
        k.bitmapWriter = true;
        k.extension = "bmp";
    } else if (!last4.empty() && last4[0] == '.') {
        k.extension = last4.substr(1);
    } else {
        k.extension = last4;
    }
    std::string lower = k.extension;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (lower == "heic" || lower == "heif" || lower == "avif") {
        k.extension = "jpg";
        k.asJpeg = true;
    }
    return k;
}

// Counts and cuts by characters (UTF-8 code points), not bytes.
static std::vector<size_t> CharStarts(const std::string& s) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
    return starts;
}

std::string ShortFolderDisplay(const std::string& folder) {
    const std::vector<size_t> starts = CharStarts(folder);
    const size_t n = starts.size();
    if (n < 23) return folder;
    return folder.substr(0, starts[3]) + "..." + folder.substr(starts[n - 17]);
}

std::string PrefixFromPreset(PrefixPreset preset, const std::tm& t) {
    char buf[32];
    switch (preset) {
        case PrefixPreset::Date:
            std::snprintf(buf, sizeof buf, "%04d%02d%02d_", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
            return buf;
        case PrefixPreset::Time:
            std::snprintf(buf, sizeof buf, "%02d%02d%02d_", t.tm_hour, t.tm_min, t.tm_sec);
            return buf;
        case PrefixPreset::DateTime:
            std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d_", t.tm_year + 1900, t.tm_mon + 1,
                          t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
            return buf;
        case PrefixPreset::None: break;
    }
    return {};
}

}  // namespace tavu
