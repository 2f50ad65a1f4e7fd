// A JPEG file re-encoded from its coefficients, as a picture kept at its own size is.
// Input: three bytes of options, then the file's bytes.
//   0 the stored orientation (1-8)   1 the quality   2 bit 0 progressive, bits 1-2 the subsampling
// What it writes is a JPEG file that the decoder reads back at the turned size.
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "fuzzcheck.h"
#include "imageio/jpegrequantize.h"

using namespace tavu;

namespace {

const std::string& Folder() {
    static const std::string folder = fuzz::ScratchFolder("requantize");
    return folder;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The size the decoder reads from the file's header (0 x 0 when it cannot).
void HeaderSize(const std::string& path, unsigned& width, unsigned& height) {
    width = height = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    jpeg_decompress_struct d{};
    jpeg_error_mgr e{};
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    // Anything wrong with the header ends the program: that is a finding.
    jpeg_read_header(&d, TRUE);
    width = d.image_width;
    height = d.image_height;
    jpeg_destroy_decompress(&d);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::string source = Folder() + "/source.jpg", result = Folder() + "/result.jpg";
    if (!WriteFile(source, data + 3, size - 3)) return 0;
    const int orientation = 1 + data[0] % 8;
    EncodeOptions o;
    o.quality = data[1] % 101;
    o.progressive = data[2] & 1;
    o.subsample = JpegSubsample((data[2] >> 1) % 3);
    if (!RequantizeJpeg(source, result, o, orientation, size_t(32) << 20)) return 0;

    // The source's size, turned where the orientation swaps the sides.
    unsigned w = 0, h = 0, sw = 0, sh = 0;
    HeaderSize(result, w, h);
    HeaderSize(source, sw, sh);
    if (orientation >= 5) std::swap(sw, sh);
    FUZZ_CHECK(w == sw && h == sh && w > 0);
    return 0;
}
