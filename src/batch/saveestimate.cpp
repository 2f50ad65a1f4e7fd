#include "batch/saveestimate.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "batch/savings.h"
#include "imageio/render.h"
#include "imageio/tempfiles.h"

namespace tavu {

namespace {
bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    uint8_t buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}
}  // namespace

SaveEstimate EstimateSave(const Canvas& canvas, const std::string& entry, const RenderSettings& render,
                          const BatchOptions& options, std::vector<uint8_t>* keep) {
    SaveEstimate e;
    struct stat st {};
    if (::stat(entry.c_str(), &st) == 0) e.sourceBytes = uint64_t(st.st_size);
    ReadPictureSize(entry, e.sourceWidth, e.sourceHeight);
    const ResultFormat format = ResultFormatOf(entry, options);
    e.extension = format.ext;
    e.width = canvas.width();
    e.height = canvas.height();
    e.error = EncodeRefusal(canvas, format);
    if (!e.error.empty()) return e;

    std::error_code ec;
    const std::string folder = std::filesystem::temp_directory_path(ec).string();
    std::string temp;
    WriteError err;
    if (!MakeTempBeside((ec ? std::string("/tmp") : folder) + "/estimate." + format.ext, temp, err)) {
        e.error = err.text;
        return e;
    }
    int straightWidth = 0, straightHeight = 0;
    if (EncodeStraightForRun(entry, render, temp, format, options, straightWidth, straightHeight) ||
        EncodeForRun(canvas, entry, temp, format, options, e.size, err)) {
        if (::stat(temp.c_str(), &st) == 0) {
            e.ok = true;
            e.bytes = uint64_t(st.st_size);
            if (e.size.scaled) {
                e.width = e.size.width;
                e.height = e.size.height;
            }
            if (keep && !ReadAll(temp, *keep)) keep->clear();
        }
    } else {
        e.error = err.text;
    }
    DropTemp(temp);
    return e;
}

std::string EstimateText(const SaveEstimate& e) {
    std::string s;
    if (e.sourceWidth > 0)
        s = "原图 " + std::to_string(e.sourceWidth) + "×" + std::to_string(e.sourceHeight) + " · ";
    s += ByteSizeText(e.sourceBytes) + " → ";
    if (!e.ok) return s + "无法保存:" + e.error;
    s += std::to_string(e.width) + "×" + std::to_string(e.height) + " · 约 " + ByteSizeText(e.bytes);
    const std::string saving = SavingText(e.sourceBytes, e.bytes);
    if (!saving.empty()) s += " (" + saving + ")";
    if (e.size.searched) s += " · 质量" + std::to_string(e.size.quality);
    return s;
}

}  // namespace tavu
