#include "raster/rowreduce.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tavu {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Lanczos3(double t) {
    t = std::fabs(t);
    if (t < 1e-9) return 1.0;
    if (t >= 3.0) return 0.0;
    const double a = kPi * t;
    return 3.0 * std::sin(a) * std::sin(a / 3.0) / (a * a);
}

// Rows reduced together: with `bands` channels, kRows * bands lanes side by side.
constexpr int kRows = 8;

// One block of rows, turned so that each input pixel's samples of all the block's rows are side
// by side (`lanes` bytes a pixel): every output sum is then one multiply-add across the lanes per
// tap. On x86-64 with AVX2 the lanes go eight at a time in 32-bit vectors (the compiler's own
// vectorisation of the plain loop splits 24 lanes badly); the plain loop is the reference and the
// fallback, and both give the same bytes (the same integer sums).
template <int Lanes>
void ReduceBlockPlain(const uint8_t* turned, const ReduceFilter& f, uint8_t* result) {
    const int taps = f.taps;
    const int16_t* w = f.weights.data();
    for (int x = 0; x < f.outSize; ++x, w += taps) {
        int32_t acc[Lanes] = {};
        const uint8_t* p = turned + size_t(f.start[x]) * Lanes;
        for (int t = 0; t < taps; ++t, p += Lanes) {
            const int32_t wt = w[t];
            for (int k = 0; k < Lanes; ++k) acc[k] += wt * int32_t(p[k]);
        }
        uint8_t* q = result + size_t(x) * Lanes;
        for (int k = 0; k < Lanes; ++k) {
            const int32_t v = (acc[k] + (1 << (kReduceShift - 1))) >> kReduceShift;
            q[k] = uint8_t(std::clamp(v, 0, 255));
        }
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
// AVX2: eight lanes per instruction, each lane's bytes widened to 32 bits as they are loaded.
template <int Lanes>
__attribute__((target("avx2"))) void ReduceBlockAvx2(const uint8_t* turned, const ReduceFilter& f,
                                                     uint8_t* result) {
    static_assert(Lanes % 8 == 0);
    constexpr int kGroups = Lanes / 8;
    const int taps = f.taps;
    const int16_t* w = f.weights.data();
    const __m256i half = _mm256_set1_epi32(1 << (kReduceShift - 1));
    for (int x = 0; x < f.outSize; ++x, w += taps) {
        __m256i acc[kGroups];
        for (int g = 0; g < kGroups; ++g) acc[g] = half;
        const uint8_t* p = turned + size_t(f.start[x]) * Lanes;
        for (int t = 0; t < taps; ++t, p += Lanes) {
            const __m256i wt = _mm256_set1_epi32(w[t]);
            for (int g = 0; g < kGroups; ++g) {
                const __m256i v = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + g * 8)));
                acc[g] = _mm256_add_epi32(acc[g], _mm256_mullo_epi32(v, wt));
            }
        }
        uint8_t* q = result + size_t(x) * Lanes;
        for (int g = 0; g < kGroups; ++g) {
            const __m256i v = _mm256_srai_epi32(acc[g], kReduceShift);
            // Saturating packs: below 0 becomes 0, above 255 becomes 255.
            const __m128i w16 = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(q + g * 8), _mm_packus_epi16(w16, w16));
        }
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

std::atomic<bool> g_vectorsAllowed{true};

template <int Lanes>
void ReduceBlock(const uint8_t* turned, const ReduceFilter& f, uint8_t* result) {
#if defined(__GNUC__) && defined(__x86_64__)
    if constexpr (Lanes % 8 == 0) {
        if (HasAvx2() && g_vectorsAllowed.load(std::memory_order_relaxed)) {
            ReduceBlockAvx2<Lanes>(turned, f, result);
            return;
        }
    }
#endif
    ReduceBlockPlain<Lanes>(turned, f, result);
}

// Puts rows `rows[0..kRows)` side by side: pixel i of row r goes to turned[i * lanes + r * Bands].
template <int Bands>
void TurnIn(const uint8_t* const* rows, int width, uint8_t* turned) {
    constexpr int lanes = kRows * Bands;
    if constexpr (Bands == 3) {
        // Four bytes at a time: the fourth lands on the next lane and is written over by it (the
        // buffer has a byte to spare after the last pixel); the last pixel of a row is read in
        // three bytes, so that nothing past the row is read.
        for (int i = 0; i + 1 < width; ++i) {
            uint8_t* dst = turned + size_t(i) * lanes;
            for (int r = 0; r < kRows; ++r) std::memcpy(dst + r * 3, rows[r] + size_t(i) * 3, 4);
        }
    }
    for (int i = Bands == 3 ? std::max(0, width - 1) : 0; i < width; ++i)
        for (int r = 0; r < kRows; ++r)
            for (int b = 0; b < Bands; ++b) turned[size_t(i) * lanes + r * Bands + b] = rows[r][size_t(i) * Bands + b];
}

// The other way: lane r of each result pixel goes to row r, for the first `n` rows.
template <int Bands>
void TurnOut(const uint8_t* result, int width, uint8_t* const* rows, int n) {
    constexpr int lanes = kRows * Bands;
    if constexpr (Bands == 3) {
        // Four bytes at a time as well, the spare byte written over by the next pixel; the last
        // pixel of a row in three, so that nothing past the row is written.
        for (int x = 0; x + 1 < width; ++x) {
            const uint8_t* src = result + size_t(x) * lanes;
            for (int r = 0; r < n; ++r) std::memcpy(rows[r] + size_t(x) * 3, src + r * 3, 4);
        }
    }
    for (int x = Bands == 3 ? std::max(0, width - 1) : 0; x < width; ++x)
        for (int r = 0; r < n; ++r)
            for (int b = 0; b < Bands; ++b) rows[r][size_t(x) * Bands + b] = result[size_t(x) * lanes + r * Bands + b];
}

template <int Bands>
void ReduceRowsOf(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int rows,
                  const ReduceFilter& f) {
    constexpr int lanes = kRows * Bands;
    // One byte to spare after each buffer's last pixel (see TurnIn and TurnOut).
    std::vector<uint8_t> turned(size_t(f.inSize) * lanes + 1), result(size_t(f.outSize) * lanes + 1);
    const uint8_t* from[kRows];
    uint8_t* to[kRows];
    for (int y0 = 0; y0 < rows; y0 += kRows) {
        const int n = std::min(kRows, rows - y0);
        // Rows past the last one repeat it; their sums are dropped.
        for (int r = 0; r < kRows; ++r) from[r] = in + size_t(y0 + std::min(r, n - 1)) * inStride;
        for (int r = 0; r < n; ++r) to[r] = out + size_t(y0 + r) * outStride;
        TurnIn<Bands>(from, f.inSize, turned.data());
        ReduceBlock<lanes>(turned.data(), f, result.data());
        TurnOut<Bands>(result.data(), f.outSize, to, n);
    }
}

}  // namespace

ReduceFilter LanczosReduceFilter(int inSize, int outSize) {
    ReduceFilter f;
    if (inSize <= 0 || outSize <= 0 || outSize > inSize) return f;
    f.inSize = inSize;
    f.outSize = outSize;
    const double scale = double(inSize) / outSize;  // >= 1: the filter widens with the reduction
    const double support = 3.0 * scale;
    f.taps = std::min(inSize, int(std::ceil(2.0 * support)) + 1);
    f.start.resize(size_t(outSize));
    f.weights.assign(size_t(outSize) * size_t(f.taps), 0);
    std::vector<double> w(size_t(f.taps));
    for (int x = 0; x < outSize; ++x) {
        // Pixel centres line up: output x covers input [x * scale, (x + 1) * scale).
        const double centre = (x + 0.5) * scale - 0.5;
        const int first = int(std::floor(centre - support)) + 1;
        const int start = std::clamp(first, 0, inSize - f.taps);
        f.start[size_t(x)] = start;
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0;
        for (int i = first; i < first + int(std::ceil(2.0 * support)) + 1; ++i) {
            const double v = Lanczos3((i - centre) / scale);
            if (v == 0.0) continue;
            // Beyond an edge the edge pixel counts again.
            const int at = std::clamp(i, 0, inSize - 1) - start;
            w[size_t(std::clamp(at, 0, f.taps - 1))] += v;
            sum += v;
        }
        // Fixed point, rounded so that the weights sum to exactly one: a flat area stays flat.
        int16_t* q = f.weights.data() + size_t(x) * size_t(f.taps);
        int total = 0, largest = 0;
        for (int t = 0; t < f.taps; ++t) {
            q[t] = int16_t(std::lround(w[size_t(t)] / sum * (1 << kReduceShift)));
            total += q[t];
            if (q[t] > q[largest]) largest = t;
        }
        q[largest] = int16_t(q[largest] + ((1 << kReduceShift) - total));
    }
    return f;
}

void AllowVectorRowReduce(bool allowed) { g_vectorsAllowed.store(allowed, std::memory_order_relaxed); }

void ReduceRows(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int rows, int bands,
                const ReduceFilter& f) {
    if (rows <= 0 || f.outSize <= 0) return;
    switch (bands) {
        case 1: ReduceRowsOf<1>(in, inStride, out, outStride, rows, f); break;
        case 2: ReduceRowsOf<2>(in, inStride, out, outStride, rows, f); break;
        case 3: ReduceRowsOf<3>(in, inStride, out, outStride, rows, f); break;
        case 4: ReduceRowsOf<4>(in, inStride, out, outStride, rows, f); break;
        default: break;
    }
}

}  // namespace tavu
