// The row reduce: Lanczos 3 in fixed point, several rows at once. Checked against the filter
// worked out in floating point, at the edges, for every band count and for blocks of rows that
// do not fill the last group.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "raster/rowreduce.h"

using namespace tavu;

namespace {

double Lanczos3(double t) {
    t = std::fabs(t);
    if (t < 1e-12) return 1.0;
    if (t >= 3.0) return 0.0;
    const double a = M_PI * t;
    return 3.0 * std::sin(a) * std::sin(a / 3.0) / (a * a);
}

// The reduce of one row worked out directly: centres aligned, edge pixels repeated beyond the edges.
std::vector<double> Reference(const std::vector<uint8_t>& row, int bands, int outSize) {
    const int inSize = int(row.size()) / bands;
    const double scale = double(inSize) / outSize;
    std::vector<double> out(size_t(outSize) * bands);
    for (int x = 0; x < outSize; ++x) {
        const double c = (x + 0.5) * scale - 0.5;
        for (int b = 0; b < bands; ++b) {
            double sum = 0, weights = 0;
            for (int i = int(std::floor(c - 3 * scale)); i <= int(std::ceil(c + 3 * scale)); ++i) {
                const double w = Lanczos3((i - c) / scale);
                sum += w * row[size_t(std::clamp(i, 0, inSize - 1)) * bands + b];
                weights += w;
            }
            out[size_t(x) * bands + b] = std::clamp(sum / weights, 0.0, 255.0);
        }
    }
    return out;
}

}  // namespace

TEST(RowReduce, FilterWeightsSumToOneAndStayInsideTheRow) {
    for (auto [in, out] : {std::pair{1368, 800}, {612, 320}, {2600, 800}, {7, 3}, {3, 1}, {800, 799}, {5, 5}}) {
        const ReduceFilter f = LanczosReduceFilter(in, out);
        ASSERT_EQ(f.outSize, out);
        ASSERT_GT(f.taps, 0);
        ASSERT_LE(f.taps, in);
        for (int x = 0; x < out; ++x) {
            EXPECT_GE(f.start[x], 0);
            EXPECT_LE(f.start[x] + f.taps, in);
            int sum = 0;
            for (int t = 0; t < f.taps; ++t) sum += f.weights[size_t(x) * f.taps + t];
            EXPECT_EQ(sum, 1 << kReduceShift) << in << "->" << out << " at " << x;
        }
    }
    EXPECT_EQ(LanczosReduceFilter(10, 20).outSize, 0);  // not a reduce
    EXPECT_EQ(LanczosReduceFilter(0, 0).outSize, 0);
}

TEST(RowReduce, MatchesTheFilterWorkedOutDirectly) {
    std::mt19937 rng(7);
    for (int bands = 1; bands <= 4; ++bands) {
        for (auto [in, out, rows] : {std::tuple{1368, 800, 13}, {612, 320, 8}, {2600, 800, 3}, {9, 4, 17}, {4, 1, 2}}) {
            std::vector<uint8_t> src(size_t(in) * bands * rows), dst(size_t(out) * bands * rows, 0xAB);
            // Smooth rows with some hard edges: what photos hold.
            for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t((i / bands) % 97 < 40 ? rng() % 60 : 180 + rng() % 70);
            const ReduceFilter f = LanczosReduceFilter(in, out);
            ReduceRows(src.data(), size_t(in) * bands, dst.data(), size_t(out) * bands, rows, bands, f);
            int worst = 0;
            for (int y = 0; y < rows; ++y) {
                std::vector<uint8_t> row(src.begin() + size_t(y) * in * bands, src.begin() + size_t(y + 1) * in * bands);
                const std::vector<double> ref = Reference(row, bands, out);
                for (size_t k = 0; k < ref.size(); ++k)
                    worst = std::max(worst, int(std::lround(std::fabs(dst[size_t(y) * out * bands + k] - ref[k]))));
            }
            EXPECT_LE(worst, 1) << bands << " bands, " << in << "->" << out;
        }
    }
}

TEST(RowReduce, FlatRowsStayExactlyFlat) {
    for (int bands = 1; bands <= 4; ++bands) {
        const int in = 1001, out = 333, rows = 11;
        std::vector<uint8_t> src(size_t(in) * bands * rows), dst(size_t(out) * bands * rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < in; ++x)
                for (int b = 0; b < bands; ++b) src[(size_t(y) * in + x) * bands + b] = uint8_t(y * 20 + b * 7 + (b == 0 ? 255 - y * 20 : 0));
        ReduceRows(src.data(), size_t(in) * bands, dst.data(), size_t(out) * bands, rows, bands, LanczosReduceFilter(in, out));
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < out; ++x)
                for (int b = 0; b < bands; ++b)
                    ASSERT_EQ(dst[(size_t(y) * out + x) * bands + b], src[size_t(y) * in * bands + b]) << y << "," << x << "," << b;
    }
}

// Rows inside wider buffers, as the image library hands them over: the bytes between rows are
// neither read nor written.
TEST(RowReduce, StaysInsideEachRowOfAWiderBuffer) {
    std::mt19937 rng(11);
    for (int bands = 1; bands <= 4; ++bands) {
        for (auto [in, out, rows] : {std::tuple{1500, 800, 19}, {7, 2, 9}, {2, 1, 8}}) {
            const size_t inRow = size_t(in) * bands, outRow = size_t(out) * bands;
            const size_t inStride = inRow + 5, outStride = outRow + 3;
            std::vector<uint8_t> packed(inRow * rows), padded(inStride * rows);
            for (int y = 0; y < rows; ++y)
                for (size_t i = 0; i < inStride; ++i) {
                    const uint8_t v = uint8_t(rng());
                    padded[size_t(y) * inStride + i] = v;
                    if (i < inRow) packed[size_t(y) * inRow + i] = v;
                }
            std::vector<uint8_t> expected(outRow * rows), got(outStride * rows, 0xEE);
            const ReduceFilter f = LanczosReduceFilter(in, out);
            ReduceRows(packed.data(), inRow, expected.data(), outRow, rows, bands, f);
            ReduceRows(padded.data(), inStride, got.data(), outStride, rows, bands, f);
            for (int y = 0; y < rows; ++y) {
                for (size_t i = 0; i < outRow; ++i)
                    ASSERT_EQ(got[size_t(y) * outStride + i], expected[size_t(y) * outRow + i]) << bands << " bands, row " << y;
                for (size_t i = outRow; i < outStride; ++i)
                    ASSERT_EQ(got[size_t(y) * outStride + i], 0xEE) << bands << " bands, row " << y << " written past its end";
            }
        }
    }
}

// The vector code and the plain loop it stands in for give the same bytes, for every band count.
TEST(RowReduce, VectorCodeAndPlainLoopAgree) {
    std::mt19937 rng(5);
    for (int bands = 1; bands <= 4; ++bands) {
        for (auto [in, out, rows] : {std::tuple{1500, 800, 21}, {612, 320, 8}, {33, 5, 3}, {3, 1, 1}}) {
            std::vector<uint8_t> src(size_t(in) * bands * rows), vec(size_t(out) * bands * rows), plain(vec.size());
            for (uint8_t& v : src) v = uint8_t(rng() % 5 == 0 ? rng() : rng() % 32 + 100);
            const ReduceFilter f = LanczosReduceFilter(in, out);
            ReduceRows(src.data(), size_t(in) * bands, vec.data(), size_t(out) * bands, rows, bands, f);
            AllowVectorRowReduce(false);
            ReduceRows(src.data(), size_t(in) * bands, plain.data(), size_t(out) * bands, rows, bands, f);
            AllowVectorRowReduce(true);
            EXPECT_EQ(vec, plain) << bands << " bands, " << in << "->" << out;
        }
    }
}
