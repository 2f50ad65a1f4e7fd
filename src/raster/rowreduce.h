// Reducing the rows of an 8-bit picture to fewer pixels with a Lanczos-3 filter: the horizontal
// half of a picture's reduce, several rows at once so that the compiler's vector instructions
// carry the sums (the image library's own horizontal reduce works a sample at a time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavu {

// The filter for reducing `inSize` samples to `outSize` (outSize <= inSize): output sample x is
// the weighted sum of `taps` inputs from start[x] on, weights in fixed point summing to exactly
// 1 << kReduceShift. Samples beyond the edges repeat the edge sample.
struct ReduceFilter {
    int inSize = 0, outSize = 0, taps = 0;
    std::vector<int> start;         // outSize entries
    std::vector<int16_t> weights;   // outSize * taps entries
};
inline constexpr int kReduceShift = 14;

ReduceFilter LanczosReduceFilter(int inSize, int outSize);

// Reduces `rows` rows of `bands` (1 to 4) interleaved 8-bit channels with `filter`: each row of
// in holds filter.inSize pixels, each row of out filter.outSize. Strides are in bytes.
void ReduceRows(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int rows, int bands,
                const ReduceFilter& filter);

// Whether ReduceRows may use the processor's vector instructions where it has them (the default);
// off, it takes the plain loop, which gives the same bytes. For checking the one against the other.
void AllowVectorRowReduce(bool allowed);

}  // namespace tavu
