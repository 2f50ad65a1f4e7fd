// The settings file's value conversions and every key's default and range. The input is texts
// separated by NUL: each is read by every conversion; "key=value" texts also go into a store
// that LoadSettings then reads.
#include <cmath>

#include "fuzzcheck.h"
#include "platform/settings.h"

using namespace tavu;

namespace {

void CheckConversions(const std::string& text) {
    const std::optional<int32_t> i32 = ReadInt32(text);
    const std::optional<int16_t> i16 = ReadInt16(text);
    const std::optional<uint8_t> byte = ReadByte(text);
    const std::optional<bool> flag = ReadFlag(text);
    const std::optional<float> single = ReadSingle(text);
    // A narrower integer reads the same number as a wider one, or nothing when it does not fit.
    if (i16) FUZZ_CHECK(i32 && *i32 == *i16);
    if (byte) FUZZ_CHECK(i32 && *i32 == *byte);
    if (i32) {
        FUZZ_CHECK(i16.has_value() == (*i32 >= INT16_MIN && *i32 <= INT16_MAX));
        FUZZ_CHECK(byte.has_value() == (*i32 >= 0 && *i32 <= 255));
        FUZZ_CHECK(flag && (*i32 == 0 || *flag));
        FUZZ_CHECK(ReadInt32(std::to_string(*i32)) == i32);  // as the shutdown save writes it
    }
    if (single) {
        FUZZ_CHECK(std::isfinite(*single) && flag);
        // What the program writes, it reads back.
        const std::optional<float> again = ReadSingle(WriteSingle(*single));
        FUZZ_CHECK(again && *again == *single);
        FUZZ_CHECK(ReadFlag(WriteFlag(*flag)) == flag);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySettingsStore store;
    for (const std::string& part : fuzz::SplitInput(data, size, std::string_view("\0", 1))) {
        CheckConversions(part);
        const size_t eq = part.find('=');
        if (eq != std::string::npos) store.values[part.substr(0, eq)] = part.substr(eq + 1);
    }
    Settings s;
    LoadSettings(store, "/opt/tavuzip", Date{2026, 12, 8}, s);
    FUZZ_CHECK(s.iJPGQ <= 100);
    FUZZ_CHECK(s.iuSYAlpha >= 0 && s.iuSYAlpha <= 100);
    FUZZ_CHECK(s.iSlideTime >= 1);
    for (int16_t anchor : {s.iXCutMode, s.iYCutMode, s.iExisting}) FUZZ_CHECK(anchor >= 0 && anchor <= 2);
    // A missing key takes its default; so does one whose text does not convert.
    if (!store.values.count("iJPGQ")) FUZZ_CHECK(s.iJPGQ == kDefaultJpegQuality);
    if (!store.values.count("sFont")) FUZZ_CHECK(s.sFont == "宋体");
    if (!store.values.count("sPDF3")) FUZZ_CHECK(s.sPDF3 == "2026年12月08日");
    // The text colour: a stored number, or black.
    const auto color = store.values.find("lColor");
    const std::optional<int32_t> stored = color == store.values.end() ? std::nullopt : ReadInt32(color->second);
    FUZZ_CHECK(s.lColor == (stored ? *stored : 0));
    return 0;
}
