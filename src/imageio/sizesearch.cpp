#include "imageio/sizesearch.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>

#include "imageio/jpegsegments.h"
#include "imageio/vipsinit.h"
#include "imageio/vipsutil.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

constexpr uint64_t kKB = 1024;
// Shrinking steps before a free-size picture is given up on.
constexpr int kMaxShrinks = 12;

VImage CanvasImage(const Canvas& c) {
    VImage img = VImage::new_from_memory(const_cast<uint8_t*>(c.data()), c.byteSize(), c.width(), c.height(), 3,
                                         VIPS_FORMAT_UCHAR);
    return img.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// One encode to memory: JPEG (with the JFIF density when dpi > 0) or lossy WebP.
bool Encode(const VImage& img, int quality, bool fullChroma, int dpi, bool webp, const EncodeOptions& e,
            std::vector<uint8_t>& out) {
    try {
        const bool exif = !e.exif.empty();
        VImage x = img;
        if (exif) {
            // The EXIF block states the resolution too (from the image's): the same as the JFIF header.
            auto* copy = VImage::option();
            if (dpi > 0) copy->set("xres", dpi / 25.4)->set("yres", dpi / 25.4);
            x = img.copy(copy);
            AttachExif(x, e.exif);
        }
        VipsBlob* blob = nullptr;
        if (webp) {
            blob = x.webpsave_buffer(WebpOptions(quality, false)->set("strip", !exif));
        } else {
            auto* o = VImage::option()
                          ->set("Q", std::clamp(quality, 1, 100))
                          ->set("optimize_coding", OptimizeHuffman(img.width(), img.height()))
                          ->set("subsample_mode", SubsampleMode(e.subsample, fullChroma))
                          ->set("strip", !exif);
            if (e.progressive) o->set("interlace", true);
            blob = x.jpegsave_buffer(o);
        }
        size_t n = 0;
        const void* p = vips_blob_get(blob, &n);
        out.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
        vips_area_unref(VIPS_AREA(blob));
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
    if (!webp && dpi > 0) SetJfifDensity(out, dpi);
    return true;
}

struct Candidate {
    int quality = 0;
    bool subsamplingOff = false;
    std::vector<uint8_t> bytes;
    bool valid() const { return quality > 0; }
};

// The search at one pixel size.
class Search {
public:
    Search(const VImage& img, const JpegSizeOptions& o, int budget) : img_(img), o_(o), budget_(budget) {}

    bool fits(size_t n) const { return !o_.maxBytes || n <= *o_.maxBytes; }
    bool budgetLeft() const { return encodes_ < budget_; }
    int encodes() const { return encodes_; }
    bool failed() const { return failed_; }
    size_t smallestTooBig() const { return smallestTooBig_; }

    // The highest quality in lo..hi (with the given chroma) whose size fits, trying hi first;
    // nothing when none fits or the encodes run out first.
    Candidate highestFitting(int lo, int hi, bool subsamplingOff) {
        Candidate best;
        // Invariant: `good` fits (or is lo - 1, untried), `bad` does not fit (or is hi + 1).
        int good = lo - 1, bad = hi + 1;
        // The size grows about exponentially with the quality, so the next quality is aimed at
        // the bound along the line through the bracket's ends in (quality, log size) — regula
        // falsi with the Illinois step, which halves the weight of an end that stays twice, so the
        // curve's bend near 100 does not make it creep — and bisection when there is nothing to
        // go by. fGood/fBad: log(size / bound) at the ends.
        double fGood = 0, fBad = 0;
        int lastSide = 0;  // +1: the last step moved `bad`, -1: it moved `good`
        const double bound = o_.maxBytes ? std::log(double(*o_.maxBytes)) : 0;
        int next = hi;
        while (bad - good > 1 && budgetLeft()) {
            Candidate c{next, subsamplingOff, {}};
            if (!encode(c)) return {};
            const size_t n = c.bytes.size();
            const double f = std::log(double(std::max<size_t>(n, 1))) - bound;
            if (fits(n)) {
                good = next;
                fGood = f;
                if (lastSide == -1) fBad /= 2;
                lastSide = -1;
                best = std::move(c);
            } else {
                bad = next;
                fBad = f;
                if (lastSide == 1) fGood /= 2;
                lastSide = 1;
                smallestTooBig_ = std::min(smallestTooBig_, n);
            }
            if (bad - good <= 1) break;
            int guess = good + (bad - good) / 2;
            if (o_.maxBytes && good >= lo && bad <= hi && fBad > fGood) {
                const double q = good + (0 - fGood) * double(bad - good) / (fBad - fGood);
                if (std::isfinite(q)) guess = int(std::floor(q));
            } else if (o_.maxBytes && good < lo && f > 0) {
                // Only too-big sizes so far: a first step in proportion to the excess.
                guess = next - std::max(1, int(std::lround(f * 30)));
            }
            next = std::clamp(guess, good + 1, bad - 1);
        }
        return best;
    }

private:
    bool encode(Candidate& c) {
        ++encodes_;
        if (!Encode(img_, c.quality, c.subsamplingOff, o_.dpi, o_.webp, o_.encoding, c.bytes)) {
            failed_ = true;
            return false;
        }
        return true;
    }

    const VImage& img_;
    const JpegSizeOptions& o_;
    int budget_;
    int encodes_ = 0;
    bool failed_ = false;
    size_t smallestTooBig_ = SIZE_MAX;
};

}  // namespace

std::string CannotReachMaxText(int maxKB) { return "无法压缩到 " + std::to_string(maxKB) + " KB 以内"; }
std::string CannotReachMinText(int minKB) {
    return "文件无法达到 " + std::to_string(minKB) + " KB 以上(未允许填充)";
}

JpegSizeOptions MakeJpegSizeOptions(const SizeTarget& t, int quality, bool pad, bool pixelSizeFree, int dpi) {
    JpegSizeOptions o;
    o.quality = std::clamp(quality, 1, 100);
    if (t.minKB && *t.minKB > 0) o.minBytes = uint64_t(*t.minKB) * kKB;
    if (t.maxKB) o.maxBytes = uint64_t(std::max(*t.maxKB, 0)) * kKB;
    o.pad = pad;
    o.pixelSizeFree = pixelSizeFree;
    o.dpi = dpi;
    return o;
}

std::string WebpCannotReachMinText(int minKB) {
    return "WebP 文件无法达到 " + std::to_string(minKB) + " KB 以上(WebP 不能填充)";
}

bool EncodeJpegToMemory(const Canvas& canvas, int quality, bool subsamplingOff, int dpi, std::vector<uint8_t>& out) {
    EncodeOptions e;
    e.quality = quality;
    e.dpi = dpi;
    return EncodeJpegToMemory(canvas, e, subsamplingOff, out);
}

bool EncodeJpegToMemory(const Canvas& canvas, const EncodeOptions& e, bool fullChroma, std::vector<uint8_t>& out) {
    if (canvas.empty() || !EnsureImageIO()) return false;
    try {
        return Encode(CanvasImage(canvas), e.quality, fullChroma, e.dpi, false, e, out);
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
}

JpegSizeResult FindJpegForSize(const Canvas& canvas, const JpegSizeOptions& o) {
    JpegSizeResult r;
    if (canvas.empty()) {
        r.error = "没有可保存的图片";
        return r;
    }
    if (!EnsureImageIO()) {
        r.error = "图像库无法启动";
        return r;
    }
    const int userQ = std::clamp(o.quality, 1, 100);
    const int maxKB = o.maxBytes ? int(*o.maxBytes / kKB) : 0;
    const int minKB = o.minBytes ? int(*o.minBytes / kKB) : 0;
    if (o.minBytes && o.maxBytes && *o.minBytes > *o.maxBytes) {
        r.error = "文件大小的下限大于上限";
        return r;
    }
    try {
        VImage img = CanvasImage(canvas);
        for (int shrink = 0;; ++shrink) {
            Search s(img, o, o.maxEncodes);
            Candidate best = s.highestFitting(1, userQ, false);
            r.encodes += s.encodes();
            if (s.failed()) {
                r.error = "编码图片时出错";
                return r;
            }
            if (!best.valid()) {
                // Even the lowest quality is too big.
                if (!o.pixelSizeFree || shrink >= kMaxShrinks || img.width() < 2 || img.height() < 2) {
                    r.error = CannotReachMaxText(maxKB);
                    return r;
                }
                const double ratio = double(*o.maxBytes) / double(std::max<size_t>(s.smallestTooBig(), 1));
                const double scale = std::clamp(std::sqrt(ratio) * 0.97, 0.05, 0.95);
                img = img.resize(scale, VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3)).copy_memory();
                r.scaled = true;
                continue;
            }
            if (o.minBytes && best.bytes.size() < *o.minBytes) {
                // Too small: a higher quality with full chroma, up to 100, as long as it fits.
                Search up(img, o, o.maxEncodes - s.encodes());
                Candidate higher = up.highestFitting(best.quality, 100, true);
                r.encodes += up.encodes();
                if (higher.valid() && higher.bytes.size() > best.bytes.size()) best = std::move(higher);
            }
            r.quality = best.quality;
            r.subsamplingOff = !o.webp && (o.encoding.subsample == JpegSubsample::Yuv444 ||
                                           (o.encoding.subsample == JpegSubsample::Auto && best.subsamplingOff));
            r.bytes = std::move(best.bytes);
            r.width = img.width();
            r.height = img.height();
            break;
        }
    } catch (const VError&) {
        vips_error_clear();
        r.error = "编码图片时出错";
        r.bytes.clear();
        return r;
    }

    if (o.minBytes && r.bytes.size() < *o.minBytes) {
        if (o.webp) {
            r.error = WebpCannotReachMinText(minKB);
            r.bytes.clear();
            return r;
        }
        if (!o.pad) {
            r.error = CannotReachMinText(minKB);
            r.bytes.clear();
            return r;
        }
        const size_t extra = std::max<size_t>(*o.minBytes - r.bytes.size(), kSegmentOverhead);
        if ((o.maxBytes && r.bytes.size() + extra > *o.maxBytes) || !PadWithComments(r.bytes, extra)) {
            r.error = CannotReachMinText(minKB);
            r.bytes.clear();
            return r;
        }
        r.padded = true;
    }
    r.ok = true;
    return r;
}

}  // namespace tavu
