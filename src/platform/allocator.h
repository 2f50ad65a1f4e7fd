// How the process's allocator treats picture-sized buffers; set once at start, before any thread.
#pragma once

namespace tavu {

// Pictures come and go in buffers of megabytes: the decoders' and encoders' working stores (tens of
// megabytes for a progressive or Huffman-optimised camera photo), strips, results. Freshly mapped
// memory costs its page faults and zeroing on every picture (a fifth of the CPU time of progressive
// photos), so buffers up to 64 MiB — a 20 MP photo's coefficients — are kept in the heap once freed
// and reused by the next picture; one heap for all threads, so that a buffer freed by one worker
// serves the next picture whichever thread draws it (with a heap per thread, each kept its own and
// the peak grew). Larger buffers (whole camera photos at their own size) are still mapped on their
// own: the allocator's own threshold would rise with the largest buffer freed and keep them all. A
// batch run gives the kept memory back when it ends.
void ConfigurePictureAllocator();

// Gives the memory kept for pictures back to the system; a batch run does so when it ends (the
// window then shrinks back after each run).
void ReleaseKeptPictureMemory();

}  // namespace tavu
