// What the file-size range costs: for each exam/ID photo rule, the encodes per picture (mean and
// largest) and the time per picture of the size search against one plain encode, and against the
// whole picture (decode, scale, encode).
//
//   build/bench/size_bench [PHOTODIR] [COUNT]     default bench/photos, 20 photos
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/picturerender.h"
#include "imageio/sizesearch.h"

using namespace tavu;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Rule {
    int w, h, minKB, maxKB;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "bench/photos";
    const size_t count = argc > 2 ? size_t(std::stoul(argv[2])) : 20;
    std::vector<std::string> photos;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ".jpg") photos.push_back(e.path().string());
    std::sort(photos.begin(), photos.end());
    if (photos.size() > count) photos.resize(count);
    if (photos.empty()) {
        std::fprintf(stderr, "size_bench: no photos in %s (bench/make_photos.sh %s %zu makes them)\n", dir.c_str(),
                     dir.c_str(), count);
        return 2;
    }
    std::printf("photos: %zu from %s\n", photos.size(), dir.c_str());
    std::printf("%-22s %8s %8s %10s %10s %8s %12s %12s %7s %7s\n", "rule", "enc mean", "enc max", "search ms",
                "1 enc ms", "ratio", "picture ms", "plain pic ms", "padded", "ok");

    const Rule rules[] = {{295, 413, 20, 50}, {150, 200, 100, 200}, {360, 480, 10, 50}, {144, 192, 20, 200}};
    for (const Rule& r : rules) {
        RenderSettings s;
        s.sizeMode = 3;
        s.widthText = std::to_string(r.w);
        s.heightText = std::to_string(r.h);
        s.cropToFill = 1;
        JpegSizeOptions o = MakeJpegSizeOptions(SizeTarget{r.minKB, r.maxKB}, 100, true, false, 300);
        int encodes = 0, maxEncodes = 0, padded = 0, ok = 0;
        double searchMs = 0, plainMs = 0, renderMs = 0;
        for (const std::string& p : photos) {
            Canvas c;
            const auto t0 = Clock::now();
            if (!RenderPicture(c, p, s).ok()) continue;
            const auto t1 = Clock::now();
            std::vector<uint8_t> plain;
            EncodeJpegToMemory(c, 100, false, 300, plain);
            const auto t2 = Clock::now();
            const JpegSizeResult res = FindJpegForSize(c, o);
            const auto t3 = Clock::now();
            renderMs += Ms(t1 - t0);
            plainMs += Ms(t2 - t1);
            searchMs += Ms(t3 - t2);
            encodes += res.encodes;
            maxEncodes = std::max(maxEncodes, res.encodes);
            padded += res.padded ? 1 : 0;
            ok += res.ok ? 1 : 0;
        }
        const double n = double(photos.size());
        char name[64];
        std::snprintf(name, sizeof name, "%dx%d %d-%d KB", r.w, r.h, r.minKB, r.maxKB);
        std::printf("%-22s %8.2f %8d %10.2f %10.2f %8.1f %12.1f %12.1f %7d %4d/%zu\n", name, encodes / n, maxEncodes,
                    searchMs / n, plainMs / n, searchMs / std::max(plainMs, 1e-9), (renderMs + searchMs) / n,
                    (renderMs + plainMs) / n, padded, ok, photos.size());
    }
    return 0;
}
