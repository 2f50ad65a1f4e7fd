// The command line after "--batch": the input split at NUL or newline is the argument list.
// Only the parser runs; nothing is processed and the process never exits.
#include "cli/cliargs.h"
#include "fuzzcheck.h"
#include "platform/settings.h"
#include "raster/effects.h"

using namespace tavu;

namespace {

void CheckValueParsers(const std::string& text) {
    if (const std::optional<uint32_t> c = ParseCliColor(text)) FUZZ_CHECK(*c <= 0xFFFFFF);
    if (const std::optional<Position> p = ParseCliPosition(text); p && p->named == Position::Custom)
        FUZZ_CHECK(p->fx >= 0 && p->fx <= 1 && p->fy >= 0 && p->fy <= 1);
    std::optional<int> lo, hi;
    if (ParseKbRange(text, lo, hi)) {
        // A bound of 0 leaves that end open, as in the window: "0-" gives no range at all.
        FUZZ_CHECK(!lo || *lo > 0);
        FUZZ_CHECK(!hi || *hi > 0);
        FUZZ_CHECK(!lo || !hi || *lo <= *hi);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = fuzz::SplitInput(data, size, std::string_view("\0\n", 2));
    for (const std::string& a : args) CheckValueParsers(a);
    std::string error;
    const std::optional<CliArgs> parsed = ParseCliArgs(args, error);
    if (!parsed) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    const CliArgs& a = *parsed;
    FUZZ_CHECK(a.help || a.version || !a.inputs.empty());
    FUZZ_CHECK(a.inputs.size() <= args.size());
    // What the run takes from the arguments lies within the ranges it can use.
    FUZZ_CHECK(ReadSingle(a.width) && ReadSingle(a.height));
    if (a.size == CliArgs::Size::WidthLimit) FUZZ_CHECK(*ReadSingle(a.width) > 0);
    FUZZ_CHECK(!a.quality || (*a.quality >= 0 && *a.quality <= 100));
    FUZZ_CHECK(!a.dpi || (*a.dpi >= 1 && *a.dpi <= 65535));
    FUZZ_CHECK(!a.opacity || (*a.opacity >= 0 && *a.opacity <= 100));
    FUZZ_CHECK(!a.existing || (*a.existing >= 0 && *a.existing <= 2));
    FUZZ_CHECK(!a.crop || ((*a.crop)[2] > 0 && (*a.crop)[3] > 0));
    FUZZ_CHECK(a.turn >= 0 && a.turn < kTurnCount && a.turn != kTurnSeparator);
    FUZZ_CHECK(a.effect >= kEffectNone && a.effect <= kEffectBrightness);
    FUZZ_CHECK(a.brightness >= kBrightnessMin && a.brightness <= kBrightnessMax);
    FUZZ_CHECK(a.jobs >= 0 && a.jobs <= 256);
    FUZZ_CHECK(!a.watermarkScale || (*a.watermarkScale > 0 && *a.watermarkScale <= 100));
    FUZZ_CHECK(!a.kbGiven || a.format == "jpg" || a.format == "keep");
    if (a.renamePrefix) FUZZ_CHECK(a.renamePrefix->find('/') == std::string::npos);
    const std::optional<int16_t> digits = ReadInt16(a.digits);
    FUZZ_CHECK(digits && *digits >= 0 && *digits <= 32);
    return 0;
}
