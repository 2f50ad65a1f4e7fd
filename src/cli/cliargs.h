// The headless command line: tavuzip --batch [options] FILE|FOLDER...
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imageio/decorate.h"

namespace tavu {

struct CliArgs {
    enum class Size { WidthLimit, Original, Preset, Custom };
    Size size = Size::WidthLimit;
    std::string width = "500";       // width limit, or the custom width as typed
    std::string height = "0";        // the custom height as typed
    std::string preset;              // the preset's name (size.ini)
    std::optional<bool> fit;         // unset: the stored crop-or-fit choice
    std::optional<int> anchorX, anchorY;
    bool smartAnchor = false;        // --anchor smart
    // JPEG file-size range (--kb MIN-MAX, -MAX, MIN-), padding, resolution.
    std::optional<int> minKB, maxKB;
    bool kbGiven = false;
    bool noPad = false;
    std::optional<int> dpi;
    std::string format = "keep";     // keep|jpg|png|tiff|bmp|webp
    // Encoding and metadata: a flag turns its choice on; without it the stored setting counts.
    bool progressive = false;        // --progressive
    std::optional<int> subsample;    // --subsample auto|420|444 as 0/1/2
    bool lossless = false;           // --lossless (WebP)
    bool keepExif = false, keepGps = false, keepMTime = false, keepTree = false;
    std::optional<int> quality;
    std::string output;              // empty: the default output folder
    std::optional<std::string> renamePrefix;
    std::string digits = "4";
    std::optional<float> gainR, gainG, gainB;
    float offsetX = 0, offsetY = 0;
    std::optional<std::array<int, 4>> crop;  // X,Y,W,H of the upright source, for every picture
    int turn = 0;                    // the direction menu's entry (0 none)
    int effect = -1;                 // the effect menu's entry (-1 none, 12 brightness)
    int brightness = 0;
    // Border and watermarks; what is not given takes the stored text settings and transparency.
    std::optional<std::string> text;
    std::optional<std::string> font;
    std::optional<int> fontSize;
    std::optional<uint32_t> color;   // 0x00BBGGRR, as stored
    bool bold = false, italic = false, underline = false;
    std::optional<Position> textPos;
    std::optional<std::string> watermark;
    std::optional<Position> watermarkPos;
    std::optional<int> opacity;      // 0..100
    std::optional<double> watermarkScale;
    std::optional<std::string> border;  // a name in the bk folder, or a PNG's path
    std::optional<int> existing;     // 0 overwrite, 1 skip, 2 rename; unset: the stored choice
    bool errorLog = false;
    std::string report;              // --report FILE.csv: a row per picture
    int jobs = 0;
    bool recursive = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> inputs;
};

// Parses the arguments after "--batch". On bad usage returns nothing and sets `error` to a clear
// message (Chinese).
std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& args, std::string& error);

std::string CliHelpText();

// A position as the command line takes it: one of the five position names ("右下", ... or
// br|bl|tl|tr|center) or two fractions "X,Y" between 0 and 1 (a custom position).
std::optional<Position> ParseCliPosition(const std::string& text);
// "#RRGGBB" or "RRGGBB" as the stored colour value 0x00BBGGRR.
std::optional<uint32_t> ParseCliColor(const std::string& text);
// "20-50", "-50" or "20-" (KB); false when it is none of them or the lower bound is above the upper.
bool ParseKbRange(const std::string& text, std::optional<int>& minKB, std::optional<int>& maxKB);

}  // namespace tavu
