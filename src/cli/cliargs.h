// The headless command line: tavuzip --batch [options] FILE|FOLDER...
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavu {

struct CliArgs {
    enum class Size { WidthLimit, Original, Preset, Custom };
    Size size = Size::WidthLimit;
    std::string width = "500";       // width limit, or the custom width as typed
    std::string height = "0";        // the custom height as typed
    std::string preset;              // the preset's name (size.ini)
    std::optional<bool> fit;         // unset: the stored crop-or-fit choice
    std::optional<int> anchorX, anchorY;
    std::string format = "keep";     // keep|jpg|png|tiff|bmp
    std::optional<int> quality;
    std::string output;              // empty: the default output folder
    std::optional<std::string> renamePrefix;
    std::string digits = "4";
    std::optional<float> gainR, gainG, gainB;
    float offsetX = 0, offsetY = 0;
    int turn = 0;                    // the direction menu's entry (0 none)
    int effect = -1;                 // the effect menu's entry (-1 none, 12 brightness)
    int brightness = 0;
    bool errorLog = false;
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

}  // namespace tavu
