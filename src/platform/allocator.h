// How the process's allocator treats picture-sized buffers; set once at start, before any thread.
#pragma once

namespace tavu {

// Pictures come and go in buffers of megabytes: the decoders' and encoders' working stores (tens of
// megabytes for a progressive or Huffman-optimised camera photo), strips, results. Freshly mapped
// memory costs its page faults and zeroing on every picture (a fifth of the CPU time of progressive
// photos), so buffers up to 16 MiB are kept in the heap once freed and reused by the next picture;
// one heap for all threads, so that a buffer freed by one worker serves the next picture whichever
// thread draws it (with a heap per thread, each kept its own and the peak grew). Larger buffers
// (whole camera photos) are still mapped on their own: the allocator's own threshold would rise with
// the largest buffer freed and keep them all.
void ConfigurePictureAllocator();

// For a batch run, which draws picture after picture: buffers up to 64 MiB — a 20 MP photo's
// coefficient store — are kept as well (progressive photos: a tenth less time). The window's
// previews keep to 16 MiB: they draw a picture now and then, and what is kept would stay with the
// window in between.
void KeepRunBuffers();

// Gives the memory kept for pictures back to the system and keeps to 16 MiB again; a batch run
// does so when it ends (the window then shrinks back after each run).
void ReleaseKeptPictureMemory();

}  // namespace tavu
