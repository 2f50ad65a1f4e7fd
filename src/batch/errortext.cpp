#include "batch/errortext.h"

namespace tavu {

ErrorLog::ErrorLog() : text_(std::string(kErrorLogHeader) + "\r\n") {}

std::string ErrorLog::DrawFailureLine(const std::string& source, int number, const std::string& text) {
    return source + "在显示图片时发生错误:(" + std::to_string(number) + ")" + text + "。";
}

std::string ErrorLog::SurfaceFailureLine(const std::string& source, int number, const std::string& text) {
    return source + "在缩放图片时发生错误:(错误代码:" + std::to_string(number) + ")" + text + "。";
}

std::string ErrorLog::SaveFailureLine(const std::string& source, const std::string& text) {
    return source + "在保存时发生错误:" + text + ".";
}

void ErrorLog::add(const std::string& line) {
    text_ += line;
    text_ += "\r\n";
    flag_ = true;
}

void ErrorLog::endRun() {
    text_.clear();
    flag_ = false;
}

}  // namespace tavu
