#include "imageio/phonepictures.h"

#include <vips/vips8>

#include <libexif/exif-data.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#ifdef TAVU_TEST_LIBHEIF
#include <libheif/heif.h>
#endif

#include "imageio/vipsinit.h"

using vips::VImage;

namespace tavu::test {

namespace {

ExifEntry* Entry(ExifData* ed, ExifIfd ifd, ExifTag tag) {
    ExifEntry* e = exif_content_get_entry(ed->ifd[ifd], tag);
    if (e) return e;
    e = exif_entry_new();
    e->tag = tag;
    exif_content_add_entry(ed->ifd[ifd], e);
    exif_entry_initialize(e, tag);
    exif_entry_unref(e);
    return e;
}

void SetAscii(ExifData* ed, ExifIfd ifd, ExifTag tag, const std::string& text) {
    ExifEntry* e = exif_content_get_entry(ed->ifd[ifd], tag);
    if (!e) {
        e = exif_entry_new();
        exif_content_add_entry(ed->ifd[ifd], e);
        exif_entry_unref(e);
    }
    free(e->data);
    e->tag = tag;
    e->format = EXIF_FORMAT_ASCII;
    e->components = text.size() + 1;
    e->size = unsigned(text.size() + 1);
    e->data = static_cast<unsigned char*>(calloc(1, e->size));
    std::memcpy(e->data, text.c_str(), text.size());
}

void SetRationals(ExifData* ed, ExifIfd ifd, ExifTag tag, std::vector<ExifRational> values) {
    ExifEntry* e = exif_content_get_entry(ed->ifd[ifd], tag);
    if (!e) {
        e = exif_entry_new();
        exif_content_add_entry(ed->ifd[ifd], e);
        exif_entry_unref(e);
    }
    free(e->data);
    e->tag = tag;
    e->format = EXIF_FORMAT_RATIONAL;
    e->components = values.size();
    e->size = unsigned(values.size() * 8);
    e->data = static_cast<unsigned char*>(calloc(1, e->size));
    for (size_t i = 0; i < values.size(); ++i) exif_set_rational(e->data + 8 * i, EXIF_BYTE_ORDER_INTEL, values[i]);
}

}  // namespace

std::vector<uint8_t> MakeExif(const ExifFields& f) {
    ExifData* ed = exif_data_new();
    exif_data_set_byte_order(ed, EXIF_BYTE_ORDER_INTEL);
    exif_data_unset_option(ed, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    if (f.orientation > 0) exif_set_short(Entry(ed, EXIF_IFD_0, EXIF_TAG_ORIENTATION)->data, EXIF_BYTE_ORDER_INTEL, uint16_t(f.orientation));
    SetAscii(ed, EXIF_IFD_0, EXIF_TAG_MAKE, f.make);
    SetAscii(ed, EXIF_IFD_0, EXIF_TAG_MODEL, f.model);
    if (!f.owner.empty()) SetAscii(ed, EXIF_IFD_0, EXIF_TAG_ARTIST, f.owner);
    SetAscii(ed, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, f.dateTimeOriginal);
    SetRationals(ed, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, {{1, 250}});
    SetRationals(ed, EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, {{28, 10}});
    if (f.gps) {
        SetAscii(ed, EXIF_IFD_GPS, ExifTag(EXIF_TAG_GPS_LATITUDE_REF), "N");
        SetRationals(ed, EXIF_IFD_GPS, ExifTag(EXIF_TAG_GPS_LATITUDE), {{31, 1}, {14, 1}, {0, 1}});
        SetAscii(ed, EXIF_IFD_GPS, ExifTag(EXIF_TAG_GPS_LONGITUDE_REF), "E");
        SetRationals(ed, EXIF_IFD_GPS, ExifTag(EXIF_TAG_GPS_LONGITUDE), {{121, 1}, {28, 1}, {0, 1}});
    }
    if (f.thumbnail) {
        LoadMoreLoaders();  // the tests read every format, whichever comes first
        VImage t = VImage::black(16, 12, VImage::option()->set("bands", 3));
        void* buf = nullptr;
        size_t n = 0;
        t.write_to_buffer(".jpg", &buf, &n);
        ed->data = static_cast<unsigned char*>(malloc(n));
        std::memcpy(ed->data, buf, n);
        ed->size = unsigned(n);
        g_free(buf);
    }
    unsigned char* out = nullptr;
    unsigned int size = 0;
    exif_data_save_data(ed, &out, &size);
    exif_data_unref(ed);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    return bytes;
}

void WriteWithExif(const std::string& path, int w, int h, const PixelFn& f, const std::vector<uint8_t>& exif) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.setPixel(x, y, f(x, y));
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    VImage img = VImage::new_from_memory(c.data(), c.byteSize(), w, h, 3, VIPS_FORMAT_UCHAR).copy();
    vips_image_set_blob_copy(img.get_image(), VIPS_META_EXIF_NAME, exif.data(), exif.size());
    // libvips writes the orientation from this field into the block it saves.
    ExifData* ed = exif_data_new_from_data(exif.data(), unsigned(exif.size()));
    if (ExifEntry* o = ed ? exif_content_get_entry(ed->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION) : nullptr)
        img.set(VIPS_META_ORIENTATION, int(exif_get_short(o->data, exif_data_get_byte_order(ed))));
    if (ed) exif_data_unref(ed);
    img.write_to_file((path + "[strip=false]").c_str());
}

bool WriteHeif(const std::string& path, int w, int h, const PixelFn& f, bool avif, int orientation,
               const std::vector<uint8_t>& exif) {
#ifdef TAVU_TEST_LIBHEIF
    heif_context* ctx = heif_context_alloc();
    heif_encoder* enc = nullptr;
    if (heif_context_get_encoder_for_format(ctx, avif ? heif_compression_AV1 : heif_compression_HEVC, &enc).code !=
        heif_error_Ok) {
        heif_context_free(ctx);
        return false;
    }
    heif_encoder_set_lossy_quality(enc, 90);
    heif_image* img = nullptr;
    heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &img);
    heif_image_add_plane(img, heif_channel_interleaved, w, h, 8);
    int stride = 0;
    uint8_t* p = heif_image_get_plane(img, heif_channel_interleaved, &stride);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = f(x, y);
            uint8_t* q = p + size_t(y) * size_t(stride) + size_t(x) * 3;
            q[0] = c.r;
            q[1] = c.g;
            q[2] = c.b;
        }
    heif_encoding_options* opts = heif_encoding_options_alloc();
    opts->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    bool ok = heif_context_encode_image(ctx, img, enc, opts, &handle).code == heif_error_Ok;
    if (ok && !exif.empty()) {
        // libheif takes the TIFF structure, without the "Exif\0\0" that libvips puts in front.
        const size_t skip = exif.size() > 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
        ok = heif_context_add_exif_metadata(ctx, handle, exif.data() + skip, int(exif.size() - skip)).code == heif_error_Ok;
    }
    if (ok) ok = heif_context_write_to_file(ctx, path.c_str()).code == heif_error_Ok;
    if (handle) heif_image_handle_release(handle);
    heif_encoding_options_free(opts);
    heif_image_release(img);
    heif_encoder_release(enc);
    heif_context_free(ctx);
    if (!ok) throw std::runtime_error("libheif could not write " + path);
    return true;
#else
    (void)path, (void)w, (void)h, (void)f, (void)avif, (void)orientation, (void)exif;
    return false;
#endif
}

std::string HeaderField(const std::string& path, const std::string& field) {
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    VImage img = VImage::new_from_file(path.c_str());
    char* s = nullptr;
    if (img.get_typeof(field.c_str()) == 0 || vips_image_get_as_string(img.get_image(), field.c_str(), &s) != 0) {
        vips_error_clear();
        return {};
    }
    std::string out = s;
    g_free(s);
    return out;
}

int HeaderInt(const std::string& path, const std::string& field, int fallback) {
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    VImage img = VImage::new_from_file(path.c_str());
    int v = 0;
    if (img.get_typeof(field.c_str()) == 0 || vips_image_get_int(img.get_image(), field.c_str(), &v) != 0) {
        vips_error_clear();
        return fallback;
    }
    return v;
}

}  // namespace tavu::test
