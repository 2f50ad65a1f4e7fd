#include "imageio/testimages.h"

#include <vips/vips8>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "imageio/encode.h"
#include "imageio/vipsinit.h"
#include "raster/bmpwriter.h"

namespace fs = std::filesystem;
using vips::VImage;

namespace tavu::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavuzip-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions a test may have taken away, then remove everything.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code e2;
        if (!it->is_symlink(e2)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, e2);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::mkdir(const std::string& name) const {
    fs::create_directories(file(name));
    return file(name);
}

void WritePicture(const std::string& path, int w, int h, const PixelFn& f, const std::string& options) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.setPixel(x, y, f(x, y));
    if (path.size() > 4 && path.substr(path.size() - 4) == ".bmp") {
        WriteBytes(path, EncodeBmp24(c));
        return;
    }
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    VImage img = VImage::new_from_memory(c.data(), c.byteSize(), w, h, 3, VIPS_FORMAT_UCHAR);
    img.write_to_file((path + options).c_str());
}

void WriteSolid(const std::string& path, int w, int h, Rgb c, const std::string& options) {
    WritePicture(path, w, h, [c](int, int) { return c; }, options);
}

Canvas ReadCanvas(const std::string& path) {
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    VImage img = VImage::new_from_file(path.c_str());
    if (img.bands() == 4) img = img.flatten();
    if (img.bands() == 1) img = VImage::bandjoin({img, img, img});
    img = img.cast(VIPS_FORMAT_UCHAR);
    size_t size = 0;
    void* mem = img.write_to_memory(&size);
    Canvas c = Canvas::Adopt(img.width(), img.height(), static_cast<uint8_t*>(mem), &g_free);
    return c;
}

std::string LoaderOf(const std::string& path) {
    LoadMoreLoaders();  // the tests read every format, whichever comes first
    const char* l = vips_foreign_find_load(path.c_str());
    vips_error_clear();
    return l ? l : "";
}

static uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

static void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    auto be32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
    };
    be32(uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    be32(Crc32(body.data(), body.size()));
}

void WritePngHeaderOnly(const std::string& path, uint32_t w, uint32_t h) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) ihdr.push_back(uint8_t(v >> s));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(out, "IHDR", ihdr);
    PutChunk(out, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    PutChunk(out, "IEND", {});
    WriteBytes(path, out);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Mean MeanColour(const Canvas& c, int x, int y, int w, int h) {
    double r = 0, g = 0, b = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) {
            const Rgb p = c.pixel(xx, yy);
            r += p.r;
            g += p.g;
            b += p.b;
        }
    const double n = double(w) * h;
    return {r / n, g / n, b / n};
}

}  // namespace tavu::test
