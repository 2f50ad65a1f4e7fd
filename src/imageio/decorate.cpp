// Borders and watermarks. The library decodes, scales and rasterises (text through Pango); the
// layers are then blended onto the canvas here, pixel by pixel, only where they land.
#include "imageio/decorate.h"

#include <vips/vips8>

#include "imageio/vipsutil.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <vector>

#include "imageio/render.h"
#include "imageio/vipsinit.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

// The text's fallback families: fonts-wqy-microhei is what the program depends on; the others are
// the usual Chinese fonts of other systems. Pango takes the first family that exists and, for
// characters that family lacks, looks further down the list.
constexpr const char* kFallbackFamilies = "WenQuanYi Micro Hei,Noto Sans CJK SC,Source Han Sans SC,sans-serif";
// Text is measured as if the result were shown at 96 dpi.
constexpr int kTextDpi = 96;
// A watermark picture larger than this on either side (after scaling) is refused.
constexpr double kMaxLayerSide = 100000;

// A layer ready to blend: 8-bit, 4 bands (RGBA) or 1 band (a text's coverage), packed rows.
struct Layer {
    int w = 0, h = 0, bands = 0;
    std::vector<uint8_t> px;
};

void AddError(std::string* error, const std::string& line) {
    if (!error) return;
    if (!error->empty()) *error += "\n";
    *error += line;
}

// What identifies a file's version: a file rewritten at the same path is read again.
struct FileStamp {
    std::string path;
    int64_t size = 0, mtimeNs = 0, ctimeNs = 0;
    uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};

// Checks that the path names a non-empty regular file; an empty text when it does, otherwise a
// line for the error text.
std::string CheckFile(const std::string& what, const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return what + "文件未找到: " + path;
    if (!S_ISREG(st.st_mode)) return what + "不是普通文件: " + path;
    if (st.st_size == 0) return what + "文件是空的(0字节): " + path;
    stamp.path = path;
    stamp.size = st.st_size;
    stamp.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = st.st_ino;
    return {};
}

// The last few layers made from files, ready to blend: a batch or a preview draws the same
// border and watermark again and again, mostly at the same size. Bounded in entries and bytes.
class LayerCache {
public:
    struct Key {
        FileStamp file;
        int w = 0, h = 0;
        bool operator==(const Key&) const = default;
    };
    std::shared_ptr<const Layer> find(const Key& key) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->first == key) {
                entries_.splice(entries_.begin(), entries_, it);  // most recently used first
                return it->second;
            }
        return nullptr;
    }
    void put(const Key& key, std::shared_ptr<const Layer> layer) {
        const size_t bytes = layer->px.size();
        if (bytes > kMaxBytes / 2) return;
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->first == key) {
                bytes_ -= it->second->px.size();
                entries_.erase(it);
                break;
            }
        entries_.emplace_front(key, std::move(layer));
        bytes_ += bytes;
        while (entries_.size() > kMaxEntries || bytes_ > kMaxBytes) {
            bytes_ -= entries_.back().second->px.size();
            entries_.pop_back();
        }
    }

private:
    static constexpr size_t kMaxEntries = 8;
    static constexpr size_t kMaxBytes = size_t(128) << 20;
    std::mutex mutex_;
    std::list<std::pair<Key, std::shared_ptr<const Layer>>> entries_;
    size_t bytes_ = 0;
};

LayerCache& Cache() {
    static LayerCache cache;
    return cache;
}

// Any colour space, depth and band layout -> 8-bit sRGB with alpha (opaque where it had none).
VImage ToRgba8(VImage img) {
    img = ToSrgbValues8(img, false);

    const int bands = img.bands();
    if (bands == 1 || bands == 2) {
        VImage grey = img.extract_band(0);
        VImage rgb = VImage::bandjoin({grey, grey, grey});
        return bands == 2 ? rgb.bandjoin(img.extract_band(1)) : rgb.bandjoin_const({255});
    }
    if (bands == 3) return img.bandjoin_const({255});
    if (bands > 4) return img.extract_band(0, VImage::option()->set("n", 4));
    return img;
}

// Computes the image into memory.
bool Materialise(const VImage& img, Layer& out) {
    size_t size = 0;
    void* mem = img.write_to_memory(&size);
    if (!mem) return false;
    const size_t want = size_t(img.width()) * size_t(img.height()) * size_t(img.bands());
    if (size != want) {
        g_free(mem);
        return false;
    }
    out.w = img.width();
    out.h = img.height();
    out.bands = img.bands();
    const auto* p = static_cast<const uint8_t*>(mem);
    out.px.assign(p, p + size);
    g_free(mem);
    return true;
}

inline uint8_t Mix(int src, int dst, int a) { return uint8_t((src * a + dst * (255 - a) + 127) / 255); }

// Blends an RGBA layer with its top-left corner at (x, y); `alpha` maps the layer's own alpha to
// the alpha used.
void BlendRgba(Canvas& canvas, const Layer& l, int x, int y, const uint8_t (&alpha)[256]) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(canvas.width(), x + l.w), y1 = std::min(canvas.height(), y + l.h);
    for (int cy = y0; cy < y1; ++cy) {
        const uint8_t* s = l.px.data() + (size_t(cy - y) * l.w + (x0 - x)) * 4;
        uint8_t* d = canvas.row(cy) + size_t(x0) * 3;
        for (int cx = x0; cx < x1; ++cx, s += 4, d += 3) {
            const int a = alpha[s[3]];
            if (a == 0) continue;
            d[0] = Mix(s[0], d[0], a);
            d[1] = Mix(s[1], d[1], a);
            d[2] = Mix(s[2], d[2], a);
        }
    }
}

// Blends one colour through a coverage mask with its top-left corner at (x, y).
void BlendMask(Canvas& canvas, const Layer& l, int x, int y, Rgb c) {
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(canvas.width(), x + l.w), y1 = std::min(canvas.height(), y + l.h);
    for (int cy = y0; cy < y1; ++cy) {
        const uint8_t* s = l.px.data() + size_t(cy - y) * l.w + (x0 - x);
        uint8_t* d = canvas.row(cy) + size_t(x0) * 3;
        for (int cx = x0; cx < x1; ++cx, ++s, d += 3) {
            const int a = *s;
            if (a == 0) continue;
            d[0] = Mix(c.r, d[0], a);
            d[1] = Mix(c.g, d[1], a);
            d[2] = Mix(c.b, d[2], a);
        }
    }
}

// Rounded to the nearest pixel, held far enough from the int range's ends that sums with layer
// sizes cannot overflow (a custom fraction may be anything the window stores).
int RoundToInt(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::clamp(std::floor(v + 0.5), -1e9, 1e9));
}

// --- Border -----------------------------------------------------------------------------------

// The border file decoded, with its colours premultiplied by its alpha (so that scaling does not
// bleed the colour of clear pixels into the frame's edges). Kept under the key size 0 x 0.
std::shared_ptr<const Layer> BorderSource(const LayerCache::Key& fileKey, std::string* error) {
    LayerCache::Key key{fileKey.file, 0, 0};
    if (std::shared_ptr<const Layer> l = Cache().find(key)) return l;
    auto made = std::make_shared<Layer>();
    if (!LoaderAccepted(key.file.path)) {
        AddError(error, "边框图片格式无法识别: " + key.file.path);
        return nullptr;
    }
    VImage img = OpenFile(key.file.path, VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    if (double(img.width()) * img.height() > kMaxPixels) {
        AddError(error, "边框图片尺寸过大(超过10亿像素): " + key.file.path);
        return nullptr;
    }
    if (!Materialise(ToRgba8(img), *made)) throw std::bad_alloc();
    for (size_t i = 0; i < made->px.size(); i += 4) {
        const int a = made->px[i + 3];
        for (int k = 0; k < 3; ++k) made->px[i + k] = uint8_t((made->px[i + k] * a + 127) / 255);
    }
    Cache().put(key, made);
    return made;
}

// Blends a premultiplied RGBA layer of the canvas's size.
void BlendPremultiplied(Canvas& canvas, const Layer& l) {
    const uint8_t* s = l.px.data();
    for (int y = 0; y < canvas.height(); ++y) {
        uint8_t* d = canvas.row(y);
        for (int x = 0; x < canvas.width(); ++x, s += 4, d += 3) {
            const int a = s[3];
            if (a == 0) continue;
            for (int k = 0; k < 3; ++k) d[k] = uint8_t(std::min(255, s[k] + (d[k] * (255 - a) + 127) / 255));
        }
    }
}

bool DrawBorder(Canvas& canvas, const std::string& file, std::string* error) {
    LayerCache::Key key;
    if (std::string problem = CheckFile("边框", file, key.file); !problem.empty()) {
        AddError(error, problem);
        return false;
    }
    key.w = canvas.width();
    key.h = canvas.height();
    std::shared_ptr<const Layer> layer = Cache().find(key);
    if (!layer) {
        try {
            std::shared_ptr<const Layer> source = BorderSource(key, error);
            if (!source) return false;
            if (source->w == key.w && source->h == key.h) {
                layer = source;
            } else {
                VImage img = VImage::new_from_memory(const_cast<uint8_t*>(source->px.data()), source->px.size(),
                                                     source->w, source->h, 4, VIPS_FORMAT_UCHAR);
                img = img.resize(double(key.w) / source->w, VImage::option()->set("vscale", double(key.h) / source->h));
                auto made = std::make_shared<Layer>();
                if (!Materialise(ExactSize(img, key.w, key.h), *made)) throw std::bad_alloc();
                layer = made;
                Cache().put(key, layer);
            }
        } catch (const VError&) {
            vips_error_clear();
            AddError(error, "边框图片无法解码: " + file);
            return false;
        } catch (const std::bad_alloc&) {
            AddError(error, "内存不足,无法绘制边框: " + file);
            return false;
        }
    }
    BlendPremultiplied(canvas, *layer);
    return true;
}

// --- Picture watermark ------------------------------------------------------------------------

// The watermark's upright size on the canvas, read from the file's header.
bool PictureTargetSize(const PictureWatermark& p, int& w, int& h, FileStamp& stamp, std::string* error) {
    if (!std::isfinite(p.scale) || p.scale <= 0) {
        AddError(error, "图片水印的缩放比例必须大于0");
        return false;
    }
    if (std::string problem = CheckFile("水印图片", p.file, stamp); !problem.empty()) {
        AddError(error, problem);
        return false;
    }
    int ow = 0, oh = 0;
    if (!ReadPictureSize(p.file, ow, oh) || ow <= 0 || oh <= 0) {
        AddError(error, "水印图片格式无法识别或文件已损坏: " + p.file);
        return false;
    }
    if (double(ow) * double(oh) > kMaxPixels) {
        AddError(error, "水印图片尺寸过大(超过10亿像素): " + p.file);
        return false;
    }
    const double sw = std::max(1.0, std::floor(ow * p.scale + 0.5));
    const double sh = std::max(1.0, std::floor(oh * p.scale + 0.5));
    if (sw > kMaxLayerSide || sh > kMaxLayerSide) {
        AddError(error, "水印图片放大后过大: " + p.file);
        return false;
    }
    w = int(sw);
    h = int(sh);
    return true;
}

// The watermark scaled to exactly w x h (computed only where it is read).
VImage ScaledWatermark(const std::string& file, int w, int h) {
    // Decodes at a reduced size where the format allows it (JPEG, WebP): a large picture drawn
    // small is never held at full size.
    VImage img =
        VImage::thumbnail(file.c_str(), w, VImage::option()->set("height", h)->set("size", VIPS_SIZE_FORCE));
    img = ToRgba8(img);
    if (img.width() != w || img.height() != h) {
        img = img.resize(double(w) / img.width(), VImage::option()->set("vscale", double(h) / img.height()));
        img = ExactSize(img, w, h);
    }
    return img;
}

bool DrawPictureWatermark(Canvas& canvas, const PictureWatermark& p, std::string* error) {
    const double opacity = std::isfinite(p.opacity) ? std::clamp(p.opacity, 0.0, 1.0) : 0.0;
    LayerCache::Key key;
    if (!PictureTargetSize(p, key.w, key.h, key.file, error)) return false;
    if (opacity <= 0) return true;  // fully transparent: nothing changes

    const int w = key.w, h = key.h;
    const LayerPlace at = PlaceLayer(p.pos, true, canvas.width(), canvas.height(), w, h);
    const int vx0 = std::max(0, at.x), vy0 = std::max(0, at.y);
    const int vx1 = std::min(canvas.width(), at.x + w), vy1 = std::min(canvas.height(), at.y + h);
    if (vx0 >= vx1 || vy0 >= vy1) return true;  // wholly off the canvas

    // A watermark that fits in memory comfortably is made whole and kept for the next picture;
    // a huge one (scaled far up) is computed only where it lands.
    const bool whole = double(w) * h * 4 <= double(32 << 20);
    std::shared_ptr<const Layer> layer = whole ? Cache().find(key) : nullptr;
    int lx = at.x, ly = at.y;
    if (!layer) {
        auto made = std::make_shared<Layer>();
        try {
            VImage img = ScaledWatermark(p.file, w, h);
            if (!whole) {
                img = img.crop(vx0 - at.x, vy0 - at.y, vx1 - vx0, vy1 - vy0);
                lx = vx0;
                ly = vy0;
            }
            if (!Materialise(img, *made)) throw std::bad_alloc();
        } catch (const VError&) {
            vips_error_clear();
            AddError(error, "水印图片无法解码: " + p.file);
            return false;
        } catch (const std::bad_alloc&) {
            AddError(error, "内存不足,无法绘制水印图片: " + p.file);
            return false;
        }
        layer = made;
        if (whole) Cache().put(key, layer);
    }
    uint8_t alpha[256];
    for (int a = 0; a < 256; ++a) alpha[a] = uint8_t(std::lround(a * opacity));
    BlendRgba(canvas, *layer, lx, ly, alpha);
    return true;
}

// --- Text watermark ---------------------------------------------------------------------------

std::string ValidUtf8(const std::string& s) {
    gchar* v = g_utf8_make_valid(s.c_str(), gssize(s.size()));
    std::string out = v ? v : "";
    g_free(v);
    return out;
}

std::string Escaped(const std::string& s) {
    gchar* e = g_markup_escape_text(s.c_str(), gssize(s.size()));
    std::string out = e ? e : "";
    g_free(e);
    return out;
}

// The user's text as Pango markup: the family list with the user's font first, the styles, and
// the text escaped so that "<", "&" and quotes stay what they are.
std::string TextMarkup(const TextWatermark& t) {
    std::string family = ValidUtf8(t.font);
    family.erase(std::remove_if(family.begin(), family.end(), [](char c) { return c == ',' || c == '\n'; }),
                 family.end());
    std::string families = kFallbackFamilies;
    if (!family.empty()) families = family + "," + families;
    std::string m = "<span font_family=\"" + Escaped(families) + "\"";
    if (t.bold) m += " weight=\"bold\"";
    if (t.italic) m += " style=\"italic\"";
    if (t.underline) m += " underline=\"single\"";
    m += ">" + Escaped(ValidUtf8(t.text)) + "</span>";
    return m;
}

bool HasInk(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; });
}

// The text's coverage mask; false with the reason in `error`. `blank` is set when the text has
// nothing to draw (only spaces).
bool RenderText(const TextWatermark& t, Layer& l, bool& blank, std::string* error) {
    blank = false;
    if (t.sizePt <= 0) {
        AddError(error, "水印文字大小必须大于0");
        return false;
    }
    if (!HasInk(t.text)) {
        blank = true;
        return true;
    }
    const int size = std::min(t.sizePt, kMaxTextSizePt);
    try {
        VImage img = VImage::text(TextMarkup(t).c_str(), VImage::option()
                                                             ->set("font", ("sans " + std::to_string(size)).c_str())
                                                             ->set("dpi", kTextDpi));
        if (img.bands() != 1 || img.format() != VIPS_FORMAT_UCHAR) img = img.extract_band(0).cast(VIPS_FORMAT_UCHAR);
        if (!Materialise(img, l)) throw std::bad_alloc();
    } catch (const VError& e) {
        vips_error_clear();
        // Text of spaces of other kinds (ideographic, zero-width) leaves nothing to draw.
        if (std::string_view(e.what()).find("no text to render") != std::string_view::npos) {
            blank = true;
            return true;
        }
        AddError(error, "水印文字无法绘制");
        return false;
    } catch (const std::bad_alloc&) {
        AddError(error, "内存不足,无法绘制水印文字");
        return false;
    }
    return true;
}

bool DrawTextWatermark(Canvas& canvas, const TextWatermark& t, std::string* error) {
    Layer l;
    bool blank = false;
    if (!RenderText(t, l, blank, error)) return false;
    if (blank) return true;
    const LayerPlace at = PlaceLayer(t.pos, false, canvas.width(), canvas.height(), l.w, l.h);
    const Rgb c{uint8_t(t.color & 0xFF), uint8_t((t.color >> 8) & 0xFF), uint8_t((t.color >> 16) & 0xFF)};
    BlendMask(canvas, l, at.x, at.y, c);
    return true;
}

}  // namespace

int DecorationMargin(int cw, int ch) { return RoundToInt(0.02 * std::min(cw, ch)); }

LayerPlace PlaceLayer(const Position& pos, bool centreAnchored, int cw, int ch, int w, int h) {
    const int m = DecorationMargin(cw, ch);
    Position::Named named = pos.named;
    if (named == Position::Custom && pos.fx == 0 && pos.fy == 0)
        named = centreAnchored ? Position::TopRight : Position::Centre;  // not placed yet
    switch (named) {
        case Position::BottomRight: return {cw - m - w, ch - m - h};
        case Position::BottomLeft: return {m, ch - m - h};
        case Position::TopLeft: return {m, m};
        case Position::TopRight: return {cw - m - w, m};
        case Position::Custom:
            if (centreAnchored) return {RoundToInt(pos.fx * cw - w / 2.0), RoundToInt(pos.fy * ch - h / 2.0)};
            return {RoundToInt(pos.fx * cw), RoundToInt(pos.fy * ch)};
        case Position::Centre:
        default: return {(cw - w) / 2, (ch - h) / 2};
    }
}

double WatermarkScaleFromSlider(int v) {
    if (v >= -20 && v <= 0) return v == 0 ? 0.05 : v / 20.0;
    if (v <= 10) return v / 10.0;
    return v / 5.0;
}

bool WatermarkPictureSize(const PictureWatermark& picture, int& width, int& height, std::string* error) {
    if (!EnsureImageIO()) {
        AddError(error, "图像库无法启动");
        return false;
    }
    FileStamp stamp;
    return PictureTargetSize(picture, width, height, stamp, error);
}

bool TextWatermarkSize(const TextWatermark& text, int& width, int& height, std::string* error) {
    if (!EnsureImageIO()) {
        AddError(error, "图像库无法启动");
        return false;
    }
    Layer l;
    bool blank = false;
    if (!RenderText(text, l, blank, error)) return false;
    width = blank ? 0 : l.w;
    height = blank ? 0 : l.h;
    return true;
}

bool Decorate(Canvas& canvas, const Decorations& d, std::string* error) {
    if (canvas.empty() || !d.any()) return true;
    if (!EnsureImageIO()) {
        AddError(error, "图像库无法启动");
        return false;
    }
    bool ok = true;
    if (d.borderOn()) ok = DrawBorder(canvas, d.borderFile, error) && ok;
    if (d.pictureOn()) ok = DrawPictureWatermark(canvas, d.picture, error) && ok;
    if (d.textOn()) ok = DrawTextWatermark(canvas, d.text, error) && ok;
    return ok;
}

}  // namespace tavu
