#include "imageio/jpegrequantize.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "imageio/fileio.h"
#include "imageio/jpegsource.h"
#include "imageio/jpegtrap.h"
#include "imageio/vipsutil.h"

namespace tavu {

namespace {

// Everything one re-encoding holds, outside the function that may jump back to its start.
struct Job {
    int in = -1;
    FILE* out = nullptr;
    EncodeOptions options;
    int orientation = 1;
    size_t maxBytes = 0;
    JpegTrap trap{};
    jpeg_decompress_struct src{};
    jpeg_compress_struct dst{};
    bool srcMade = false, dstMade = false;
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

// How a turn of the stored picture upright (its EXIF orientation) moves blocks and coefficients:
// first the stored picture mirrored along its own axes, then transposed where the turn swaps them.
struct Turn {
    bool mirrorX = false, mirrorY = false, transpose = false;
    explicit Turn(int orientation)
        : mirrorX(orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8),
          mirrorY(orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7),
          transpose(orientation >= 5 && orientation <= 8) {}
    bool any() const { return mirrorX || mirrorY || transpose; }
};

// One block turned: a mirror negates the coefficients of odd frequency along its axis (u across,
// v down), a transpose swaps the frequencies.
void TurnBlock(const JCOEF* in, JCOEF* out, const Turn& t) {
    for (int v = 0; v < DCTSIZE; ++v)
        for (int u = 0; u < DCTSIZE; ++u) {
            const bool negate = (t.mirrorX && (u & 1)) != (t.mirrorY && (v & 1));
            const JCOEF c = in[v * DCTSIZE + u];
            out[t.transpose ? u * DCTSIZE + v : v * DCTSIZE + u] = negate ? JCOEF(-c) : c;
        }
}

int RoundUp(int n, int step) { return (n + step - 1) / step * step; }

// Hands the memory pages wholly inside [p, p + bytes) back to the system: what they hold is dead
// (a row of the stored picture's coefficients, once turned). Read again, they would be zeros.
void ReleasePages(void* p, size_t bytes) {
    static const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(p) + page - 1) & ~(page - 1), end = (uintptr_t(p) + bytes) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

// Lays the (requantized) blocks of each component into `out`, turned: block (bx, by) of a plane
// Bw x Bh blocks goes to (Bw - 1 - bx, by) for a mirror across, and so on; a transpose swaps the two.
// A mirrored side must hold whole blocks of every plane (the caller checks), so that no block is
// cut in two. Each stored row's memory is handed back once it is laid: the turned planes fill as the
// stored ones empty, and a turned picture holds its coefficients about once, not twice.
void TurnPlanes(jpeg_decompress_struct& src, jvirt_barray_ptr* in, jvirt_barray_ptr* out, const Turn& t) {
    auto common = reinterpret_cast<j_common_ptr>(&src);
    for (int ci = 0; ci < src.num_components; ++ci) {
        const jpeg_component_info& c = src.comp_info[ci];
        const JDIMENSION bw = c.width_in_blocks, bh = c.height_in_blocks;
        // All rows at once, those that round the plane up to whole blocks of the encoder's rows too:
        // the encoder reads them (and makes its own blocks in their place).
        const int rows = RoundUp(int(t.transpose ? bw : bh), t.transpose ? c.h_samp_factor : c.v_samp_factor);
        JBLOCKARRAY to = (*src.mem->access_virt_barray)(common, out[ci], 0, JDIMENSION(rows), TRUE);
        for (JDIMENSION by = 0; by < bh; ++by) {
            JBLOCKROW from = (*src.mem->access_virt_barray)(common, in[ci], by, 1, FALSE)[0];
            const JDIMENSION y = t.mirrorY ? bh - 1 - by : by;
            for (JDIMENSION bx = 0; bx < bw; ++bx) {
                const JDIMENSION x = t.mirrorX ? bw - 1 - bx : bx;
                TurnBlock(from[bx], t.transpose ? to[x][y] : to[y][x], t);
            }
            ReleasePages(from, size_t(bw) * sizeof(JBLOCK));
        }
    }
}

bool Transcode(Job& job) {
    if (setjmp(job.trap.jump)) return false;
    jpeg_decompress_struct& src = job.src;
    jpeg_compress_struct& dst = job.dst;
    src.err = ArmJpegTrap(job.trap);
    jpeg_create_decompress(&src);
    job.srcMade = true;
    // The coefficients are held in memory whole; more than allowed is a failure, not a file on disk
    // (the library has no backing store here).
    src.mem->max_memory_to_use = long(std::min<size_t>(job.maxBytes, size_t(LONG_MAX)));
    UseJpegFileSource(&src, job.in);
    if (jpeg_read_header(&src, TRUE) != JPEG_HEADER_OK) return false;

    const int quality = std::clamp(job.options.quality, 1, 100);
    const JpegSubsample sub = job.options.subsample;
    const bool halfColour = sub == JpegSubsample::Yuv420 || (sub == JpegSubsample::Auto && quality < 90);
    if (src.jpeg_color_space != JCS_YCbCr || src.num_components != 3 || src.data_precision != 8 ||
        !SampledAs(src, halfColour))
        return false;
    // A turned picture: a mirrored side must end on a whole block of every plane.
    const Turn turn(job.orientation);
    const int mcuWidth = src.max_h_samp_factor * DCTSIZE, mcuHeight = src.max_v_samp_factor * DCTSIZE;
    if ((turn.mirrorX && src.image_width % JDIMENSION(mcuWidth) != 0) ||
        (turn.mirrorY && src.image_height % JDIMENSION(mcuHeight) != 0))
        return false;
    // Room for the turned planes, set aside before the coefficients are read.
    jvirt_barray_ptr turned[3] = {};
    if (turn.any()) {
        for (int ci = 0; ci < 3; ++ci) {
            const jpeg_component_info& c = src.comp_info[ci];
            const int w = int(turn.transpose ? c.height_in_blocks : c.width_in_blocks);
            const int h = int(turn.transpose ? c.width_in_blocks : c.height_in_blocks);
            const int hs = turn.transpose ? c.v_samp_factor : c.h_samp_factor;
            const int vs = turn.transpose ? c.h_samp_factor : c.v_samp_factor;
            turned[ci] = (*src.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&src), JPOOL_IMAGE, FALSE,
                                                         JDIMENSION(RoundUp(w, hs)), JDIMENSION(RoundUp(h, vs)),
                                                         JDIMENSION(RoundUp(h, vs)));
        }
    }

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
    if (turn.transpose) {
        std::swap(dst.image_width, dst.image_height);
        for (int ci = 0; ci < 3; ++ci) std::swap(dst.comp_info[ci].h_samp_factor, dst.comp_info[ci].v_samp_factor);
    }
    dst.optimize_coding = OptimizeHuffman(int(src.image_width), int(src.image_height));
    if (job.options.progressive) jpeg_simple_progression(&dst);

    // Requantized where they are: the new step of a coefficient is the one of the place a transpose
    // takes it to.
    for (int ci = 0; ci < 3; ++ci) {
        const jpeg_component_info& c = src.comp_info[ci];
        const uint16_t* from = c.quant_table->quantval;
        const uint16_t* steps = dst.quant_tbl_ptrs[dst.comp_info[ci].quant_tbl_no]->quantval;
        uint16_t transposed[DCTSIZE2];
        for (int k = 0; k < DCTSIZE2; ++k) transposed[k] = steps[(k % DCTSIZE) * DCTSIZE + k / DCTSIZE];
        const uint16_t* to = turn.transpose ? transposed : steps;
        for (JDIMENSION row = 0; row < c.height_in_blocks; ++row) {
            JBLOCKARRAY blocks = (*src.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&src),
                                                                 coefficients[ci], row, 1, TRUE);
            RequantizeBlocks(blocks[0][0], c.width_in_blocks, from, to);
        }
    }

    if (turn.any()) {
        TurnPlanes(src, coefficients, turned, turn);
        coefficients = turned;
    }
    jpeg_stdio_dest(&dst, job.out);
    jpeg_write_coefficients(&dst, coefficients);
    jpeg_finish_compress(&dst);
    jpeg_finish_decompress(&src);
    return true;
}

}  // namespace

bool RequantizeJpeg(const std::string& source, const std::string& path, const EncodeOptions& options,
                    int orientation, size_t maxBytes) {
    if (options.dpi > 0 || !options.exif.empty() || orientation < 1 || orientation > 8 || maxBytes == 0) return false;
    Job job;
    job.options = options;
    job.orientation = orientation;
    job.maxBytes = maxBytes;
    job.in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (job.in < 0) return false;
    const int fd = OpenToWrite(path);
    job.out = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!job.out) {
        if (fd >= 0) ::close(fd);
        ::close(job.in);
        return false;
    }
    std::setvbuf(job.out, nullptr, _IOFBF, size_t(256) << 10);
    bool ok = Transcode(job);
    if (job.dstMade) jpeg_destroy_compress(&job.dst);
    if (job.srcMade) jpeg_destroy_decompress(&job.src);
    ::close(job.in);
    ok = std::fflush(job.out) == 0 && !std::ferror(job.out) && ok;
    return std::fclose(job.out) == 0 && ok;
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
