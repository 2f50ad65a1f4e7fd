#include "platform/settings.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavu {

namespace {

const QString kGroup = QStringLiteral("Options");

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Reads a whole decimal number: blanks, [sign] digits [. digits] [e [sign] digits], blanks.
// At least one mantissa digit is required; anything else in the text rejects it.
// Values too large for a double are rejected, values too small become zero.
std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    const size_t n = text.size();
    size_t i = 0;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t start = i;

    // Track the decimal position of the first significant digit so that an out-of-range
    // result can be told apart as overflow or underflow.
    long long firstSignificant = 0;  // power of ten of the leading non-zero digit
    bool seenSignificant = false;
    size_t intDigits = 0, fracDigits = 0;
    while (i < n && IsDigit(text[i])) {
        if (!seenSignificant && text[i] != '0') seenSignificant = true;
        if (seenSignificant) ++firstSignificant;
        ++intDigits;
        ++i;
    }
    if (seenSignificant) --firstSignificant;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) {
            if (!seenSignificant) {
                --firstSignificant;
                if (text[i] != '0') seenSignificant = true;
            }
            ++fracDigits;
            ++i;
        }
    }
    if (intDigits + fracDigits == 0) return std::nullopt;

    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            expNegative = text[i] == '-';
            ++i;
        }
        size_t expDigits = 0;
        while (i < n && IsDigit(text[i])) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) return std::nullopt;
        if (expNegative) exponent = -exponent;
    }
    if (i != n) return std::nullopt;
    if (!seenSignificant) return negative ? -0.0 : 0.0;

    double value = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + n, value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (firstSignificant + exponent < 0) return negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (result.ec != std::errc() || result.ptr != text.data() + n) return std::nullopt;
    return negative ? -value : value;
}

// A number, or one of the words True (-1) and False (0).
std::optional<double> ParseNumberOrWord(std::string_view text) {
    text = Trim(text);
    if (EqualsNoCase(text, "true")) return -1.0;
    if (EqualsNoCase(text, "false")) return 0.0;
    return ParseNumber(text);
}

// Rounds to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double v) {
    const double floor = std::floor(v);
    const double diff = v - floor;
    if (diff > 0.5) return floor + 1;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

template <typename T>
std::optional<T> ReadInteger(std::string_view text) {
    const auto value = ParseNumberOrWord(text);
    if (!value) return std::nullopt;
    const double rounded = RoundHalfEven(*value);
    if (rounded < static_cast<double>(std::numeric_limits<T>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(rounded);
}

// The leading numeric part of a text, as the text box's number is taken: blanks anywhere are
// ignored, reading stops at the first character that cannot continue the number, and a text
// with no number at all reads as 0.
double LeadingNumber(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (!IsBlank(c)) kept.push_back(c);

    size_t i = 0;
    const size_t n = kept.size();
    if (i < n && (kept[i] == '+' || kept[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && IsDigit(kept[i])) ++i, ++digits;
    if (i < n && kept[i] == '.') {
        ++i;
        while (i < n && IsDigit(kept[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    size_t end = i;
    if (i < n && (kept[i] == 'e' || kept[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (kept[j] == '+' || kept[j] == '-')) ++j;
        if (j < n && IsDigit(kept[j])) {
            while (j < n && IsDigit(kept[j])) ++j;
            end = j;
        }
    }
    const auto value = ParseNumber(std::string_view(kept).substr(0, end));
    return value ? *value : 0;
}

std::string HomeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string ToStd(const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QString ToQt(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Stores

IniSettingsStore::IniSettingsStore(std::string filePath) : path_(std::move(filePath)) {}

IniSettingsStore::~IniSettingsStore() = default;

// The file is parsed once and its values kept; it is parsed again only when it changes on disk
// (another copy of the program wrote it), so that reading every key of a big file costs one parse.
void IniSettingsStore::refreshLocked() const {
    struct stat st {};
    FileStamp stamp;
    if (::stat(path_.c_str(), &st) == 0)
        stamp = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    if (loaded_ && stamp == stamp_) return;
    values_.clear();
    readable_ = false;
    loaded_ = true;
    stamp_ = stamp;
    try {
        QSettings ini(ToQt(path_), QSettings::IniFormat);
        if (ini.status() == QSettings::AccessError) return;
        readable_ = true;
        ini.beginGroup(kGroup);
        for (const QString& key : ini.childKeys()) {
            const QVariant value = ini.value(key);
            if (!value.isValid()) continue;
            // An unquoted value with commas in a hand-edited file comes back as a list.
            values_[ToStd(key)] = value.typeId() == QMetaType::QStringList
                                      ? ToStd(value.toStringList().join(QLatin1Char(',')))
                                      : ToStd(value.toString());
        }
        ini.endGroup();
    } catch (...) {
        values_.clear();
        readable_ = false;
    }
}

std::optional<std::string> IniSettingsStore::get(const std::string& key) const {
    try {
        std::lock_guard lock(mutex_);
        refreshLocked();
        const auto it = values_.find(key);
        if (it == values_.end()) return std::nullopt;
        return it->second;
    } catch (...) {
        return std::nullopt;
    }
}

bool IniSettingsStore::save(const std::string& key, const std::string& value) {
    try {
        std::lock_guard lock(mutex_);
        bool ok = false;
        {
            QSettings ini(ToQt(path_), QSettings::IniFormat);
            if (!ini.isWritable()) return false;
            ini.beginGroup(kGroup);
            ini.setValue(ToQt(key), ToQt(value));
            ini.endGroup();
            ini.sync();
            ok = ini.status() == QSettings::NoError;
        }
        loaded_ = false;  // read back what is on disk now
        return ok;
    } catch (...) {
        return false;
    }
}

std::optional<std::string> MemorySettingsStore::get(const std::string& key) const {
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::save(const std::string& key, const std::string& value) {
    if (failWrites) return false;
    try {
        values[key] = value;
        return true;
    } catch (...) {
        return false;
    }
}

std::string ApplicationName() {
    std::filesystem::path exe;
    if (QCoreApplication::instance()) {
        exe = std::filesystem::path(ToStd(QCoreApplication::applicationFilePath()));
    } else {
        std::error_code ec;
        exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) exe.clear();
    }
    std::string name = exe.stem().string();
    return name.empty() ? std::string("tavuzip") : name;
}

std::string DefaultSettingsPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') base = xdg;
    else base = HomeDir() + "/.config";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/" + ApplicationName() + ".ini";
}

// ---------------------------------------------------------------------------------------------
// Conversions

std::optional<int16_t> ReadInt16(std::string_view text) { return ReadInteger<int16_t>(text); }
std::optional<uint8_t> ReadByte(std::string_view text) { return ReadInteger<uint8_t>(text); }
std::optional<int32_t> ReadInt32(std::string_view text) { return ReadInteger<int32_t>(text); }

std::optional<bool> ReadFlag(std::string_view text) {
    const auto value = ParseNumberOrWord(text);
    if (!value) return std::nullopt;
    return *value != 0;
}

std::optional<float> ReadSingle(std::string_view text) {
    const auto value = ParseNumberOrWord(text);
    if (!value) return std::nullopt;
    // Out of range is what would round to infinity: the largest float plus half its last step
    // and beyond. Just above the largest float still reads as it, so that the 15 digits
    // WriteSingle gives it ("3.40282346638529e+38") read back.
    static const double limit = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    if (std::fabs(*value) >= limit) return std::nullopt;
    return static_cast<float>(*value);
}

std::string WriteFlag(bool value) { return value ? "True" : "False"; }

std::string WriteSingle(double value) {
    if (value == 0) return "0";  // also folds -0
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

Date Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    Date date;
    if (localtime_r(&now, &local)) {
        date.year = local.tm_year + 1900;
        date.month = local.tm_mon + 1;
        date.day = local.tm_mday;
    }
    return date;
}

// ---------------------------------------------------------------------------------------------
// Load and save

namespace {

void ReadText(const SettingsStore& store, const char* key, const std::string& fallback,
              std::string& field) {
    const auto text = store.get(key);
    field = text ? *text : fallback;
}

// A missing key takes the default, and so does a stored text that does not convert or lies
// outside the key's range: a value that cannot be read never turns into an odd setting (a
// quality of 1, a crop anchored left).
template <typename T, typename Convert>
void ReadValue(const SettingsStore& store, const char* key, T fallback, Convert convert,
               T& field) {
    const auto text = store.get(key);
    const auto value = text ? convert(*text) : decltype(convert(*text)){};
    field = value ? static_cast<T>(*value) : fallback;
}

void ReadShort(const SettingsStore& store, const char* key, int16_t fallback, int16_t& field,
               int lo = -32768, int hi = 32767) {
    ReadValue(store, key, fallback, [lo, hi](std::string_view t) -> std::optional<int16_t> {
        const std::optional<int16_t> v = ReadInt16(t);
        if (v && (*v < lo || *v > hi)) return std::nullopt;
        return v;
    }, field);
}

std::string FormatDate(const Date& d) {
    auto two = [](int v) {
        std::string s = std::to_string(v);
        return s.size() < 2 ? "0" + s : s;
    };
    std::string year = std::to_string(d.year);
    while (year.size() < 4) year.insert(year.begin(), '0');
    return year + "年" + two(d.month) + "月" + two(d.day) + "日";
}

}  // namespace

void LoadSettings(const SettingsStore& store, const std::string& programDir, const Date& today,
                  Settings& s) {
    ReadText(store, "sSkinFileName", programDir + "/skin.she", s.sSkinFileName);
    ReadShort(store, "bShowToday", 1, s.bShowToday);
    ReadText(store, "sODIR", programDir, s.sODIR);
    ReadShort(store, "iuSYAlpha", 80, s.iuSYAlpha, 0, 100);
    ReadShort(store, "iuSize", 0, s.iuSize);
    ReadShort(store, "iuBk", 0, s.iuBk);

    ReadText(store, "sText", "", s.sText);
    ReadShort(store, "iSize", 9, s.iSize);
    ReadText(store, "sFont", "宋体", s.sFont);
    ReadValue(store, "lColor", int32_t{0}, ReadInt32, s.lColor);
    ReadValue(store, "sBold", false, ReadFlag, s.sBold);
    ReadValue(store, "sUnderline", false, ReadFlag, s.sUnderline);
    ReadValue(store, "sItalic", false, ReadFlag, s.sItalic);
    if (!s.sText.empty()) {
        ReadValue(store, "iuTSyX", 0.0f, ReadSingle, s.iuTSyX);
        ReadValue(store, "iuTSyY", 0.0f, ReadSingle, s.iuTSyY);
    }

    ReadText(store, "suISyF", "", s.suISyF);
    if (!s.suISyF.empty()) {
        ReadValue(store, "iuISyX", 0.0f, ReadSingle, s.iuISyX);
        ReadValue(store, "iuISyY", 0.0f, ReadSingle, s.iuISyY);
    }

    // 85 rather than 100 for a store without the key: 100 makes results bigger than many sources.
    ReadValue(store, "iJPGQ", uint8_t{kDefaultJpegQuality}, [](std::string_view t) -> std::optional<uint8_t> {
        const std::optional<uint8_t> v = ReadByte(t);
        if (v && *v > 100) return std::nullopt;
        return v;
    }, s.iJPGQ);
    ReadShort(store, "iSlideTime", 3, s.iSlideTime, 1, 32767);
    ReadShort(store, "bPicJQ", 1, s.bPicJQ);
    ReadShort(store, "bAutoODir", 1, s.bAutoODir);
    ReadShort(store, "bAutoURL", 1, s.bAutoURL);
    ReadShort(store, "bShowURL", 1, s.bShowURL);
    ReadShort(store, "bShowURLPic", 1, s.bShowURLPic);
    ReadShort(store, "bSaveErr", 0, s.bSaveErr);
    ReadShort(store, "iXCutMode", 1, s.iXCutMode, 0, 2);
    ReadShort(store, "iYCutMode", 0, s.iYCutMode, 0, 2);

    ReadText(store, "sPDF1", "Tavu图片集", s.sPDF1);
    ReadText(store, "sPDF2", "本图片集由Tavu图片批处理软件制作", s.sPDF2);
    ReadText(store, "sPDF3", FormatDate(today), s.sPDF3);

    ReadShort(store, "bSizeRange", 0, s.bSizeRange);
    ReadValue(store, "lMinKB", int32_t{0}, ReadInt32, s.lMinKB);
    ReadValue(store, "lMaxKB", int32_t{0}, ReadInt32, s.lMaxKB);
    ReadShort(store, "bSizePad", 1, s.bSizePad);
    ReadShort(store, "iDPI", 0, s.iDPI);
    ReadShort(store, "bSmartCut", 0, s.bSmartCut);
    ReadShort(store, "iExisting", 0, s.iExisting, 0, 2);
    ReadShort(store, "bWebPLossless", 0, s.bWebPLossless);
    ReadShort(store, "bJpegProgressive", 0, s.bJpegProgressive);
    ReadShort(store, "iJpegSubsample", 0, s.iJpegSubsample, 0, 2);
    ReadShort(store, "bKeepExif", 0, s.bKeepExif);
    ReadShort(store, "bKeepGps", 0, s.bKeepGps);
    ReadShort(store, "bKeepMTime", 0, s.bKeepMTime);
    ReadShort(store, "bKeepTree", 0, s.bKeepTree);
}

void SaveOnClose(SettingsStore& store, const CloseState& st) {
    // Each write stands alone: a failed one does not stop the rest.
    store.save("iuSize", std::to_string(st.sizeIndex));

    // The last two border entries are not real borders and are never remembered.
    if (st.borderIndex != st.borderCount - 1 && st.borderIndex != st.borderCount - 2)
        store.save("iuBk", std::to_string(st.borderIndex));

    const double alpha = LeadingNumber(st.alphaText);
    if (alpha != static_cast<double>(st.loadedSYAlpha)) store.save("iuSYAlpha", WriteSingle(alpha));

    store.save("suISyF", st.sISyF);
    store.save("iuISyX", WriteSingle(st.dISyX));
    store.save("iuISyY", WriteSingle(st.dISyY));

    store.save("sText", st.sText);
    store.save("iSize", std::to_string(st.iSize));
    store.save("sFont", st.sFont);
    store.save("lColor", std::to_string(st.lColor));
    store.save("sBold", WriteFlag(st.sBold));
    store.save("sUnderline", WriteFlag(st.sUnderline));
    store.save("sItalic", WriteFlag(st.sItalic));
    store.save("iuTSyX", WriteSingle(st.dTSyX));
    store.save("iuTSyY", WriteSingle(st.dTSyY));

    store.save("bSizeRange", st.bSizeRange != 0 ? "1" : "0");
    store.save("lMinKB", std::to_string(st.lMinKB));
    store.save("lMaxKB", std::to_string(st.lMaxKB));
    store.save("bSizePad", st.bSizePad != 0 ? "1" : "0");
    store.save("iDPI", std::to_string(st.iDPI));
}

}  // namespace tavu
