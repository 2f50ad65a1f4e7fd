// The per-user settings store: one INI file per user in the XDG config folder, named after the
// executable, with every value in the section [Options]. Values are text; each key has a form
// that fixes how its text is read and written. Every read and every write stands alone: a value
// that cannot be read or does not convert is skipped and the variable keeps what it had.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tavu {

// Raw access by key within the section "Options". Implementations never throw.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when the key does not exist (or the store cannot be read).
    virtual std::optional<std::string> get(const std::string& key) const = 0;
    // Creates or replaces the key. False when the store cannot be written.
    virtual bool save(const std::string& key, const std::string& value) = 0;
};

// The real store: an INI file (UTF-8) with the section [Options]. The file is parsed once and
// parsed again only after it changed on disk; safe to use from several threads.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(std::string filePath);
    ~IniSettingsStore() override;
    std::optional<std::string> get(const std::string& key) const override;
    bool save(const std::string& key, const std::string& value) override;
    const std::string& filePath() const { return path_; }

private:
    struct FileStamp {
        bool exists = false;
        uint64_t dev = 0, ino = 0;
        int64_t size = 0, sec = 0, nsec = 0;
        bool operator==(const FileStamp&) const = default;
    };
    void refreshLocked() const;

    std::string path_;
    mutable std::mutex mutex_;
    mutable bool loaded_ = false, readable_ = false;
    mutable FileStamp stamp_;
    mutable std::map<std::string, std::string> values_;
};

// A store held in memory, for tests and for runs that must not touch the user's settings.
class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<std::string> get(const std::string& key) const override;
    bool save(const std::string& key, const std::string& value) override;
    bool failWrites = false;  // simulate a store that cannot be written
    std::map<std::string, std::string> values;
};

// The application name: the running executable's base name without extension ("tavuzip").
std::string ApplicationName();
// $XDG_CONFIG_HOME (or ~/.config) + "/" + ApplicationName() + ".ini".
std::string DefaultSettingsPath();

// Conversions of the stored forms. Each returns nothing when the text does not convert
// (not a number, out of range). Numbers are decimal text with optional surrounding blanks,
// an optional sign and an optional fraction; fractions round to the nearest integer, halves
// to the even neighbour. The words True and False read as -1 and 0 where a number is asked.
std::optional<int16_t> ReadInt16(std::string_view text);
std::optional<uint8_t> ReadByte(std::string_view text);
std::optional<int32_t> ReadInt32(std::string_view text);
std::optional<bool> ReadFlag(std::string_view text);   // True/False (any case) or a number (non-zero = true)
std::optional<float> ReadSingle(std::string_view text);
std::string WriteFlag(bool value);                     // "True" / "False"
std::string WriteSingle(double value);                 // up to 15 significant digits: 0.25 -> "0.25"

struct Date {
    int year = 2000, month = 1, day = 1;
};
Date Today();

// The JPEG quality of a store that has no readable iJPGQ.
inline constexpr uint8_t kDefaultJpegQuality = 85;

// Every persisted setting, named after its key.
struct Settings {
    std::string sSkinFileName;
    int16_t bShowToday = 0;
    std::string sODIR;
    int16_t iuSYAlpha = 0;
    int16_t iuSize = 0;
    int16_t iuBk = 0;
    std::string sText;
    int16_t iSize = 0;
    std::string sFont;
    int32_t lColor = 0;
    bool sBold = false;
    bool sUnderline = false;
    bool sItalic = false;
    float iuTSyX = 0, iuTSyY = 0;   // read only when sText is not empty
    std::string suISyF;
    float iuISyX = 0, iuISyY = 0;   // read only when suISyF is not empty
    uint8_t iJPGQ = 0;
    int16_t iSlideTime = 0;
    int16_t bPicJQ = 0;
    int16_t bAutoODir = 0;
    int16_t bAutoURL = 0;
    int16_t bShowURL = 0;
    int16_t bShowURLPic = 0;
    int16_t bSaveErr = 0;
    int16_t iXCutMode = 0;
    int16_t iYCutMode = 0;
    std::string sPDF1, sPDF2, sPDF3;
    // Upload forms: the JPEG file-size range (KB; 0 = that end open), comment padding up to
    // its lower bound, the resolution written into results (0 = none), the smart crop anchor.
    int16_t bSizeRange = 0;
    int32_t lMinKB = 0, lMaxKB = 0;
    int16_t bSizePad = 0;
    int16_t iDPI = 0;
    int16_t bSmartCut = 0;
    // Beyond the original keys: an existing file with a result's name in a folder without listed
    // sources (0 replace, 1 skip, 2 rename).
    int16_t iExisting = 0;
    // Encoding choices: lossless WebP; progressive JPEG; JPEG chroma subsampling (0 the encoder's
    // own choice, 1 4:2:0, 2 4:4:4). Metadata: results keep the source's shooting data (EXIF date,
    // camera, exposure), also its GPS position, its modification time. Results of pictures added
    // with their subfolders keep those subfolders under the output folder.
    int16_t bWebPLossless = 0;
    int16_t bJpegProgressive = 0;
    int16_t iJpegSubsample = 0;
    int16_t bKeepExif = 0;
    int16_t bKeepGps = 0;
    int16_t bKeepMTime = 0;
    int16_t bKeepTree = 0;
};

// Reads every key in the start-up order. A key that is missing, whose text does not convert, or
// whose value lies outside the key's range (iJPGQ 0-100, bPicJQ 0-1, the anchors, iExisting and
// iJpegSubsample 0-2, iuSYAlpha 0-100, iSlideTime from 1) takes its default. programDir has no trailing separator.
void LoadSettings(const SettingsStore& store, const std::string& programDir, const Date& today,
                  Settings& settings);

// What the main window holds when it closes.
struct CloseState {
    int sizeIndex = 0;           // cmbSize's selected index
    int borderIndex = 0;         // cmbBK's selected index
    int borderCount = 0;         // cmbBK's entry count
    std::string alphaText;       // txtAlpha's text
    int16_t loadedSYAlpha = 80;  // iuSYAlpha as read at start-up
    std::string sISyF;
    double dISyX = 0, dISyY = 0;
    std::string sText;
    int16_t iSize = 9;
    std::string sFont;
    int32_t lColor = 0;
    bool sBold = false, sUnderline = false, sItalic = false;
    double dTSyX = 0, dTSyY = 0;
    int16_t bSizeRange = 0;
    int32_t lMinKB = 0, lMaxKB = 0;
    int16_t bSizePad = 1;
    int16_t iDPI = 0;
};

// The shutdown save, in its order; each write stands alone.
void SaveOnClose(SettingsStore& store, const CloseState& state);

}  // namespace tavu
