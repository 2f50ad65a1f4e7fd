// The picture pipeline: header -> geometry -> decode at the deepest shrink that still leaves the
// target size -> crop -> Lanczos reduce -> sRGB, flattened -> onto the canvas, turned upright.
// Only the pixels of the drawn area are ever held at full size (the canvas itself).
#include "imageio/render.h"

#include <vips/vips8>

#include "imageio/drawpipeline.h"
#include "imageio/vipsutil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "imageio/plainpng.h"
#include "imageio/smartcrop.h"
#include "imageio/vipsinit.h"
#include "imageio/wholejpeg.h"
#include "raster/rowreduce.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

// Kinds of drawing failure and their texts in the error log.
DrawOutcome Fail(int number, const char* text) {
    DrawOutcome o;
    o.status = DrawOutcome::DrawFailed;
    o.errorNumber = number;
    o.errorText = text;
    return o;
}
constexpr int kErrOutOfMemory = 7;
constexpr int kErrFileNotFound = 53;
constexpr int kErrPermission = 70;
constexpr int kErrPathAccess = 75;
constexpr int kErrNoSurface = 480;
constexpr int kErrInvalidPicture = 481;
constexpr const char* kNotAPicture = "文件内容不是JPEG、PNG、GIF、TIFF、BMP、HEIC/HEIF、AVIF或WebP图片";

// Checks that the path names a readable regular file; an outcome with status Drawn when it does.
DrawOutcome CheckFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == EACCES) return Fail(kErrPermission, "没有读取该文件的权限");
        return Fail(kErrFileNotFound, "文件未找到");
    }
    if (S_ISDIR(st.st_mode)) return Fail(kErrPathAccess, "这是一个文件夹,不是图片文件");
    if (!S_ISREG(st.st_mode)) return Fail(kErrPathAccess, "不是普通文件");
    if (st.st_size == 0) return Fail(kErrInvalidPicture, "文件是空的(0字节)");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(kErrPermission, "没有读取该文件的权限");
    ::close(fd);
    DrawOutcome ok;
    ok.status = DrawOutcome::Drawn;
    return ok;
}

// The library's reader that opened `img` ("jpegload", ...); empty when it does not say.
std::string_view LoaderOf(const VImage& img) {
    const char* loader = nullptr;
    if (vips_image_get_string(img.get_image(), VIPS_META_LOADER, &loader) != 0 || !loader) return {};
    return loader;
}

// The decoders that can reduce while they decode: JPEG by whole DCT scales, WebP by any factor.
enum class ShrinkOnLoad { None, Jpeg, Webp };

ShrinkOnLoad ShrinkOnLoadOf(const VImage& img) {
    const std::string_view l = LoaderOf(img);
    if (l == "jpegload") return ShrinkOnLoad::Jpeg;
    if (l == "webpload") return ShrinkOnLoad::Webp;
    return ShrinkOnLoad::None;
}

VImage Open(const std::string& path, int shrink, ShrinkOnLoad kind = ShrinkOnLoad::None) {
    auto* opts = VImage::option()
                     ->set("access", VIPS_ACCESS_SEQUENTIAL)
                     ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    if (shrink > 1 && kind == ShrinkOnLoad::Jpeg) opts->set("shrink", shrink);
    if (shrink > 1 && kind == ShrinkOnLoad::Webp) opts->set("scale", 1.0 / shrink);
    return OpenFile(path, opts);
}

// A point of the upright picture in the stored (file) orientation. ws, hs: the stored size.
void ToStored(int orientation, double ws, double hs, double xd, double yd, double& xs, double& ys) {
    switch (orientation) {
        case 2: xs = ws - xd; ys = yd; break;
        case 3: xs = ws - xd; ys = hs - yd; break;
        case 4: xs = xd; ys = hs - yd; break;
        case 5: xs = yd; ys = xd; break;
        case 6: xs = yd; ys = hs - xd; break;
        case 7: xs = ws - yd; ys = hs - xd; break;
        case 8: xs = ws - yd; ys = xd; break;
        default: xs = xd; ys = yd; break;
    }
}

struct DRect {
    double x, y, w, h;
};

DRect StoredRect(int orientation, int ws, int hs, const DRect& r) {
    double x0, y0, x1, y1;
    ToStored(orientation, ws, hs, r.x, r.y, x0, y0);
    ToStored(orientation, ws, hs, double(r.x) + r.w, double(r.y) + r.h, x1, y1);
    return {std::min(x0, x1), std::min(y0, y1), std::fabs(x1 - x0), std::fabs(y1 - y0)};
}

bool HasAlpha(const VImage& img) { return vips_image_hasalpha(img.get_image()); }

// Any colour space, depth and band layout -> 8-bit sRGB, three bands, alpha flattened onto the
// canvas background.
VImage ToSrgb8(VImage img) {
    img = ToSrgbValues8(img, true);

    const Rgb bg = kCanvasBackground;
    if (HasAlpha(img)) {
        std::vector<double> back = img.bands() >= 3 ? std::vector<double>{double(bg.r), double(bg.g), double(bg.b)}
                                                    : std::vector<double>{double(bg.r)};
        img = img.flatten(VImage::option()->set("background", back)->set("max_alpha", 255.0));
        if (img.format() != VIPS_FORMAT_UCHAR) img = img.cast(VIPS_FORMAT_UCHAR);
    }
    if (img.bands() == 1 || img.bands() == 2) {
        VImage grey = img.extract_band(0);
        img = VImage::bandjoin({grey, grey, grey});
    } else if (img.bands() > 3) {
        img = img.extract_band(0, VImage::option()->set("n", 3));
    }
    return img;
}

// Copies a picture in its stored orientation onto the canvas, turned upright on the way, its
// upright top-left corner at (dx, dy). Reads it strip by strip: no upright copy is ever made.
void BlitUpright(Canvas& canvas, const VImage& stored, int orientation, int dx, int dy) {
    const int ws = stored.width(), hs = stored.height();
    const int cw = canvas.width(), ch = canvas.height();
    // Where stored pixel (xs, ys) lands: x = ax * xs + bx * ys + cx, y = ay * xs + by * ys + cy.
    int ax = 1, bx = 0, cx = 0, ay = 0, by = 1, cy = 0;
    switch (orientation) {
        case 2: ax = -1; cx = ws - 1; break;
        case 3: ax = -1; cx = ws - 1; by = -1; cy = hs - 1; break;
        case 4: by = -1; cy = hs - 1; break;
        case 5: ax = 0; bx = 1; ay = 1; by = 0; break;
        case 6: ax = 0; bx = -1; cx = hs - 1; ay = 1; by = 0; break;
        case 7: ax = 0; bx = -1; cx = hs - 1; ay = -1; by = 0; cy = ws - 1; break;
        case 8: ax = 0; bx = 1; ay = -1; by = 0; cy = ws - 1; break;
        default: break;
    }
    cx += dx;
    cy += dy;
    const ptrdiff_t stride = ptrdiff_t(canvas.stride());
    const ptrdiff_t step = ay * stride + ax * 3;  // along a stored row
    // The stored columns of row ys that land inside the canvas.
    auto inside = [&](int ys, int& lo, int& hi) {
        lo = 0;
        hi = ws;
        auto clip = [&](int a, int base, int size) {  // 0 <= a * xs + base < size
            if (a == 0) {
                if (base < 0 || base >= size) hi = lo;
            } else if (a > 0) {
                lo = std::max(lo, -base);
                hi = std::min(hi, size - base);
            } else {
                lo = std::max(lo, base - size + 1);
                hi = std::min(hi, base + 1);
            }
        };
        clip(ax, bx * ys + cx, cw);
        clip(ay, by * ys + cy, ch);
    };
    constexpr int kStrip = 64, kTile = 64;
    vips::VRegion region = stored.region();
    for (int y0 = 0; y0 < hs; y0 += kStrip) {
        const int rows = std::min(kStrip, hs - y0);
        region.prepare(0, y0, ws, rows);
        // Tiles of the strip, so that a quarter turn writes a small block of the canvas at a time.
        for (int x0 = 0; x0 < ws; x0 += kTile) {
            for (int ys = y0; ys < y0 + rows; ++ys) {
                int lo, hi;
                inside(ys, lo, hi);
                lo = std::max(lo, x0);
                hi = std::min(hi, x0 + kTile);
                if (lo >= hi) continue;
                const uint8_t* p = region.addr(lo, ys);
                uint8_t* q = canvas.data() + ptrdiff_t(ay * lo + by * ys + cy) * stride +
                             ptrdiff_t(ax * lo + bx * ys + cx) * 3;
                for (int xs = lo; xs < hi; ++xs, p += 3, q += step) {
                    q[0] = p[0];
                    q[1] = p[1];
                    q[2] = p[2];
                }
            }
        }
    }
}

// Everything about one drawing that the header tells: the geometry and the decoder's shrink.
struct DrawPlan {
    int orientation = 1, ws = 0, hs = 0;
    ShrinkOnLoad shrinkKind = ShrinkOnLoad::None;
    bool swap = false;
    DrawGeometry g;
    DRect src{0, 0, 0, 0};  // the part of the upright picture that lands on the canvas
    IntRect dst;            // where it lands, within the canvas
    bool drawsSomething = false;
    int shrink = 1;
    uint64_t canvasBytes = 0, decodedBytes = 0;
    uint64_t pixelBytes = 0;  // the decoded pixels alone, without a multi-scan file's coefficients
};

int BytesPerSample(VipsBandFormat f) {
    switch (f) {
        case VIPS_FORMAT_UCHAR:
        case VIPS_FORMAT_CHAR: return 1;
        case VIPS_FORMAT_USHORT:
        case VIPS_FORMAT_SHORT: return 2;
        case VIPS_FORMAT_DOUBLE:
        case VIPS_FORMAT_COMPLEX: return 8;
        case VIPS_FORMAT_DPCOMPLEX: return 16;
        default: return 4;
    }
}

// A JPEG in several scans (progressive ones) is decoded from all its coefficients held at once,
// whatever the shrink: two bytes for each of the 64 of a block, in each plane at its sampling.
uint64_t WholeCoefficientBytes(const VImage& img) {
    if (ShrinkOnLoadOf(img) != ShrinkOnLoad::Jpeg || img.get_typeof("jpeg-multiscan") == 0 ||
        img.get_int("jpeg-multiscan") == 0)
        return 0;
    double colourPlane = 1;  // the size of each colour plane beside the brightness plane's
    const char* sampling = nullptr;
    if (img.get_typeof("jpeg-chroma-subsample") != 0 &&
        vips_image_get_string(img.get_image(), "jpeg-chroma-subsample", &sampling) == 0 && sampling) {
        const std::string_view s(sampling);
        if (s == "4:2:0" || s == "4:1:1") colourPlane = 0.25;
        else if (s == "4:2:2" || s == "4:4:0") colourPlane = 0.5;
    }
    const double planes = 1 + colourPlane * std::max(0, img.bands() - 1);
    return uint64_t(2.0 * double(img.width()) * double(img.height()) * planes);
}

// `img`: the file opened at full size (header only). False when the picture has no size.
// `path`: the file, for the 智能 anchor (which looks at the picture itself); null leaves it out.
bool PlanDrawing(const VImage& img, const DrawParams& params, DrawPlan& p, const std::string* path = nullptr) {
    p.ws = img.width();
    p.hs = img.height();
    if (p.ws <= 0 || p.hs <= 0) return false;
    p.orientation = vips_image_get_orientation(img.get_image());
    p.shrinkKind = ShrinkOnLoadOf(img);
    p.swap = p.orientation >= 5 && p.orientation <= 8;
    const int w0 = p.swap ? p.hs : p.ws, h0 = p.swap ? p.ws : p.hs;
    p.g = ComputeGeometry(w0, h0, params);
    if (path && params.smartCrop && params.cropToFill == 1 && params.sizeMode != kSizeWidthLimit &&
        params.sizeMode != kSizeOriginal)
        PlaceSmartCrop(*path, w0, CropArea(w0, h0, params), p.g.source);
    if (p.g.canvasWidth <= 0 || p.g.canvasHeight <= 0) return true;
    p.canvasBytes = uint64_t(p.g.canvasWidth) * uint64_t(p.g.canvasHeight) * 3;

    // Clip the source rectangle to the picture (rounding may overshoot by a pixel).
    IntRect src = p.g.source;
    src.x = std::clamp(src.x, 0, w0);
    src.y = std::clamp(src.y, 0, h0);
    src.w = std::min(src.w, w0 - src.x);
    src.h = std::min(src.h, h0 - src.y);
    const IntRect& d = p.g.destination;
    const int64_t dx1 = int64_t(d.x) + d.w, dy1 = int64_t(d.y) + d.h;
    p.drawsSomething = src.w > 0 && src.h > 0 && d.w > 0 && d.h > 0 && d.x < p.g.canvasWidth &&
                       d.y < p.g.canvasHeight && dx1 > 0 && dy1 > 0;
    if (!p.drawsSomething) return true;

    // Only what falls on the canvas is drawn: a destination far beyond it (an enormous offset)
    // is cut to the canvas, and the source with it, so nothing outside is ever scaled.
    const int x0 = std::max(d.x, 0), y0 = std::max(d.y, 0);
    const int x1 = int(std::min<int64_t>(dx1, p.g.canvasWidth)), y1 = int(std::min<int64_t>(dy1, p.g.canvasHeight));
    const double kx = double(src.w) / d.w, ky = double(src.h) / d.h;
    p.src = {src.x + (double(x0) - d.x) * kx, src.y + (double(y0) - d.y) * ky, (x1 - x0) * kx, (y1 - y0) * ky};
    p.dst = {x0, y0, x1 - x0, y1 - y0};

    const DRect s = StoredRect(p.orientation, p.ws, p.hs, p.src);
    const int dws = p.swap ? p.dst.h : p.dst.w, dhs = p.swap ? p.dst.w : p.dst.h;
    if (p.shrinkKind != ShrinkOnLoad::None) {
        for (int f : {8, 4, 2}) {
            if (s.w / f >= dws && s.h / f >= dhs) {
                p.shrink = f;
                break;
            }
        }
    }
    const uint64_t w = (uint64_t(p.ws) + p.shrink - 1) / p.shrink, h = (uint64_t(p.hs) + p.shrink - 1) / p.shrink;
    p.pixelBytes = w * h * uint64_t(std::max(1, img.bands())) * uint64_t(BytesPerSample(img.format()));
    p.decodedBytes = p.pixelBytes + WholeCoefficientBytes(img);
    return true;
}

// 8-bit sRGB in three bands without a colour profile (what cameras write): pixels that need no
// conversion, and that the program's own readers and reduce may take as they are.
bool PlainSrgb8(const VImage& img) {
    return img.format() == VIPS_FORMAT_UCHAR && img.bands() == 3 && img.interpretation() == VIPS_INTERPRETATION_sRGB &&
           img.get_typeof(VIPS_META_ICC_NAME) == 0;
}

// A PNG the library opened as 8-bit RGB without a colour profile may be of the plain kind that is
// read wholly at once (plainpng.h), which holds the file and all its pixels at the same time.
bool WholePngMayDecode(const VImage& img) { return LoaderOf(img) == "pngload" && PlainSrgb8(img); }

// A JPEG the library opened as 8-bit sRGB without a colour profile may be of the kind decoded whole
// from memory (wholejpeg.h), when its decoded pixels are small enough to hold beside the canvas:
// the library's reader holds only strips of them. (A file in several scans has all its
// coefficients held whole either way.)
constexpr uint64_t kWholeJpegMaxPixelBytes = uint64_t(32) << 20;

bool WholeJpegMayDecode(const VImage& img, const DrawPlan& p) {
    return p.shrinkKind == ShrinkOnLoad::Jpeg && PlainSrgb8(img) && p.pixelBytes <= kWholeJpegMaxPixelBytes;
}

// A file read whole with its pixels (and coefficients): at most 256 MiB, and half of what a picture
// drawn beside others may hold. Larger ones are read strip by strip.
size_t WholeFileMaxBytes() { return size_t(std::min<uint64_t>(uint64_t(256) << 20, DrawAloneAbove() / 2)); }

// Pictures that reduce to at most this many bytes after the vertical half of the reduce have
// their rows reduced by the program's own filter (rowreduce.h): several times faster than the
// library's horizontal reduce. Larger ones stay lazy, strip by strip, in the library.
constexpr size_t kRowFilterMaxBytes = size_t(24) << 20;

// Plain 8-bit sRGB reduced in both directions: the colours need no conversion afterwards, so the
// reduce may work on the values as they are.
bool ReducesWithRowFilter(const VImage& img, int w, int h) {
    return PlainSrgb8(img) && w < img.width() && h <= img.height() &&
           size_t(img.width()) * size_t(h) * 3 <= kRowFilterMaxBytes;
}

// One reduce of rows, fed a strip at a time by the library.
struct RowReduceJob {
    const ReduceFilter* filter;
    uint8_t* out;
    size_t outStride;
    int inWidth;
};

int ReduceStrip(VipsRegion* region, VipsRect* area, void* a) {
    const auto* job = static_cast<const RowReduceJob*>(a);
    if (area->left != 0 || area->width != job->inWidth) {
        vips_error("tavuzip", "%s", "unexpected strip");
        return -1;
    }
    ReduceRows(VIPS_REGION_ADDR(region, 0, area->top), VIPS_REGION_LSKIP(region),
               job->out + size_t(area->top) * job->outStride, job->outStride, area->height, 3, *job->filter);
    return 0;
}

// The library reduces the columns (its vertical reduce is vectorised), then the program reduces the
// rows: Lanczos 3 both ways. The library hands over the column-reduced picture a strip at a time,
// in order (its strips are computed by its threads and reused, so they stay in the cache), and each
// strip's rows are reduced straight into the result. The result is in memory, `w` x `h`, 8-bit sRGB.
VImage ReduceWithRowFilter(VImage img, int w, int h) {
    if (h != img.height())
        img = img.resize(1.0, VImage::option()
                                  ->set("vscale", double(h) / img.height())
                                  ->set("kernel", VIPS_KERNEL_LANCZOS3));
    img = ExactSize(img, img.width(), h);
    if (img.height() != h || img.bands() != 3 || img.format() != VIPS_FORMAT_UCHAR) throw VError("图片数据无法解码");
    const ReduceFilter filter = LanczosReduceFilter(img.width(), w);
    const size_t outStride = size_t(w) * 3;
    const size_t bytes = outStride * size_t(h);
    auto* rows = static_cast<uint8_t*>(g_try_malloc(bytes));
    if (!rows) throw std::bad_alloc();
    RowReduceJob job{&filter, rows, outStride, img.width()};
    if (vips_sink_disc(img.get_image(), ReduceStrip, &job) != 0) {
        g_free(rows);
        throw VError();
    }
    VImage out = VImage::new_from_memory_steal(rows, bytes, w, h, 3, VIPS_FORMAT_UCHAR);
    return out.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// The drawn part of the picture, decoded at the plan's shrink, cropped, reduced to its size on the
// canvas and made 8-bit sRGB, still in the file's orientation. Lazy (nothing is decoded yet), except
// when the rows are reduced by the program's filter: the result is then in memory, already small.
// `img`: the file opened at full size.
VImage DecodeForDrawing(const std::string& path, const DrawPlan& p, VImage img) {
    // Work in the file's own orientation; turn upright only once the picture is small.
    const DRect s = StoredRect(p.orientation, p.ws, p.hs, p.src);
    const int dws = p.swap ? p.dst.h : p.dst.w, dhs = p.swap ? p.dst.w : p.dst.h;
    const int shrink = p.shrink;
    VImage whole;
    if (WholeJpegMayDecode(img, p) && LoadWholeJpeg(path, shrink, p.ws, p.hs, WholeFileMaxBytes(), whole))
        img = whole;
    else if (shrink > 1)
        img = Open(path, shrink, p.shrinkKind);
    else if (WholePngMayDecode(img) && LoadPlainPng(path, img.width(), img.height(), WholeFileMaxBytes(), whole))
        img = whole;

    int cx = RoundHalfEven(s.x / shrink), cy = RoundHalfEven(s.y / shrink);
    cx = std::clamp(cx, 0, img.width() - 1);
    cy = std::clamp(cy, 0, img.height() - 1);
    int cw = std::clamp(RoundHalfEven(s.w / shrink), 1, img.width() - cx);
    int ch = std::clamp(RoundHalfEven(s.h / shrink), 1, img.height() - cy);
    if (cx != 0 || cy != 0 || cw != img.width() || ch != img.height()) img = img.crop(cx, cy, cw, ch);

    if (cw != dws || ch != dhs) {
        if (ReducesWithRowFilter(img, dws, dhs)) return ToSrgb8(ReduceWithRowFilter(img, dws, dhs));
        const bool alpha = HasAlpha(img);
        const VipsBandFormat format = img.format();
        if (alpha) img = img.premultiply();
        img = img.resize(double(dws) / cw, VImage::option()
                                               ->set("vscale", double(dhs) / ch)
                                               ->set("kernel", VIPS_KERNEL_LANCZOS3));
        if (alpha) img = img.unpremultiply().cast(format);
        img = ExactSize(img, dws, dhs);
    }
    return ToSrgb8(img);
}

std::string Megabytes(uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

}  // namespace

uint64_t DrawMemoryBudget() {
    static const uint64_t budget = [] {
        const uint64_t cap = uint64_t(2) << 30;
        const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0) return cap;
        return std::min(cap, uint64_t(pages) * uint64_t(pageSize) / 4);
    }();
    return budget;
}

uint64_t DrawMemoryNeeded(const std::string& path, const DrawParams& params) {
    if (!EnsureImageIO() || !CheckFile(path).ok() || !LoaderAccepted(path)) return 0;
    try {
        DrawPlan p;
        if (!PlanDrawing(Open(path, 1), params, p)) return 0;
        return p.canvasBytes + p.decodedBytes;
    } catch (const VError&) {
        vips_error_clear();
        return 0;
    }
}

bool ReadPictureSize(const std::string& path, int& width, int& height) {
    if (!EnsureImageIO() || !CheckFile(path).ok() || !LoaderAccepted(path)) return false;
    try {
        VImage img = Open(path, 1);
        const bool swap = vips_image_get_orientation_swap(img.get_image());
        width = swap ? img.height() : img.width();
        height = swap ? img.width() : img.height();
        return true;
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
}

DrawOutcome DrawPicFile(Canvas& canvas, const std::string& path, const DrawParams& params) {
    canvas.clear();
    if (!EnsureImageIO()) return Fail(kErrNoSurface, "图像库无法启动");

    DrawOutcome check = CheckFile(path);
    if (!check.ok()) return check;

    if (!LoaderAccepted(path)) return Fail(kErrInvalidPicture, kNotAPicture);
    VImage img;
    DrawPlan plan;
    try {
        img = Open(path, 1);
        if (!PlanDrawing(img, params, plan, &path)) return Fail(kErrInvalidPicture, "无法读取图片信息,文件可能已损坏");
    } catch (const VError&) {
        vips_error_clear();
        return Fail(kErrInvalidPicture, "图片格式无法识别或文件已损坏");
    }
    const int orientation = plan.orientation, ws = plan.ws, hs = plan.hs;
    const DrawGeometry& g = plan.g;
    if (double(ws) * double(hs) > kMaxPixels)
        return Fail(kErrOutOfMemory, "图片尺寸过大(超过10亿像素),不予处理");
    if (g.canvasWidth <= 0 || g.canvasHeight <= 0) {
        DrawOutcome o;
        o.status = DrawOutcome::NoCanvas;
        return o;
    }
    if (double(g.canvasWidth) * double(g.canvasHeight) > kMaxPixels)
        return Fail(kErrOutOfMemory, "目标尺寸过大(超过10亿像素),不予处理");
    // Memory is budgeted, not hoped for: a small file may declare an enormous picture.
    if (plan.canvasBytes + plan.decodedBytes > DrawMemoryBudget()) {
        const std::string why = "处理该图片需要约" + Megabytes(plan.canvasBytes + plan.decodedBytes) +
                                "内存,超过上限" + Megabytes(DrawMemoryBudget()) + ",不予处理";
        DrawOutcome o = Fail(kErrOutOfMemory, "");
        o.errorText = why;
        return o;
    }

    const IntRect& dst = plan.dst;
    const bool drawsSomething = plan.drawsSomething;

    const Rgb bg = kCanvasBackground;
    try {
        if (!drawsSomething) {
            canvas = Canvas(g.canvasWidth, g.canvasHeight, bg);
            DrawOutcome o;
            o.status = DrawOutcome::Drawn;
            return o;
        }

        img = DecodeForDrawing(path, plan, img);
        if (orientation != 1) {
            canvas = Canvas(g.canvasWidth, g.canvasHeight, bg);
            BlitUpright(canvas, img, orientation, dst.x, dst.y);
            ApplyColorMatrix(canvas, params.colors, dst.x, dst.y, dst.w, dst.h);
            DrawOutcome o;
            o.status = DrawOutcome::Drawn;
            return o;
        }
        img = img.embed(dst.x, dst.y, g.canvasWidth, g.canvasHeight,
                        VImage::option()
                            ->set("extend", VIPS_EXTEND_BACKGROUND)
                            ->set("background", std::vector<double>{double(bg.r), double(bg.g), double(bg.b)}));

        size_t size = 0;
        void* pixels = img.write_to_memory(&size);
        if (!pixels || size != size_t(g.canvasWidth) * size_t(g.canvasHeight) * 3) {
            g_free(pixels);
            return Fail(kErrInvalidPicture, "图片数据无法解码");
        }
        canvas = Canvas::Adopt(g.canvasWidth, g.canvasHeight, static_cast<uint8_t*>(pixels), &g_free);
    } catch (const VError&) {
        vips_error_clear();
        canvas.clear();
        return Fail(kErrInvalidPicture, "图片数据已损坏或不完整,无法解码");
    } catch (const std::bad_alloc&) {
        canvas.clear();
        DrawOutcome o = Fail(kErrNoSurface, "内存不足,无法创建画布");
        o.status = DrawOutcome::SurfaceFailed;
        return o;
    }

    ApplyColorMatrix(canvas, params.colors, dst.x, dst.y, dst.w, dst.h);
    DrawOutcome o;
    o.status = DrawOutcome::Drawn;
    return o;
}

namespace {

// What both straight ways begin with: `path` opened at full size (header only) into `img` and its
// drawing planned, when the drawing keeps the colours as decoded, covers the whole canvas and stays
// within the limits a drawing has. `smartCropPath`: the file for the 智能 anchor, or null where the
// drawing cannot crop. Throws VError when the header cannot be read.
bool PlanUnchangedDrawing(const std::string& path, const DrawParams& params, const std::string* smartCropPath,
                          VImage& img, DrawPlan& plan) {
    if (!params.colors.isIdentity() || !EnsureImageIO() || !CheckFile(path).ok() || !LoaderAccepted(path)) return false;
    img = Open(path, 1);
    if (!PlanDrawing(img, params, plan, smartCropPath) || !plan.drawsSomething) return false;
    const DrawGeometry& g = plan.g;
    if (double(plan.ws) * double(plan.hs) > kMaxPixels || g.canvasWidth <= 0 || g.canvasHeight <= 0 ||
        double(g.canvasWidth) * double(g.canvasHeight) > kMaxPixels ||
        plan.canvasBytes + plan.decodedBytes > DrawMemoryBudget())
        return false;
    return plan.dst.x == 0 && plan.dst.y == 0 && plan.dst.w == g.canvasWidth && plan.dst.h == g.canvasHeight;
}

}  // namespace

bool DrawsJpegAsStored(const std::string& path, const DrawParams& params, int& width, int& height, int& orientation) {
    try {
        VImage img;
        DrawPlan plan;
        // The whole picture at its own size leaves nothing for the 智能 anchor to place.
        if (!PlanUnchangedDrawing(path, params, nullptr, img, plan)) return false;
        if (LoaderOf(img) != "jpegload" || !PlainSrgb8(img)) return false;
        const int w = plan.swap ? plan.hs : plan.ws, h = plan.swap ? plan.ws : plan.hs;  // upright
        if (plan.g.canvasWidth != w || plan.g.canvasHeight != h || plan.src.x != 0 || plan.src.y != 0 ||
            plan.src.w != w || plan.src.h != h)
            return false;
        width = w;
        height = h;
        orientation = plan.orientation;
        return true;
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
}

bool OpenUnchangedDrawing(const std::string& path, const DrawParams& params, VImage& out) {
    try {
        VImage img;
        DrawPlan plan;
        if (!PlanUnchangedDrawing(path, params, &path, img, plan) || plan.orientation != 1) return false;
        const DrawGeometry& g = plan.g;
        img = DecodeForDrawing(path, plan, img);
        if (img.width() != g.canvasWidth || img.height() != g.canvasHeight || img.bands() != 3 ||
            img.format() != VIPS_FORMAT_UCHAR)
            return false;
        out = img;
        return true;
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
}

}  // namespace tavu
