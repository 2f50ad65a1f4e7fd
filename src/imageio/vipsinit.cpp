#include "imageio/vipsinit.h"

#include <vips/vips8>

#include <cstring>
#include <mutex>
#include <string_view>

namespace tavu {

namespace {
bool g_started = false;

// The decoders for the picture formats the program takes; every other one stays shut. The HEIF
// loader reads HEIC, HEIF and AVIF (libheif); ImageMagick is limited to bitmaps (vipsutil.h).
constexpr const char* kOpenLoaders[] = {"VipsForeignLoadJpeg", "VipsForeignLoadPng",  "VipsForeignLoadNsgif",
                                        "VipsForeignLoadTiff", "VipsForeignLoadWebp", "VipsForeignLoadHeif",
                                        "VipsForeignLoadMagick"};

void Start() {
    if (VIPS_INIT("tavuzip") != 0) {
        vips_error_clear();
        return;
    }
    // Decoder warnings (a damaged file) become drawing failures of their own; keep stderr quiet.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING,
                      [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    // A file rewritten at the same path must be read again, never served from a cache.
    vips_cache_set_max(0);
    // Only the decoders for the picture formats the program takes; everything else stays shut.
    vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* name : kOpenLoaders) vips_operation_block_set(name, FALSE);
    g_started = true;
}
}  // namespace

bool IsOpenLoader(const char* name) {
    if (!name) return false;
    const std::string_view n(name);
    for (const char* open : kOpenLoaders)
        if (n.substr(0, std::strlen(open)) == open) return true;
    return false;
}

bool EnsureImageIO() {
    static std::once_flag once;
    std::call_once(once, Start);
    return g_started;
}

void SetImageIOThreads(int threads) {
    if (!EnsureImageIO()) return;
    vips_concurrency_set(threads < 1 ? 1 : threads);
}

int ImageIOThreads() {
    if (!EnsureImageIO()) return 1;
    return vips_concurrency_get();
}

std::string ImageIOVersion() { return vips_version_string(); }

}  // namespace tavu
