#include "imageio/jpegrequantize.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>

#include "imageio/fileio.h"
#include "imageio/vipsutil.h"

namespace tavu {

namespace {

// Every libjpeg failure and warning ends the re-encoding: a source that is damaged in any way is
// left to the decoder, which decides what can be made of it.
struct Trap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr c) { std::longjmp(reinterpret_cast<Trap*>(c->err)->jump, 1); }

void OnMessage(j_common_ptr c, int level) {
    if (level < 0) std::longjmp(reinterpret_cast<Trap*>(c->err)->jump, 1);
}

// Everything one re-encoding holds, outside the function that may jump back to its start.
struct Job {
    FILE* in = nullptr;
    EncodeOptions options;
    Trap trap{};
    jpeg_decompress_struct src{};
    jpeg_compress_struct dst{};
    bool srcMade = false, dstMade = false;
    unsigned char* out = nullptr;  // the new file, as libjpeg's memory destination leaves it
    unsigned long outSize = 0;
};

// round(c * from / to), a half rounded towards zero, in single floats so that the loop runs in
// vector lanes, and still exact: n = 2 |c| from + to - 1 < 2^21 is exact, and below 1025 the
// quotient n / (2 to) is off by less than 2^-12 when multiplied by the rounded reciprocal, while a
// quotient that is not whole lies at least 1 / (2 to) > 2^-9 below the next whole number. Adding
// 2^-11 before truncating therefore gives exactly floor(n / (2 to)). Eight lanes at a time where
// the processor has them.
__attribute__((target_clones("avx2", "default"))) void RequantizeWith(int16_t* coefficients, size_t blocks,
                                                                      const float* from, const float* to,
                                                                      const float* reciprocal) {
    for (size_t b = 0; b < blocks; ++b) {
        int16_t* block = coefficients + b * DCTSIZE2;
        for (int k = 0; k < DCTSIZE2; ++k) {
            const int c = block[k];
            const float a = float(std::min(c < 0 ? -c : c, 2047));
            const int q = std::min(int((a * from[k] + to[k] - 1) * reciprocal[k] + 0x1p-11f), 1023);
            block[k] = int16_t(c < 0 ? -q : q);
        }
    }
}

// Steps the requantizing can take: 1 to 255 (8-bit tables; 16-bit ones belong to other files).
bool UsableTable(const JQUANT_TBL* t) {
    if (!t) return false;
    for (int k = 0; k < DCTSIZE2; ++k)
        if (t->quantval[k] < 1 || t->quantval[k] > 255) return false;
    return true;
}

// The colour planes sampled as the encoder samples them: the brightness at twice the colours'
// step both ways (4:2:0) or all three alike (4:4:4).
bool SampledAs(const jpeg_decompress_struct& s, bool halfColour) {
    const int f = halfColour ? 2 : 1;
    return s.comp_info[0].h_samp_factor == f && s.comp_info[0].v_samp_factor == f &&
           s.comp_info[1].h_samp_factor == 1 && s.comp_info[1].v_samp_factor == 1 &&
           s.comp_info[2].h_samp_factor == 1 && s.comp_info[2].v_samp_factor == 1;
}

bool Transcode(Job& job) {
    if (setjmp(job.trap.jump)) return false;
    jpeg_decompress_struct& src = job.src;
    jpeg_compress_struct& dst = job.dst;
    src.err = jpeg_std_error(&job.trap.mgr);
    job.trap.mgr.error_exit = OnError;
    job.trap.mgr.emit_message = OnMessage;
    jpeg_create_decompress(&src);
    job.srcMade = true;
    jpeg_stdio_src(&src, job.in);
    if (jpeg_read_header(&src, TRUE) != JPEG_HEADER_OK) return false;

    const int quality = std::clamp(job.options.quality, 1, 100);
    const JpegSubsample sub = job.options.subsample;
    const bool halfColour = sub == JpegSubsample::Yuv420 || (sub == JpegSubsample::Auto && quality < 90);
    if (src.jpeg_color_space != JCS_YCbCr || src.num_components != 3 || src.data_precision != 8 ||
        !SampledAs(src, halfColour))
        return false;

    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&src);
    for (int ci = 0; ci < 3; ++ci)
        if (!UsableTable(src.comp_info[ci].quant_table)) return false;

    // The new file's parameters, as the encoder sets them for a result of these options.
    dst.err = &job.trap.mgr;
    jpeg_create_compress(&dst);
    job.dstMade = true;
    jpeg_copy_critical_parameters(&src, &dst);
    dst.write_JFIF_header = FALSE;
    dst.write_Adobe_marker = FALSE;
    jpeg_set_quality(&dst, quality, TRUE);
    for (int ci = 0; ci < 3; ++ci) {
        jpeg_component_info& c = dst.comp_info[ci];
        c.component_id = ci + 1;
        c.quant_tbl_no = c.dc_tbl_no = c.ac_tbl_no = ci == 0 ? 0 : 1;
    }
    dst.optimize_coding = OptimizeHuffman(int(src.image_width), int(src.image_height));
    if (job.options.progressive) jpeg_simple_progression(&dst);

    for (int ci = 0; ci < 3; ++ci) {
        const jpeg_component_info& c = src.comp_info[ci];
        const uint16_t* from = c.quant_table->quantval;
        const uint16_t* to = dst.quant_tbl_ptrs[dst.comp_info[ci].quant_tbl_no]->quantval;
        for (JDIMENSION row = 0; row < c.height_in_blocks; ++row) {
            JBLOCKARRAY blocks = (*src.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&src),
                                                                 coefficients[ci], row, 1, TRUE);
            RequantizeBlocks(blocks[0][0], c.width_in_blocks, from, to);
        }
    }

    jpeg_mem_dest(&dst, &job.out, &job.outSize);
    jpeg_write_coefficients(&dst, coefficients);
    jpeg_finish_compress(&dst);
    jpeg_finish_decompress(&src);
    return true;
}

}  // namespace

bool RequantizeJpeg(const std::string& source, const std::string& path, const EncodeOptions& options) {
    if (options.dpi > 0 || !options.exif.empty()) return false;
    Job job;
    job.options = options;
    job.in = std::fopen(source.c_str(), "rb");
    if (!job.in) return false;
    const bool ok = Transcode(job);
    if (job.dstMade) jpeg_destroy_compress(&job.dst);
    if (job.srcMade) jpeg_destroy_decompress(&job.src);
    std::fclose(job.in);
    WriteError err;
    const bool written = ok && job.out && WriteBytesTo(path, job.out, job.outSize, err);
    std::free(job.out);
    return written;
}

void RequantizeBlocks(int16_t* coefficients, size_t blocks, const uint16_t* from, const uint16_t* to) {
    float f[DCTSIZE2], t[DCTSIZE2], reciprocal[DCTSIZE2];
    for (int k = 0; k < DCTSIZE2; ++k) {
        f[k] = float(2 * from[k]);
        t[k] = float(to[k]);
        reciprocal[k] = 1.0f / float(2 * to[k]);
    }
    RequantizeWith(coefficients, blocks, f, t, reciprocal);
}

}  // namespace tavu
