#include "platform/settings.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tavu;

namespace {

struct TempDir {
    std::string path = (fs::temp_directory_path() / "tavu-settings-XXXXXX").string();
    TempDir() { EXPECT_NE(mkdtemp(path.data()), nullptr); }
    ~TempDir() { std::error_code ec; fs::remove_all(path, ec); }
};

// Refuses every write and records the keys it was asked for.
struct FailingStore final : SettingsStore {
    std::optional<std::string> get(const std::string&) const override { return std::nullopt; }
    bool save(const std::string& key, const std::string&) override {
        attempted.push_back(key);
        return false;
    }
    std::vector<std::string> attempted;
};

CloseState Closing() {
    CloseState st;
    st.borderCount = 6;
    st.alphaText = "80";
    st.loadedSYAlpha = 80;
    return st;
}

}  // namespace

TEST(SettingsConversion, Integers) {
    // Halves go to the even neighbour; range is checked after rounding.
    EXPECT_EQ(ReadInt16("12.5"), 12);
    EXPECT_EQ(ReadInt16("13.5"), 14);
    EXPECT_EQ(ReadInt16("-2.5"), -2);
    EXPECT_EQ(ReadInt16("12.51"), 13);
    EXPECT_EQ(ReadInt16(" \t-7 \r\n"), -7);
    EXPECT_EQ(ReadInt16("+.6"), 1);
    EXPECT_EQ(ReadInt16("1e2"), 100);
    EXPECT_EQ(ReadInt16("-32768"), -32768);
    EXPECT_EQ(ReadInt16("32767.5"), std::nullopt);
    EXPECT_EQ(ReadInt16("-32769"), std::nullopt);
    EXPECT_EQ(ReadInt16("1e999"), std::nullopt);
    EXPECT_EQ(ReadByte("254.5"), 254);
    EXPECT_EQ(ReadByte("-0.4"), 0);
    EXPECT_EQ(ReadByte("255.5"), std::nullopt);
    EXPECT_EQ(ReadByte("-1"), std::nullopt);
    EXPECT_EQ(ReadInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadInt32("2147483648"), std::nullopt);
    // The words read as -1 and 0.
    EXPECT_EQ(ReadInt16(" tRUE "), -1);
    EXPECT_EQ(ReadInt32("FALSE"), 0);
    EXPECT_EQ(ReadByte("True"), std::nullopt);
}

TEST(SettingsConversion, FlagsAndSingles) {
    EXPECT_EQ(ReadFlag("true"), true);
    EXPECT_EQ(ReadFlag(" False "), false);
    EXPECT_EQ(ReadFlag("0.4"), true);  // non-zero before any rounding
    EXPECT_EQ(ReadFlag("0"), false);
    EXPECT_EQ(ReadFlag(WriteFlag(true)), true);
    EXPECT_EQ(WriteFlag(false), "False");

    EXPECT_EQ(ReadSingle(" -1.5 "), -1.5f);
    EXPECT_EQ(ReadSingle("2.5E-1"), 0.25f);
    EXPECT_EQ(ReadSingle("1e-60"), 0.0f);
    EXPECT_EQ(ReadSingle("1e39"), std::nullopt);
    // The largest float, written with 15 digits, lies just above it and still reads back;
    // half a step further rounds to infinity and is out of range.
    const float largest = std::numeric_limits<float>::max();
    EXPECT_EQ(ReadSingle(WriteSingle(largest)), largest);
    EXPECT_EQ(ReadSingle("-" + WriteSingle(largest)), -largest);
    EXPECT_EQ(ReadSingle("3.4028235677973366e38"), std::nullopt);
    EXPECT_EQ(WriteSingle(0.25), "0.25");
    EXPECT_EQ(WriteSingle(0), "0");
    EXPECT_EQ(WriteSingle(-0.0), "0");
    EXPECT_EQ(WriteSingle(static_cast<double>(0.1f)), "0.100000001490116");
    EXPECT_EQ(WriteSingle(1.0 / 3.0), "0.333333333333333");
}

TEST(SettingsConversion, GarbageDoesNotConvert) {
    for (const char* text : {"", "  ", "abc", "12abc", "1 2", "--1", ".", "1e", "0x10", "1,5",
                             "inf", "nan", "Truex"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadInt16(text), std::nullopt);
        EXPECT_EQ(ReadInt32(text), std::nullopt);
        EXPECT_EQ(ReadByte(text), std::nullopt);
        EXPECT_EQ(ReadFlag(text), std::nullopt);
        EXPECT_EQ(ReadSingle(text), std::nullopt);
    }
}

TEST(LoadSettings, EmptyStoreGivesEveryDefault) {
    MemorySettingsStore store;
    Settings s;
    LoadSettings(store, "/opt/tavu", Date{2024, 3, 5}, s);
    EXPECT_EQ(s.sSkinFileName, "/opt/tavu/skin.she");
    EXPECT_EQ(s.sODIR, "/opt/tavu");
    EXPECT_EQ(s.sText, "");
    EXPECT_EQ(s.sFont, "宋体");
    EXPECT_EQ(s.suISyF, "");
    EXPECT_EQ(s.sPDF1, "Tavu图片集");
    EXPECT_EQ(s.sPDF2, "本图片集由Tavu图片批处理软件制作");
    EXPECT_EQ(s.sPDF3, "2024年03月05日");
    const std::vector<int> numbers = {s.bShowToday, s.iuSYAlpha, s.iuSize,    s.iuBk,
                                      s.iSize,      s.lColor,    s.iJPGQ,     s.iSlideTime,
                                      s.bPicJQ,     s.bAutoODir, s.bAutoURL,  s.bShowURL,
                                      s.bShowURLPic, s.bSaveErr, s.iXCutMode, s.iYCutMode};
    EXPECT_EQ(numbers, (std::vector<int>{1, 80, 0, 0, 9, 0, 85, 3, 1, 1, 1, 1, 1, 0, 1, 0}));
    EXPECT_FALSE(s.sBold || s.sUnderline || s.sItalic);
    EXPECT_EQ(s.iuTSyX + s.iuTSyY + s.iuISyX + s.iuISyY, 0.0f);
    // The upload-form keys: no range, padding allowed, no resolution, the 3x3 anchors.
    EXPECT_EQ((std::vector<int>{s.bSizeRange, s.lMinKB, s.lMaxKB, s.bSizePad, s.iDPI, s.bSmartCut}),
              (std::vector<int>{0, 0, 0, 1, 0, 0}));
}

TEST(LoadSettings, UnreadableOrOutOfRangeValuesTakeTheDefault) {
    MemorySettingsStore store;
    store.values = {{"iuSize", "abc"}, {"iJPGQ", "abc"},    {"sBold", "maybe"},  {"sPDF3", ""},
                    {"bPicJQ", "junk"}, {"iXCutMode", "junk"}, {"iYCutMode", "7"}, {"iuSYAlpha", "250"},
                    {"iExisting", "x"}, {"iSlideTime", "0"}};
    Settings s;
    s.iJPGQ = 70;
    s.sBold = true;
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iuSize, 0);
    EXPECT_EQ(s.sPDF3, "");  // an existing empty text is kept, not defaulted
    EXPECT_EQ(s.iJPGQ, 85);
    EXPECT_FALSE(s.sBold);
    EXPECT_EQ(s.bPicJQ, 1);     // junk does not switch to fit
    EXPECT_EQ(s.iXCutMode, 1);  // nor anchor left
    EXPECT_EQ(s.iYCutMode, 0);
    EXPECT_EQ(s.iuSYAlpha, 80);
    EXPECT_EQ(s.iExisting, 0);
    EXPECT_EQ(s.iSlideTime, 3);

    store.values = {{"iJPGQ", "150"}, {"bPicJQ", "2"}, {"iXCutMode", "2"}, {"iExisting", "2"}};
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iJPGQ, 85);
    EXPECT_EQ(s.bPicJQ, 2);  // a number other than 1 is a stored choice: fit
    EXPECT_EQ(s.iXCutMode, 2);
    EXPECT_EQ(s.iExisting, 2);
    store.values = {{"iJPGQ", "100"}};
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iJPGQ, 100);  // a stored value is read as stored
}

TEST(IniSettingsStore, ParsedOnceAndAgainWhenTheFileChanges) {
    char dir[] = "/tmp/tavu-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/t.ini";
    {
        std::string text = "[Options]\n";
        for (int i = 0; i < 20000; ++i) {
            const std::string n = std::to_string(i);
            text.append("k").append(n).append("=").append(n).append("\n");
        }
        text += "iJPGQ=abc\nsFont=\"a,b\"\nlist=a,b\n";
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    IniSettingsStore store(path);
    EXPECT_EQ(store.get("k19999"), "19999");
    EXPECT_EQ(store.get("list"), "a,b");
    EXPECT_EQ(store.get("sFont"), "a,b");
    EXPECT_FALSE(store.get("missing"));
    Settings s;
    LoadSettings(store, dir, Date{}, s);
    EXPECT_EQ(s.iJPGQ, 85);
    // Written by this store, and by another one (another copy of the program): both are seen.
    EXPECT_TRUE(store.save("iJPGQ", "60"));
    EXPECT_EQ(store.get("iJPGQ"), "60");
    IniSettingsStore other(path);
    EXPECT_TRUE(other.save("iJPGQ", "61"));
    EXPECT_EQ(store.get("iJPGQ"), "61");
    std::remove(path.c_str());
    ::rmdir(dir);
}

TEST(LoadSettings, WatermarkPositionsReadOnlyWithTheirWatermark) {
    MemorySettingsStore store;
    store.values = {{"sText", ""}, {"iuTSyX", "0.5"}, {"iuTSyY", "0.5"}, {"iuISyX", "0.3"}};
    Settings s;
    s.iuTSyX = 0.9f;
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iuTSyX, 0.9f);  // left alone, not reset
    EXPECT_EQ(s.iuTSyY, 0.0f);
    EXPECT_EQ(s.iuISyX, 0.0f);

    store.values["sText"] = "水印";
    store.values["suISyF"] = "logo.png";
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iuTSyY, 0.5f);
    EXPECT_EQ(s.iuISyX, 0.3f);
}

TEST(SaveOnClose, ValuesRoundTripThroughLoad) {
    MemorySettingsStore store;
    CloseState st = Closing();
    st.sizeIndex = 3;
    st.borderIndex = 2;
    st.sText = "© 水印";
    st.lColor = 16711680;
    st.sItalic = true;
    st.dTSyX = 0.25;
    st.sISyF = "/home/u/logo.png";
    st.dISyY = 0.25;
    st.bSizeRange = 1;
    st.lMinKB = 20;
    st.lMaxKB = 50;
    st.bSizePad = 0;
    st.iDPI = 300;
    SaveOnClose(store, st);
    EXPECT_EQ(store.values["iuTSyX"], "0.25");
    EXPECT_EQ(store.values["sItalic"], "True");

    Settings s;
    LoadSettings(store, "/p", Date{}, s);
    EXPECT_EQ(s.iuSize, 3);
    EXPECT_EQ(s.iuBk, 2);
    EXPECT_EQ(s.sText, "© 水印");
    EXPECT_EQ(s.lColor, 16711680);
    EXPECT_TRUE(s.sItalic);
    EXPECT_FALSE(s.sBold);
    EXPECT_EQ(s.iuTSyX, 0.25f);
    EXPECT_EQ(s.iuISyY, 0.25f);
    EXPECT_EQ((std::vector<int>{s.bSizeRange, s.lMinKB, s.lMaxKB, s.bSizePad, s.iDPI}),
              (std::vector<int>{1, 20, 50, 0, 300}));
}

TEST(SaveOnClose, SkippedWrites) {
    for (int index : {0, 3, 4, 5}) {  // the last two border entries are never remembered
        MemorySettingsStore store;
        CloseState st = Closing();
        st.borderIndex = index;
        SaveOnClose(store, st);
        EXPECT_EQ(store.get("iuBk"), index < 4 ? std::optional(std::to_string(index)) : std::nullopt);
    }
    const std::pair<const char*, std::optional<std::string>> alphas[] = {
        {"80", std::nullopt}, {"80abc", std::nullopt}, {"75", "75"}, {"75abc", "75"},
        {"", "0"},            {"abc", "0"},            {"62.5", "62.5"}};
    for (const auto& [text, written] : alphas) {
        MemorySettingsStore store;
        CloseState st = Closing();
        st.alphaText = text;
        SaveOnClose(store, st);
        EXPECT_EQ(store.get("iuSYAlpha"), written) << "alpha text '" << text << "'";
    }
}

TEST(SaveOnClose, FailedWritesDoNotStopLaterOnes) {
    FailingStore store;
    CloseState st = Closing();
    st.alphaText = "10";
    SaveOnClose(store, st);
    const std::vector<std::string> expected = {
        "iuSize", "iuBk",  "iuSYAlpha", "suISyF",  "iuISyX",  "iuISyY", "sText", "iSize",
        "sFont",  "lColor", "sBold",    "sUnderline", "sItalic", "iuTSyX", "iuTSyY",
        "bSizeRange", "lMinKB", "lMaxKB", "bSizePad", "iDPI"};
    EXPECT_EQ(store.attempted, expected);

    MemorySettingsStore memory;
    memory.failWrites = true;
    SaveOnClose(memory, st);
    EXPECT_TRUE(memory.values.empty());
}

TEST(IniSettingsStore, RoundTripsTextUnderOptions) {
    TempDir dir;
    const std::string path = dir.path + "/sub/tavu.ini";  // missing folders are created
    IniSettingsStore store(path);
    EXPECT_EQ(store.get("sPDF2"), std::nullopt);
    EXPECT_TRUE(store.save("sPDF2", "本图片集由Tavu图片批处理软件制作"));
    EXPECT_TRUE(store.save("sText", "a, b; \"c\" = d"));
    EXPECT_TRUE(store.save("sFont", ""));

    IniSettingsStore reopened(path);
    EXPECT_EQ(reopened.get("sPDF2"), "本图片集由Tavu图片批处理软件制作");
    EXPECT_EQ(reopened.get("sText"), "a, b; \"c\" = d");
    EXPECT_EQ(reopened.get("sFont"), "");
    EXPECT_EQ(reopened.get("missing"), std::nullopt);
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("[Options]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("本图片集"), std::string::npos) << text;
}

TEST(IniSettingsStore, HandWrittenFileAndUnwritablePlace) {
    TempDir dir;
    const std::string path = dir.path + "/hand.ini";
    std::ofstream(path) << "[Other]\niuSize=9\n[Options]\niuSize=2\nsText=a,b\n";
    IniSettingsStore hand(path);
    EXPECT_EQ(hand.get("iuSize"), "2");
    EXPECT_EQ(hand.get("sText"), "a,b");  // unquoted commas do not split the value

    // A regular file where the folder should be: even root cannot write there.
    IniSettingsStore blocked(path + "/settings.ini");
    EXPECT_FALSE(blocked.save("iuSize", "1"));
    EXPECT_EQ(blocked.get("iuSize"), std::nullopt);
}

TEST(IniSettingsStore, DefaultPathFollowsXdgConfigHome) {
    const std::string name = ApplicationName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find_first_of("/."), std::string::npos);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("XDG_CONFIG_HOME", "/tmp/tavu-config", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/tmp/tavu-config/" + name + ".ini");
    unsetenv("XDG_CONFIG_HOME");
    if (const char* home = std::getenv("HOME"); home && *home) {
        EXPECT_EQ(DefaultSettingsPath(), std::string(home) + "/.config/" + name + ".ini");
    }
    if (saved) setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
}
