// Small helpers shared by the imaging code. Include only from .cpp files: it brings in libvips,
// which must stay out of headers that Qt code includes.
#pragma once

#include <vips/vips8>

#include <algorithm>

namespace tavu {

// Exactly w x h: a resize may round one pixel either way.
inline vips::VImage ExactSize(vips::VImage img, int w, int h) {
    if (img.width() == w && img.height() == h) return img;
    if (img.width() > w || img.height() > h)
        img = img.crop(0, 0, std::min(img.width(), w), std::min(img.height(), h));
    if (img.width() < w || img.height() < h)
        img = img.embed(0, 0, w, h, vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
    return img;
}

}  // namespace tavu
