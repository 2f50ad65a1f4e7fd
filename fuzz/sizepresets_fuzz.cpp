// size.ini as the program reads it: the text (UTF-8, or GBK when it is not UTF-8) split into
// presets, each preset's tip, and what choosing it puts into the file-size and DPI boxes.
#include <algorithm>

#include "batch/sizepresets.h"
#include "batch/sizerules.h"
#include "fuzzcheck.h"

using namespace tavu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!IsValidUtf8(text)) {
        std::string converted, longer;
        const bool gbk = GbkToUtf8(text, converted);
        // One more line end never makes a text valid GBK: a text that converts with it converts
        // without it, to the same characters.
        if (GbkToUtf8(text + "\n", longer)) FUZZ_CHECK(gbk && longer == converted + "\n");
        if (gbk) {
            FUZZ_CHECK(IsValidUtf8(converted));
            text = std::move(converted);
        }
    }
    const bool utf8 = IsValidUtf8(text);
    const std::vector<SizePreset> presets = ParseSizePresets(text);
    FUZZ_CHECK(presets.size() <= size_t(std::count(text.begin(), text.end(), '\n')) + 1);
    for (const SizePreset& p : presets) {
        for (const std::optional<int>& n : {p.minKB, p.maxKB, p.dpi}) FUZZ_CHECK(!n || *n > 0);
        const std::string tip = PresetTip(p);
        if (utf8) FUZZ_CHECK(IsValidUtf8(p.name) && IsValidUtf8(p.width) && IsValidUtf8(tip));

        const SizeRuleInputs in = InputsForPreset(p, SizeRuleInputs{});
        FUZZ_CHECK(in.on == bool(p.minKB || p.maxKB));
        const SizeTarget t = TargetOf(in);
        FUZZ_CHECK(t.minKB == p.minKB && t.maxKB == p.maxKB);
        const int dpi = DpiOf(in);
        FUZZ_CHECK(dpi == (p.dpi && *p.dpi <= 65535 ? *p.dpi : 0));
        FUZZ_CHECK(CheckSizeRules(in).empty() == !(p.minKB && p.maxKB && *p.minKB > *p.maxKB));
    }
    return 0;
}
