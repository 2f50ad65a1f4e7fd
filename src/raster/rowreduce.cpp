#include "raster/rowreduce.h"

#include <algorithm>
#include <cmath>

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
// tap, which the compiler turns into vector instructions.
template <int Lanes>
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void ReduceBlock(const uint8_t* turned, const ReduceFilter& f, uint8_t* result) {
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

template <int Bands>
void ReduceRowsOf(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int rows,
                  const ReduceFilter& f) {
    constexpr int lanes = kRows * Bands;
    std::vector<uint8_t> turned(size_t(f.inSize) * lanes), result(size_t(f.outSize) * lanes);
    for (int y0 = 0; y0 < rows; y0 += kRows) {
        const int n = std::min(kRows, rows - y0);
        for (int r = 0; r < kRows; ++r) {
            // Rows past the last one repeat it; their sums are dropped.
            const uint8_t* src = in + size_t(y0 + std::min(r, n - 1)) * inStride;
            uint8_t* dst = turned.data() + r * Bands;
            for (int i = 0; i < f.inSize; ++i)
                for (int b = 0; b < Bands; ++b) dst[size_t(i) * lanes + b] = src[size_t(i) * Bands + b];
        }
        ReduceBlock<lanes>(turned.data(), f, result.data());
        for (int r = 0; r < n; ++r) {
            uint8_t* dst = out + size_t(y0 + r) * outStride;
            const uint8_t* src = result.data() + r * Bands;
            for (int x = 0; x < f.outSize; ++x)
                for (int b = 0; b < Bands; ++b) dst[size_t(x) * Bands + b] = src[size_t(x) * lanes + b];
        }
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
