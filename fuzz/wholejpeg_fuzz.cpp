// A JPEG file decoded whole into memory by libjpeg, as the drawing does for the plain kind, against the
// library's own reader. Input: one byte (bits 0-1: the scale 1, 1/2, 1/4, 1/8), then the file's bytes.
// Whatever that decoder takes, the library's reader reads too, to the same pixels.
#include <cstdio>
#include <cstring>
#include <string>

#include <vips/vips8>

#include "fuzzcheck.h"
#include "imageio/vipsinit.h"
#include "imageio/wholejpeg.h"

using namespace tavu;
using vips::VImage;

namespace {

const std::string& Path() {
    static const std::string path = [] {
        SetImageIOThreads(1);
        return fuzz::ScratchFolder("wholejpeg") + "/picture.jpg";
    }();
    return path;
}

constexpr size_t kBudget = size_t(16) << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string& path = Path();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
    const int shrink = 1 << (data[0] & 3);

    VImage header;
    try {
        header = VImage::new_from_file(path.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        const char* loader = nullptr;
        if (vips_image_get_string(header.get_image(), VIPS_META_LOADER, &loader) != 0 || !loader ||
            std::string(loader) != "jpegload")
            return 0;
    } catch (const vips::VError&) {
        vips_error_clear();
        return 0;
    }
    VImage whole;
    if (!LoadWholeJpeg(path, shrink, header.width(), header.height(), kBudget, whole)) return 0;

    size_t n = 0, m = 0;
    void* ours = whole.write_to_memory(&n);
    void* theirs = nullptr;
    try {
        theirs = VImage::new_from_file(path.c_str(), VImage::option()
                                                        ->set("shrink", shrink)
                                                        ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                                        ->set("fail_on", VIPS_FAIL_ON_TRUNCATED))
                     .write_to_memory(&m);
    } catch (const vips::VError&) {
        vips_error_clear();
    }
    FUZZ_CHECK(theirs != nullptr);
    FUZZ_CHECK(n == m && std::memcmp(ours, theirs, n) == 0);
    g_free(ours);
    g_free(theirs);
    return 0;
}
