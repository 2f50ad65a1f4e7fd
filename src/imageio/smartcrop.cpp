#include "imageio/smartcrop.h"

#include <vips/vips8>

#include <algorithm>
#include <cmath>

#include "imageio/vipsinit.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

// The attention measure needs little detail: a thumbnail of this size is plenty and fast.
constexpr int kThumbnail = 320;

}  // namespace

bool PlaceSmartCrop(const std::string& path, int uprightWidth, const IntRect& area, IntRect& window) {
    if (area.w <= 0 || area.h <= 0 || window.w <= 0 || window.h <= 0) return false;
    const bool slideX = window.w < area.w, slideY = window.h < area.h;
    if (!slideX && !slideY) return true;
    if (!EnsureImageIO()) return false;
    try {
        // Upright (the orientation tag applied), no larger than the picture.
        VImage thumb = VImage::thumbnail(path.c_str(), kThumbnail,
                                         VImage::option()->set("height", kThumbnail)->set("size", VIPS_SIZE_DOWN));
        const double f = double(thumb.width()) / std::max(uprightWidth, 1);
        const int ax = std::clamp(int(std::floor(area.x * f)), 0, thumb.width() - 1);
        const int ay = std::clamp(int(std::floor(area.y * f)), 0, thumb.height() - 1);
        const int aw = std::clamp(int(std::lround(area.w * f)), 1, thumb.width() - ax);
        const int ah = std::clamp(int(std::lround(area.h * f)), 1, thumb.height() - ay);
        VImage part = thumb.crop(ax, ay, aw, ah);
        if (part.bands() > 3) part = part.extract_band(0, VImage::option()->set("n", 3));
        const int ww = std::clamp(int(std::lround(window.w * f)), 1, aw);
        const int wh = std::clamp(int(std::lround(window.h * f)), 1, ah);
        int cx = aw / 2, cy = ah / 2;
        part.smartcrop(ww, wh,
                       VImage::option()
                           ->set("interesting", VIPS_INTERESTING_ATTENTION)
                           ->set("attention_x", &cx)
                           ->set("attention_y", &cy));
        // Centre the window on the point of attention, kept inside the area.
        if (slideX) {
            const double centre = area.x + cx / f;
            window.x = std::clamp(int(std::lround(centre - window.w / 2.0)), area.x, area.x + area.w - window.w);
        }
        if (slideY) {
            const double centre = area.y + cy / f;
            window.y = std::clamp(int(std::lround(centre - window.h / 2.0)), area.y, area.y + area.h - window.h);
        }
        return true;
    } catch (const VError&) {
        vips_error_clear();
        return false;
    }
}

}  // namespace tavu
