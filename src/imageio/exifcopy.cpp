#include "imageio/exifcopy.h"

#include <vips/vips8>

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "imageio/vipsinit.h"
#include "imageio/vipsutil.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

// The fields a result keeps. First folder (IFD0): the camera and the date.
constexpr ExifTag kKeptIfd0[] = {EXIF_TAG_MAKE, EXIF_TAG_MODEL, EXIF_TAG_DATE_TIME, EXIF_TAG_ORIENTATION};
// The EXIF folder: dates with their sub-seconds and time zones, exposure, lens and flash.
constexpr ExifTag kKeptExif[] = {
    EXIF_TAG_EXIF_VERSION,          EXIF_TAG_DATE_TIME_ORIGINAL,     EXIF_TAG_DATE_TIME_DIGITIZED,
    EXIF_TAG_OFFSET_TIME,           EXIF_TAG_OFFSET_TIME_ORIGINAL,   EXIF_TAG_OFFSET_TIME_DIGITIZED,
    EXIF_TAG_SUB_SEC_TIME,          EXIF_TAG_SUB_SEC_TIME_ORIGINAL,  EXIF_TAG_SUB_SEC_TIME_DIGITIZED,
    EXIF_TAG_EXPOSURE_TIME,         EXIF_TAG_FNUMBER,               EXIF_TAG_EXPOSURE_PROGRAM,
    EXIF_TAG_ISO_SPEED_RATINGS,     EXIF_TAG_SENSITIVITY_TYPE,       EXIF_TAG_ISO_SPEED,
    EXIF_TAG_SHUTTER_SPEED_VALUE,   EXIF_TAG_APERTURE_VALUE,         EXIF_TAG_BRIGHTNESS_VALUE,
    EXIF_TAG_EXPOSURE_BIAS_VALUE,   EXIF_TAG_MAX_APERTURE_VALUE,     EXIF_TAG_METERING_MODE,
    EXIF_TAG_LIGHT_SOURCE,          EXIF_TAG_FLASH,                  EXIF_TAG_FOCAL_LENGTH,
    EXIF_TAG_EXPOSURE_INDEX,        EXIF_TAG_SCENE_TYPE,             EXIF_TAG_EXPOSURE_MODE,
    EXIF_TAG_WHITE_BALANCE,         EXIF_TAG_DIGITAL_ZOOM_RATIO,     EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM,
    EXIF_TAG_SCENE_CAPTURE_TYPE,    EXIF_TAG_GAIN_CONTROL,           EXIF_TAG_CONTRAST,
    EXIF_TAG_SATURATION,            EXIF_TAG_SHARPNESS,              EXIF_TAG_SUBJECT_DISTANCE_RANGE,
    EXIF_TAG_SUBJECT_DISTANCE,      EXIF_TAG_LENS_SPECIFICATION,     EXIF_TAG_LENS_MAKE,
    EXIF_TAG_LENS_MODEL,            EXIF_TAG_COLOR_SPACE,
};

template <size_t N>
bool Listed(const ExifTag (&list)[N], ExifTag tag) {
    return std::find(std::begin(list), std::end(list), tag) != std::end(list);
}

// Removes every entry of the folder that `keep` refuses.
template <typename Keep>
void Prune(ExifContent* content, Keep keep) {
    if (!content) return;
    std::vector<ExifEntry*> drop;
    for (unsigned i = 0; i < content->count; ++i)
        if (!keep(content->entries[i]->tag)) drop.push_back(content->entries[i]);
    for (ExifEntry* e : drop) exif_content_remove_entry(content, e);
}

struct ExifDataRef {
    ExifData* d;
    ~ExifDataRef() {
        if (d) exif_data_unref(d);
    }
};

// The block as libexif reads it: "Exif\0\0" and the TIFF structure. HEIF files hold the TIFF
// structure alone (libheif's offset already removed).
std::vector<uint8_t> WithExifHeader(const std::vector<uint8_t>& in) {
    static const uint8_t kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    const bool tiff = in.size() >= 4 && ((in[0] == 'I' && in[1] == 'I' && in[2] == 42 && in[3] == 0) ||
                                         (in[0] == 'M' && in[1] == 'M' && in[2] == 0 && in[3] == 42));
    if (!tiff) return in;
    std::vector<uint8_t> out(kHeader, kHeader + 6);
    out.insert(out.end(), in.begin(), in.end());
    return out;
}

}  // namespace

std::vector<uint8_t> FilterExif(const std::vector<uint8_t>& source, bool keepGps) {
    const std::vector<uint8_t> in = WithExifHeader(source);
    if (in.size() < 8) return {};
    ExifDataRef ed{exif_data_new()};
    if (!ed.d) return {};
    // Entries are taken as they are: nothing is added or "corrected" on the way in.
    exif_data_unset_option(ed.d, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(ed.d, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(ed.d, in.data(), unsigned(in.size()));
    ExifContent* ifd0 = ed.d->ifd[EXIF_IFD_0];
    ExifContent* exif = ed.d->ifd[EXIF_IFD_EXIF];
    const bool anything = (ifd0 && ifd0->count) || (exif && exif->count);
    if (!anything) return {};

    Prune(ifd0, [](ExifTag t) { return Listed(kKeptIfd0, t); });
    Prune(exif, [](ExifTag t) { return Listed(kKeptExif, t); });
    Prune(ed.d->ifd[EXIF_IFD_INTEROPERABILITY], [](ExifTag) { return false; });
    if (!keepGps) Prune(ed.d->ifd[EXIF_IFD_GPS], [](ExifTag) { return false; });
    // The thumbnail and its folder go: it shows the picture as it was before.
    Prune(ed.d->ifd[EXIF_IFD_1], [](ExifTag) { return false; });
    if (ed.d->data) {
        std::free(ed.d->data);  // libexif's default allocator
        ed.d->data = nullptr;
        ed.d->size = 0;
    }
    // The pixels are upright now; the colours are sRGB.
    const ExifByteOrder order = exif_data_get_byte_order(ed.d);
    if (ExifEntry* o = exif_content_get_entry(ifd0, EXIF_TAG_ORIENTATION))
        if (o->format == EXIF_FORMAT_SHORT && o->components >= 1 && o->size >= 2) exif_set_short(o->data, order, 1);
    if (ExifEntry* c = exif_content_get_entry(exif, EXIF_TAG_COLOR_SPACE))
        if (c->format == EXIF_FORMAT_SHORT && c->components >= 1 && c->size >= 2) exif_set_short(c->data, order, 1);

    unsigned char* buf = nullptr;
    unsigned int size = 0;
    exif_data_save_data(ed.d, &buf, &size);
    if (!buf) return {};
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

std::vector<uint8_t> ResultExif(const std::string& source, bool keepGps) {
    if (!EnsureImageIO() || !LoaderAccepted(source)) return {};
    try {
        VImage img = OpenFile(source, VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        if (img.get_typeof(VIPS_META_EXIF_NAME) == 0) return {};
        size_t n = 0;
        const void* p = img.get_blob(VIPS_META_EXIF_NAME, &n);
        if (!p || n == 0) return {};
        const auto* b = static_cast<const uint8_t*>(p);
        return FilterExif(std::vector<uint8_t>(b, b + n), keepGps);
    } catch (const VError&) {
        vips_error_clear();
        return {};
    }
}

}  // namespace tavu
