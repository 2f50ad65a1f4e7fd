#include "imageio/vipsinit.h"

#include <dlfcn.h>
#include <gmodule.h>
#include <unistd.h>
#include <vips/vips8>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace tavu {

namespace {
bool g_started = false;

// The decoders for the picture formats the program takes; every other one stays shut. The HEIF
// loader reads HEIC, HEIF and AVIF (libheif); ImageMagick is limited to bitmaps (vipsutil.h).
constexpr const char* kOpenLoaders[] = {"VipsForeignLoadJpeg", "VipsForeignLoadPng",  "VipsForeignLoadNsgif",
                                        "VipsForeignLoadTiff", "VipsForeignLoadWebp", "VipsForeignLoadHeif",
                                        "VipsForeignLoadMagick"};

// The library's optional readers are modules in a folder beside it; at start it loads every one
// it finds there, with everything they link (PDF, slide and JPEG XL readers among them): about a
// third of the start of a run. The program reads only HEIF and ImageMagick's bitmaps from them, so
// it starts the library with an empty home and loads those two itself, the first time a file is
// none of the formats the library reads by itself (most runs never need them: about 7 ms of the
// start).
constexpr const char* kWantedModules[] = {"vips-heif.so", "vips-magick.so"};
constexpr const char* kEmptyHome = "/nonexistent/tavuzip-image-library-home";
std::string g_moduleFolder;  // where the two are, when the program loads them itself
std::atomic<bool> g_modulesLoaded{false};

// Only the decoders for the picture formats the program takes; everything else stays shut.
void OpenOnlyOurLoaders() {
    vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* name : kOpenLoaders) vips_operation_block_set(name, FALSE);
}

// Shuts a loader class the modules brought that is not one of the program's. Only such new classes
// are written to: the others may be in use on other threads meanwhile, and unblocking and blocking
// them again would fail a picture opened in between.
void* ShutNewLoader(VipsObjectClass* cls, void*) {
    auto* op = VIPS_OPERATION_CLASS(cls);
    if (!(op->flags & VIPS_OPERATION_BLOCKED) && !IsOpenLoader(G_OBJECT_CLASS_NAME(cls)))
        op->flags = VipsOperationFlags(op->flags | VIPS_OPERATION_BLOCKED);
    return nullptr;
}

void LoadModules() {
    // Each module registers its readers and stays loaded for the life of the program.
    for (const char* name : kWantedModules)
        if (!g_module_open((g_moduleFolder + "/" + name).c_str(), G_MODULE_BIND_LAZY)) vips_error_clear();
    vips_class_map_all(g_type_from_name("VipsForeignLoad"), ShutNewLoader, nullptr);
    g_modulesLoaded.store(true, std::memory_order_release);
}

std::string ModuleFolder() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&vips_init), &info) || !info.dli_fname) return {};
    std::string lib = info.dli_fname;
    const size_t slash = lib.find_last_of('/');
    if (slash == std::string::npos) return {};
    return lib.substr(0, slash) + "/vips-modules-" + std::to_string(VIPS_MAJOR_VERSION) + "." +
           std::to_string(VIPS_MINOR_VERSION);
}

void Start() {
    // Only when the library's home is not chosen by the user and the modules are where they belong.
    const std::string modules = ModuleFolder();
    const bool ownModules = !std::getenv("VIPSHOME") && !modules.empty() &&
                            ::access((modules + "/" + kWantedModules[0]).c_str(), R_OK) == 0;
    if (ownModules) ::setenv("VIPSHOME", kEmptyHome, 1);
    const int started = VIPS_INIT("tavuzip");
    if (ownModules) ::unsetenv("VIPSHOME");  // programs started from here see the usual environment
    if (started != 0) {
        vips_error_clear();
        return;
    }
    if (ownModules) g_moduleFolder = modules;
    else g_modulesLoaded.store(true, std::memory_order_release);  // the library loaded what it found
    // Decoder warnings (a damaged file) become drawing failures of their own; keep stderr quiet.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING,
                      [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    // A file rewritten at the same path must be read again, never served from a cache.
    vips_cache_set_max(0);
    OpenOnlyOurLoaders();
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

bool MoreLoadersLoaded() { return g_modulesLoaded.load(std::memory_order_acquire); }

bool LoadMoreLoaders() {
    if (!EnsureImageIO()) return false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (!MoreLoadersLoaded()) LoadModules();
    });
    return MoreLoadersLoaded();
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
