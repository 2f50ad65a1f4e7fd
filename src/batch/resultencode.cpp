#include "batch/resultencode.h"

#include <cstdio>

#include "imageio/encode.h"

namespace tavu {

namespace {

std::string Lower(const std::string& ext) {
    std::string e;
    for (char c : ext) e += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return e;
}

bool IsJpegExtension(const std::string& ext) {
    const std::string e = Lower(ext);
    return e == "jpg" || e == "jpeg";
}

}  // namespace

EncodeOptions EncodeOptionsOf(const EncodeChoice& c) {
    EncodeOptions o;
    o.quality = c.quality;
    o.dpi = c.dpi;
    o.progressive = c.progressive;
    o.subsample = c.subsample;
    o.webpLossless = c.webpLossless;
    o.exif = c.exif;
    return o;
}

bool SizeSearchApplies(const std::string& extension, const SizeTarget& target) {
    return target.active() && (IsJpegExtension(extension) || Lower(extension) == "webp");
}

bool EncodeResult(const Canvas& canvas, const std::string& path, const std::string& extension,
                  const EncodeChoice& c, SizeInfo& info, WriteError& err) {
    info = {};
    if (!SizeSearchApplies(extension, c.sizeTarget)) {
        WriteError e;
        const bool ok = EncodeToFile(canvas, path, extension, EncodeOptionsOf(c), &e);
        if (!ok) err = e;
        return ok;
    }
    JpegSizeOptions so = MakeJpegSizeOptions(c.sizeTarget, c.quality, c.sizePad, c.pixelSizeFree, c.dpi);
    so.webp = !IsJpegExtension(extension);
    so.encoding = EncodeOptionsOf(c);
    const JpegSizeResult r = FindJpegForSize(canvas, so);
    info.searched = true;
    info.quality = r.quality;
    info.encodes = r.encodes;
    info.padded = r.padded;
    info.subsamplingOff = r.subsamplingOff;
    info.scaled = r.scaled;
    info.width = r.width;
    info.height = r.height;
    if (!r.ok) {
        err = {0, r.error};
        return false;
    }
    info.bytes = r.bytes.size();
    return WriteBytesTo(path, r.bytes.data(), r.bytes.size(), err);
}

std::string SizeInfoText(const SizeInfo& i) {
    char kb[32];
    std::snprintf(kb, sizeof kb, "%.1f KB", double(i.bytes) / 1024.0);
    std::string s = "质量" + std::to_string(i.quality) + ", 编码" + std::to_string(i.encodes) + "次, " + kb;
    if (i.padded) s += ", 已填充";
    if (i.scaled) s += ", 已缩小为 " + std::to_string(i.width) + "×" + std::to_string(i.height);
    return s;
}

}  // namespace tavu
