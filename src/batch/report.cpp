#include "batch/report.h"

#include <optional>

#include "batch/savings.h"

namespace tavu {

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

CsvReport::CsvReport(std::vector<std::string> entries) : entries_(std::move(entries)), results_(entries_.size()) {}

void CsvReport::add(const PictureResult& r) {
    if (r.index < results_.size()) results_[r.index] = r;
}

std::string CsvReport::text() const {
    std::string out = "\xEF\xBB\xBF原图,结果,宽度,高度,原大小(字节),结果大小(字节),质量,状态,说明\r\n";
    for (size_t i = 0; i < entries_.size(); ++i) {
        const std::optional<PictureResult>& r = results_[i];
        std::string row = CsvField(entries_[i]) + ",";
        if (!r) {
            out += row + ",,,,,,未处理,\r\n";
            continue;
        }
        const bool drawn = r->written && r->width > 0;
        row += CsvField(r->written ? r->output : "") + ",";
        row += (drawn ? std::to_string(r->width) : "") + "," + (drawn ? std::to_string(r->height) : "") + ",";
        row += (r->bytesIn ? std::to_string(r->bytesIn) : "") + ",";
        row += (r->written ? std::to_string(r->bytesOut) : "") + ",";
        row += (r->written && r->quality > 0 ? std::to_string(r->quality) : "") + ",";
        row += r->written ? "成功," : r->skipped ? "跳过," : "失败,";
        row += CsvField(r->written || r->skipped ? r->notice : FailureReason(*r));
        out += row + "\r\n";
    }
    return out;
}

bool CsvReport::write(const std::string& path, WriteError& err) const { return WriteFileAtomic(path, text(), err); }

}  // namespace tavu
