// The run's report as a CSV file: one row per listed picture, UTF-8 with a header row.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/batchrun.h"
#include "imageio/fileio.h"

namespace tavu {

class CsvReport {
public:
    explicit CsvReport(std::vector<std::string> entries);
    // A finished picture (any order; rows follow the list).
    void add(const PictureResult& r);
    // The whole file: a byte-order mark (so spreadsheet programs read it as UTF-8), the header
    // and a row per entry; entries the run never reached say "未处理".
    std::string text() const;
    bool write(const std::string& path, WriteError& err) const;

private:
    std::vector<std::string> entries_;
    std::vector<std::optional<PictureResult>> results_;
};

// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& s);

}  // namespace tavu
