#include "imageio/wholejpeg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips8>

#include <algorithm>
#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstring>

#include "imageio/jpegsource.h"
#include "imageio/jpegtrap.h"

namespace tavu {

namespace {

std::atomic<bool> g_allowed{true};

// Everything one decoding holds, outside the function that may jump back to its start.
struct Job {
    int fd = -1;
    int shrink = 1, width = 0, height = 0;
    size_t maxBytes = 0;
    JpegTrap trap{};
    jpeg_decompress_struct d{};
    bool made = false;
    uint8_t* rows = nullptr;
    size_t rowBytes = 0;
    int outWidth = 0, outHeight = 0;
};

// What a file in several scans holds until its last scan is read: every coefficient of every plane.
size_t CoefficientBytes(const jpeg_decompress_struct& d) {
    size_t n = 0;
    for (int c = 0; c < d.num_components; ++c)
        n += size_t(d.comp_info[c].width_in_blocks) * size_t(d.comp_info[c].height_in_blocks) * DCTSIZE2 *
             sizeof(JCOEF);
    return n;
}

bool Decode(Job& job) {
    if (setjmp(job.trap.jump)) return false;
    jpeg_decompress_struct& d = job.d;
    d.err = ArmJpegTrap(job.trap);
    jpeg_create_decompress(&d);
    job.made = true;
    d.mem->max_memory_to_use = long(std::min<size_t>(job.maxBytes, LONG_MAX));
    UseJpegFileSource(&d, job.fd);
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK) return false;
    if (d.image_width != JDIMENSION(job.width) || d.image_height != JDIMENSION(job.height) ||
        d.num_components != 3 || d.jpeg_color_space != JCS_YCbCr || d.data_precision != 8)
        return false;
    // As the library's reader decodes: to RGB, at the scale asked, everything else libjpeg's default.
    d.out_color_space = JCS_RGB;
    d.scale_num = 1;
    d.scale_denom = unsigned(job.shrink);
    jpeg_calc_output_dimensions(&d);
    if (d.output_components != 3 || d.output_width == 0 || d.output_height == 0) return false;
    const size_t stride = size_t(d.output_width) * 3;
    if (stride > job.maxBytes / d.output_height) return false;
    job.rowBytes = stride * d.output_height;
    const size_t coefficients = jpeg_has_multiple_scans(&d) ? CoefficientBytes(d) : 0;
    if (coefficients > job.maxBytes - job.rowBytes) return false;
    job.rows = static_cast<uint8_t*>(g_try_malloc(job.rowBytes));
    if (!job.rows) return false;
    jpeg_start_decompress(&d);
    JSAMPROW at[16];
    while (d.output_scanline < d.output_height) {
        const JDIMENSION n = std::min<JDIMENSION>(16, d.output_height - d.output_scanline);
        for (JDIMENSION i = 0; i < n; ++i) at[i] = job.rows + (d.output_scanline + i) * stride;
        if (jpeg_read_scanlines(&d, at, n) == 0) return false;
    }
    jpeg_finish_decompress(&d);
    // The library's reader keeps only the whole pixels of a scaled picture: a last column or row
    // made from less than `shrink` pixels of the file is dropped.
    job.outWidth = std::max(1, job.width / job.shrink);
    job.outHeight = std::max(1, job.height / job.shrink);
    if (JDIMENSION(job.outWidth) > d.output_width || JDIMENSION(job.outHeight) > d.output_height) return false;
    const size_t kept = size_t(job.outWidth) * 3;
    if (kept != stride)
        for (int y = 1; y < job.outHeight; ++y) std::memmove(job.rows + y * kept, job.rows + y * stride, kept);
    job.rowBytes = kept * size_t(job.outHeight);
    return true;
}

}  // namespace

void AllowWholeJpegReader(bool allowed) { g_allowed.store(allowed, std::memory_order_relaxed); }

bool LoadWholeJpeg(const std::string& path, int shrink, int width, int height, size_t maxBytes, vips::VImage& out) {
    if (!g_allowed.load(std::memory_order_relaxed) || width <= 0 || height <= 0 ||
        (shrink != 1 && shrink != 2 && shrink != 4 && shrink != 8))
        return false;
    Job job;
    job.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (job.fd < 0) return false;
    struct stat st {};
    const bool regular = ::fstat(job.fd, &st) == 0 && S_ISREG(st.st_mode);
    job.shrink = shrink;
    job.width = width;
    job.height = height;
    job.maxBytes = maxBytes;
    const bool ok = regular && Decode(job);
    if (job.made) jpeg_destroy_decompress(&job.d);
    ::close(job.fd);
    if (!ok) {
        g_free(job.rows);
        return false;
    }
    out = vips::VImage::new_from_memory_steal(job.rows, job.rowBytes, job.outWidth, job.outHeight, 3, VIPS_FORMAT_UCHAR)
              .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    return true;
}

}  // namespace tavu
