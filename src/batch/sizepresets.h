// Named sizes from "size.ini": one per line, name;width;height.
#pragma once

#include <string>
#include <vector>

namespace tavu {

struct SizePreset {
    std::string name, width, height;  // as the file gives them (UTF-8)
};

// Splits the text into presets: lines end in LF or CR LF; empty lines give no preset; each line
// splits at ";" into at most three fields (the third keeps any further ";"); missing fields are
// empty.
std::vector<SizePreset> ParseSizePresets(const std::string& utf8Text);

// Reads the file as UTF-8, or as GBK when it is not valid UTF-8. A missing or unreadable file
// gives no presets.
std::vector<SizePreset> LoadSizePresets(const std::string& path);

// GBK (code page 936) to UTF-8; false when the text is not valid GBK.
bool GbkToUtf8(const std::string& gbk, std::string& utf8);
bool IsValidUtf8(const std::string& text);

}  // namespace tavu
