// Small helpers shared by the imaging code. Include only from .cpp files: it brings in libvips,
// which must stay out of headers that Qt code includes.
#pragma once

#include <vips/vips8>

#include <algorithm>
#include <string>
#include <vector>

#include "imageio/encodeoptions.h"
#include "imageio/vipsinit.h"

namespace tavu {

// Gives the image (which must be a copy of its own: this changes it) an EXIF block to save.
inline void AttachExif(vips::VImage& img, const std::vector<uint8_t>& exif) {
    vips_image_set_blob_copy(img.get_image(), VIPS_META_EXIF_NAME, exif.data(), exif.size());
}

// The JPEG encoder's chroma subsampling for a choice; `fullChromaIfAuto` turns the encoder's own
// choice into full chroma (the size search's way up to a lower bound).
inline VipsForeignSubsample SubsampleMode(JpegSubsample s, bool fullChromaIfAuto) {
    switch (s) {
        case JpegSubsample::Yuv420: return VIPS_FOREIGN_SUBSAMPLE_ON;
        case JpegSubsample::Yuv444: return VIPS_FOREIGN_SUBSAMPLE_OFF;
        case JpegSubsample::Auto: break;
    }
    return fullChromaIfAuto ? VIPS_FOREIGN_SUBSAMPLE_OFF : VIPS_FOREIGN_SUBSAMPLE_AUTO;
}

// The WebP encoder's options: lossy at the quality (0 acts as 1), or lossless.
inline vips::VOption* WebpOptions(int quality, bool lossless) {
    auto* o = vips::VImage::option()->set("Q", std::clamp(quality, 1, 100));
    if (lossless) o->set("lossless", true);
    return o;
}

// Optimised Huffman tables make camera photos' JPEGs 2-12 % smaller, but the encoder then holds
// every coefficient of the picture (about 50 MB for 16 MP) and makes a second pass: worth it up to
// 16 megapixels. Results and the size search's trial encodes use the same rule.
inline bool OptimizeHuffman(int width, int height) { return double(width) * height <= 16e6; }

// Exactly w x h: a resize may round one pixel either way.
inline vips::VImage ExactSize(vips::VImage img, int w, int h) {
    if (img.width() == w && img.height() == h) return img;
    if (img.width() > w || img.height() > h)
        img = img.crop(0, 0, std::min(img.width(), w), std::min(img.height(), h));
    if (img.width() < w || img.height() < h)
        img = img.embed(0, 0, w, h, vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
    return img;
}

// Any colour space and depth -> 8-bit sRGB values (bands and alpha kept): an embedded ICC profile
// is converted to sRGB (a broken one falls back to the plain conversion), 16-bit values keep their
// high byte. Greyscale stays one band unless `greyToRgb`.
inline vips::VImage ToSrgbValues8(vips::VImage img, bool greyToRgb) {
    using vips::VError;
    using vips::VImage;
    bool converted = false;
    if (img.get_typeof(VIPS_META_ICC_NAME) != 0) {
        try {
            img = img.icc_transform("srgb", VImage::option()
                                                ->set("embedded", true)
                                                ->set("intent", VIPS_INTENT_PERCEPTUAL));
            converted = true;
        } catch (const VError&) {
            vips_error_clear();
        }
    }
    if (!converted && img.interpretation() != VIPS_INTERPRETATION_sRGB &&
        (greyToRgb || img.interpretation() != VIPS_INTERPRETATION_B_W)) {
        try {
            img = img.colourspace(VIPS_INTERPRETATION_sRGB);
        } catch (const VError&) {
            vips_error_clear();
        }
    }
    if (img.format() == VIPS_FORMAT_USHORT) img = (img >> 8).cast(VIPS_FORMAT_UCHAR);
    else if (img.format() != VIPS_FORMAT_UCHAR) img = img.cast(VIPS_FORMAT_UCHAR);
    return img;
}

// The loader class libvips picks for a file ("VipsForeignLoadJpegFile", ...), or nullptr. Each
// thread remembers its last answer while the file stays the same (path, inode, size, times): a
// picture's header is read several times on its way (memory estimate, plan, decode), and finding
// the loader opens the file once for every loader tried.
const char* FindLoader(const std::string& path);

// Opens the file with the loader FindLoader names (libvips' own open when there is none, which
// then says why it cannot read the file); `options` as for new_from_file.
vips::VImage OpenFile(const std::string& path, vips::VOption* options);

// The ImageMagick loader is opened for Windows bitmaps only: it would read dozens of other formats
// (XPM, MIFF, ICO, ...) whatever the file is called. True when libvips would read the file with a
// loader we mean: one of the open ones, or ImageMagick for a file that begins with "BM". A file
// no loader takes is true here and fails when it is opened.
bool LoaderAccepted(const std::string& path);

}  // namespace tavu
