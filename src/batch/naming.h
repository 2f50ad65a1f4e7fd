// Result names and the output format per picture.
#pragma once

#include <ctime>
#include <vector>
#include <string>

namespace tavu {

struct NamingRule {
    bool rename = false;           // true: prefix + sequence number; false: keep the source's name
    std::string prefix = "Tavu_";  // rename mode's prefix
    std::string digitsText = "4";  // how many digits the number gets, as typed
    std::string outDir;            // output folder, no trailing separator
};

// The source's file name after its last separator and before its last "." (the whole name when
// it has no ".").
std::string KeepNameBase(const std::string& source);

// The picture's position (from 0) as decimal text, left-padded with zeros to the number the
// digits text gives (rounded half to even). More digits are written in full; a count of 0 or
// less, or a text that is not a number, gives no padding.
std::string SequenceNumber(int index, const std::string& digitsText);

// outDir + "/" + (prefix + number | base) + "." + extension
std::string ResultPath(const NamingRule& rule, const std::string& source, int index,
                       const std::string& extension);

// The output folder for `source` when the folder structure is kept: outDir plus the folder of
// `source` relative to `base` ("" or a source outside `base`: outDir itself).
std::string TreeOutDir(const std::string& outDir, const std::string& base, const std::string& source);

// How "keep the source format" saves an entry, from its last four characters: ".bmp" exactly
// gives the bitmap writer; otherwise the extension is the last three characters when the four
// begin with ".", else the last four. A format that is read but not written (HEIC, HEIF, AVIF,
// any case) is saved as "jpg" instead, and says so.
struct KeepFormat {
    bool bitmapWriter = false;
    std::string extension;
    bool asJpeg = false;  // the source's format cannot be written: saved as JPEG
};
KeepFormat KeepSourceFormat(const std::string& entry);

// The output folder as the window's label shows it: unchanged below 23 characters, otherwise its
// first 3 characters + "..." + its last 17.
std::string ShortFolderDisplay(const std::string& folder);

// The prefix presets, computed from a moment: "yyyymmdd_", "hhmmss_", "yyyymmddhhmmss_".
enum class PrefixPreset { Date, Time, DateTime, None };
std::string PrefixFromPreset(PrefixPreset preset, const std::tm& now);

}  // namespace tavu
