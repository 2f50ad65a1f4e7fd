// Named sizes from "size.ini": one per line, name;width;height, optionally followed by the rules
// of an upload form: ;minKB;maxKB;dpi (each may be empty).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavu {

struct SizePreset {
    std::string name, width, height;  // as the file gives them (UTF-8)
    // The file-size range in KB and the resolution the preset asks for, when it gives them.
    std::optional<int> minKB, maxKB, dpi;
    bool hasRules() const { return minKB || maxKB || dpi; }
};

// Splits the text into presets: lines end in LF or CR LF; empty lines give no preset; each line
// splits at ";" into at most six fields (the last keeps any further ";"); missing fields are
// empty. Fields 4 to 6 are whole numbers or empty; one that is not a positive number sets
// nothing. A line of three fields reads as before: its third field is the height.
std::vector<SizePreset> ParseSizePresets(const std::string& utf8Text);

// What choosing the preset sets, for the size list's tip: "295×413 像素, 20-50 KB, 300 DPI".
std::string PresetTip(const SizePreset& preset);

// Reads the file as UTF-8, or as GBK when it is not valid UTF-8. A missing or unreadable file
// gives no presets.
std::vector<SizePreset> LoadSizePresets(const std::string& path);

// GBK (code page 936) to UTF-8; false when the text is not valid GBK.
bool GbkToUtf8(const std::string& gbk, std::string& utf8);
bool IsValidUtf8(const std::string& text);

}  // namespace tavu
