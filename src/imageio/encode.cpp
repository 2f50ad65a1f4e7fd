#include "imageio/encode.h"

#include <vips/vips8>

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "imageio/drawpipeline.h"
#include "imageio/plainpng.h"
#include "imageio/sizesearch.h"
#include "imageio/tempfiles.h"
#include "imageio/vipsinit.h"
#include "imageio/vipsutil.h"
#include "raster/bmpwriter.h"

using vips::VError;
using vips::VImage;

namespace tavu {

namespace {

enum class Format { None, Jpeg, Png, Gif, Tiff, Bmp, Webp };

Format FormatOf(std::string ext) {
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "jpg" || ext == "jpeg") return Format::Jpeg;
    if (ext == "png") return Format::Png;
    if (ext == "gif") return Format::Gif;
    if (ext == "tiff" || ext == "tif") return Format::Tiff;
    if (ext == "bmp") return Format::Bmp;
    if (ext == "webp") return Format::Webp;
    return Format::None;
}

bool Failed(WriteError* err, int number, std::string text) {
    if (err) *err = {number, std::move(text)};
    return false;
}

// What a failed libvips save means, in the words of the error log: a full disk and a lack of
// memory are told apart from everything else (libvips only passes on the system's message).
bool VipsSaveFailed(WriteError* err, const std::string& message, const std::string& path) {
    if (message.find("No space left") != std::string::npos) return Failed(err, ENOSPC, WriteErrorText(ENOSPC));
    if (message.find("quota") != std::string::npos) return Failed(err, EDQUOT, WriteErrorText(EDQUOT));
    if (message.find("out of memory") != std::string::npos || message.find("Cannot allocate") != std::string::npos)
        return Failed(err, ENOMEM, "内存不足");
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) == 0 && fs.f_bavail == 0) return Failed(err, ENOSPC, WriteErrorText(ENOSPC));
    return Failed(err, 0, "编码或写入图片时出错");
}

// Encodes an 8-bit sRGB picture with three bands (a canvas, or a drawing straight from the
// decoder) into `path`. Throws VError when libvips fails.
bool SaveVips(VImage img, const std::string& path, Format format, const EncodeOptions& opts) {
    const int quality = opts.quality, dpi = opts.dpi;
    // libvips keeps the resolution in pixels per millimetre.
    auto* copy = VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB);
    if (dpi > 0) copy->set("xres", dpi / 25.4)->set("yres", dpi / 25.4);
    img = img.copy(copy);
    // The EXIF block goes with JPEG, PNG and WebP; nothing else of the image's metadata exists.
    const bool exif = !opts.exif.empty() && (format == Format::Jpeg || format == Format::Png || format == Format::Webp);
    if (exif) AttachExif(img, opts.exif);
    switch (format) {
        case Format::Jpeg: {
            auto* o = VImage::option()
                          ->set("Q", std::clamp(quality, 1, 100))
                          ->set("optimize_coding", OptimizeHuffman(img.width(), img.height()))
                          ->set("strip", !exif);
            // Only what differs from the encoder's defaults is asked for: a default result stays
            // byte for byte what it was.
            if (opts.progressive) o->set("interlace", true);
            if (opts.subsample != JpegSubsample::Auto) o->set("subsample_mode", SubsampleMode(opts.subsample, false));
            img.jpegsave(path.c_str(), o);
            break;
        }
        case Format::Png:
            img.pngsave(path.c_str(), VImage::option()->set("compression", 6)->set("strip", !exif));
            break;
        case Format::Webp:
            img.webpsave(path.c_str(), WebpOptions(quality, opts.webpLossless)->set("strip", !exif));
            break;
        case Format::Gif:
            img.gifsave(path.c_str(), VImage::option()->set("strip", true));
            break;
        case Format::Tiff: {
            img.tiffsave(path.c_str(), VImage::option()
                                           ->set("compression", opts.tiffLzw ? VIPS_FOREIGN_TIFF_COMPRESSION_LZW
                                                                             : VIPS_FOREIGN_TIFF_COMPRESSION_NONE)
                                           ->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH)
                                           ->set("strip", true));
            break;
        }
        default: break;
    }
    return true;
}

// The resolution field of a PNG result: the library's own for the same picture (which keeps it in
// pixels per millimetre, 1 when none is asked for).
uint32_t PngPixelsPerMetre(int dpi) { return uint32_t(std::lround((dpi > 0 ? dpi / 25.4 : 1.0) * 1000)); }

// PNG results up to kPlainPngMaxWriteBytes are deflated in one piece (plainpng.h); false when the
// picture is larger or there is no memory for it, and the library's encoder is to write it.
bool WritePlainPng(const uint8_t* pixels, size_t stride, int width, int height, const std::string& path,
                   const EncodeOptions& opts, WriteError* err, bool& written) {
    std::vector<uint8_t> png;
    if (!EncodePlainPng(pixels, stride, width, height, PngPixelsPerMetre(opts.dpi), png)) return false;
    WriteError e;
    written = WriteBytesTo(path, png.data(), png.size(), e);
    if (!written) Failed(err, e.number, e.text);
    return true;
}

bool WritesPlainPng(int width, int height, const EncodeOptions& opts) {
    return opts.exif.empty() && width > 0 && height > 0 && uint64_t(width) * uint64_t(height) * 3 <= kPlainPngMaxWriteBytes;
}

// Runs a libvips save: its failures (and running out of memory) become the write error.
template <class Save>
bool GuardedSave(const Save& save, const std::string& path, WriteError* err) {
    try {
        return save();
    } catch (const VError& e) {
        const std::string message = e.what();
        vips_error_clear();
        return VipsSaveFailed(err, message, path);
    } catch (const std::bad_alloc&) {
        return Failed(err, ENOMEM, "内存不足");
    }
}

}  // namespace

bool HasEncoder(const std::string& extension) { return FormatOf(extension) != Format::None; }

bool SaveBmpFile(const Canvas& canvas, const std::string& path, WriteError* err) {
    if (canvas.empty()) return Failed(err, 0, "没有可保存的图片");
    return funSavePic(canvas, path, "bmp", 0, kTiffColourDepth, kTiffNoCompression, err);
}

bool EncodeToFile(const Canvas& canvas, const std::string& path, const std::string& extension,
                  int quality, int colourDepth, int compression, WriteError* err, int dpi) {
    (void)colourDepth;  // always 24-bit RGB: the canvas has no other depth
    EncodeOptions o;
    o.tiffLzw = compression == 2;
    o.quality = quality;
    o.dpi = dpi;
    return EncodeToFile(canvas, path, extension, o, err);
}

bool EncodeToFile(const Canvas& canvas, const std::string& path, const std::string& extension,
                  const EncodeOptions& opts, WriteError* err) {
    const int dpi = opts.dpi;
    const Format format = FormatOf(extension);
    if (format == Format::None) return Failed(err, 0, "不支持的输出格式\"" + extension + "\"");
    if (canvas.empty()) return Failed(err, 0, "没有可保存的图片");
    if (format == Format::Bmp) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return Failed(err, errno, WriteErrorText(errno));
        bool ok = WriteBmp24(canvas, [f](const uint8_t* p, size_t n) { return std::fwrite(p, 1, n, f) == n; });
        int e = errno;
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            e = errno;
        }
        if (!ok) return Failed(err, e, WriteErrorText(e));
        return true;
    }
    if (format == Format::Png && WritesPlainPng(canvas.width(), canvas.height(), opts)) {
        bool written = false;
        if (WritePlainPng(canvas.data(), canvas.stride(), canvas.width(), canvas.height(), path, opts, err, written))
            return written;
    }
    if (!EnsureImageIO()) return Failed(err, 0, "图像库无法启动");
    if (format == Format::Jpeg && dpi > 0) {
        // The JFIF header then says dots per inch exactly (the encoder itself writes dots per cm).
        std::vector<uint8_t> bytes;
        if (!EncodeJpegToMemory(canvas, opts, false, bytes)) return Failed(err, 0, "编码或写入图片时出错");
        WriteError e;
        if (!WriteBytesTo(path, bytes.data(), bytes.size(), e)) return Failed(err, e.number, e.text);
        return true;
    }
    return GuardedSave(
        [&] {
            VImage img = VImage::new_from_memory(const_cast<uint8_t*>(canvas.data()), canvas.byteSize(),
                                                 canvas.width(), canvas.height(), 3, VIPS_FORMAT_UCHAR);
            return SaveVips(img, path, format, opts);
        },
        path, err);
}

bool EncodeImageToFile(const VImage& picture, const std::string& path, const std::string& extension,
                       const EncodeOptions& opts, WriteError* err) {
    const Format format = FormatOf(extension);
    if (format == Format::None || format == Format::Bmp || (format == Format::Jpeg && opts.dpi > 0))
        return Failed(err, 0, "不支持的输出格式\"" + extension + "\"");
    if (format == Format::Png && WritesPlainPng(picture.width(), picture.height(), opts) && picture.bands() == 3 &&
        picture.format() == VIPS_FORMAT_UCHAR) {
        // The same file as the canvas of these pixels gives.
        std::unique_ptr<void, decltype(&g_free)> pixels(nullptr, &g_free);
        size_t size = 0;
        const bool decoded = GuardedSave(
            [&] {
                pixels.reset(picture.write_to_memory(&size));
                if (!pixels) throw VError();
                return true;
            },
            path, err);
        if (!decoded) return false;
        const size_t stride = size_t(picture.width()) * 3;
        bool written = false;
        if (size == stride * size_t(picture.height()) &&
            WritePlainPng(static_cast<const uint8_t*>(pixels.get()), stride, picture.width(), picture.height(), path,
                          opts, err, written))
            return written;
        pixels.reset();  // the library's encoder reads the picture again
    }
    return GuardedSave(
        [&] {
            // Nothing of the source's own metadata goes along: the header is the one a canvas gets.
            VImage img = picture.copy(VImage::option()->set("xres", 1.0)->set("yres", 1.0));
            gchar** fields = vips_image_get_fields(img.get_image());
            for (gchar** f = fields; f && *f; ++f) vips_image_remove(img.get_image(), *f);
            g_strfreev(fields);
            return SaveVips(img, path, format, opts);
        },
        path, err);
}

bool funSavePic(const Canvas& canvas, const std::string& path, const std::string& extension,
                int quality, int colourDepth, int compression, WriteError* err) {
    if (!HasEncoder(extension)) return Failed(err, 0, "不支持的输出格式\"" + extension + "\"");
    if (canvas.empty()) return Failed(err, 0, "没有可保存的图片");
    WriteError e;
    std::string temp;
    if (!MakeTempBeside(path, temp, e)) return Failed(err, e.number, e.text);
    if (!EncodeToFile(canvas, temp, extension, quality, colourDepth, compression, err)) {
        DropTemp(temp);
        return false;
    }
    if (!CommitTemp(temp, path, e)) return Failed(err, e.number, e.text);
    return true;
}

}  // namespace tavu
