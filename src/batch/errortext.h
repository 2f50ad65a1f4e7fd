// The batch run's error text: a header line (only until the first run ends), then one line per
// failure, each ending in CR LF.
#pragma once

#include <string>

namespace tavu {

inline constexpr const char* kErrorLogHeader = "在本次操作过程中产生下列错误,敬请检查相关图片:";
inline constexpr const char* kErrorLogFileName = "ErrorLog.txt";

class ErrorLog {
public:
    ErrorLog();

    // source + "在显示图片时发生错误:(" + number + ")" + text + "。"
    static std::string DrawFailureLine(const std::string& source, int number, const std::string& text);
    // source + "在缩放图片时发生错误:(错误代码:" + number + ")" + text + "。"
    static std::string SurfaceFailureLine(const std::string& source, int number, const std::string& text);
    // source + "在保存时发生错误:" + text + "."
    static std::string SaveFailureLine(const std::string& source, const std::string& text);

    // Appends a line (CR LF is added) and sets the flag.
    void add(const std::string& line);
    const std::string& text() const { return text_; }
    bool flag() const { return flag_; }
    // What ErrorLog.txt holds: the text and one more CR LF.
    std::string fileContents() const { return text_ + "\r\n"; }
    // The end of a run: the text becomes empty (not the header again) and the flag clears.
    void endRun();

private:
    std::string text_;
    bool flag_ = false;
};

}  // namespace tavu
