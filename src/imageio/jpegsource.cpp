#include "imageio/jpegsource.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include <jerror.h>

namespace tavu {

namespace {

constexpr size_t kBufferBytes = size_t(64) << 10;

struct FileSource {
    jpeg_source_mgr pub;  // first: libjpeg sees only this
    int fd;
    JOCTET* buffer;
    bool atStart;
};

void InitSource(j_decompress_ptr d) { reinterpret_cast<FileSource*>(d->src)->atStart = true; }

boolean FillInputBuffer(j_decompress_ptr d) {
    auto* s = reinterpret_cast<FileSource*>(d->src);
    ssize_t n;
    do n = ::read(s->fd, s->buffer, kBufferBytes);
    while (n < 0 && errno == EINTR);
    if (n < 0) ERREXIT(d, JERR_FILE_READ);
    if (n == 0) {
        // The end of the file before the end of the picture: as libjpeg's own reader, warn and end
        // the picture with an EOI marker.
        if (s->atStart) ERREXIT(d, JERR_INPUT_EMPTY);
        WARNMS(d, JWRN_JPEG_EOF);
        s->buffer[0] = 0xFF;
        s->buffer[1] = JPEG_EOI;
        n = 2;
    }
    s->pub.next_input_byte = s->buffer;
    s->pub.bytes_in_buffer = size_t(n);
    s->atStart = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr d, long count) {
    if (count <= 0) return;
    auto* s = reinterpret_cast<FileSource*>(d->src);
    while (count > long(s->pub.bytes_in_buffer)) {
        count -= long(s->pub.bytes_in_buffer);
        FillInputBuffer(d);
    }
    s->pub.next_input_byte += count;
    s->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void UseJpegFileSource(j_decompress_ptr d, int fd) {
    auto* s = static_cast<FileSource*>(
        (*d->mem->alloc_small)(reinterpret_cast<j_common_ptr>(d), JPOOL_PERMANENT, sizeof(FileSource)));
    s->buffer = static_cast<JOCTET*>(
        (*d->mem->alloc_large)(reinterpret_cast<j_common_ptr>(d), JPOOL_PERMANENT, kBufferBytes));
    s->fd = fd;
    s->atStart = true;
    s->pub.init_source = InitSource;
    s->pub.fill_input_buffer = FillInputBuffer;
    s->pub.skip_input_data = SkipInputData;
    s->pub.resync_to_restart = jpeg_resync_to_restart;
    s->pub.term_source = TermSource;
    s->pub.bytes_in_buffer = 0;
    s->pub.next_input_byte = nullptr;
    d->src = &s->pub;
}

}  // namespace tavu
