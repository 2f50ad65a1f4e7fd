// Throughput of the CDIB operations on a 12 MP bitmap (4000 x 3000), one core.
// Bytes processed are the bitmap's pixel store per call.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "raster/canvas.h"
#include "raster/cdib.h"
#include "raster/effects.h"

namespace {

using tavu::CDIB;

constexpr int kWidth = 4000, kHeight = 3000;

// A photo-like noise picture, made once; every benchmark starts from a fresh copy of it.
const std::vector<uint8_t>& Source() {
    static const std::vector<uint8_t> bytes = [] {
        CDIB d;
        d.Create(kWidth, kHeight);
        std::vector<uint8_t> b(size_t(d.RGBSize()));
        std::mt19937 rng(12345);
        for (auto& v : b) v = uint8_t(rng());
        return b;
    }();
    return bytes;
}

CDIB Fresh() {
    CDIB d;
    d.Create(kWidth, kHeight);
    std::memcpy(d.MapArray().bytes.data(), Source().data(), Source().size());
    return d;
}

template <class Op>
void Run(benchmark::State& state, Op op) {
    CDIB d = Fresh();
    for (auto _ : state) {
        op(d);
        benchmark::DoNotOptimize(d.MapArray().bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * d.RGBSize());
}

// Point operations.
void BM_ShiftColors(benchmark::State& s) { Run(s, [](CDIB& d) { d.ShiftColors(10, -20, 30); }); }
void BM_ShiftColorsEx(benchmark::State& s) { Run(s, [](CDIB& d) { d.ShiftColorsEx(10, -20, 30, 0x808080); }); }
void BM_ExchangeRGB(benchmark::State& s) { Run(s, [](CDIB& d) { d.ExchangeRGB(1); }); }
void BM_Greyscale(benchmark::State& s) { Run(s, [](CDIB& d) { d.Greyscale(); }); }
void BM_InvertColors(benchmark::State& s) { Run(s, [](CDIB& d) { d.InvertColors(); }); }
void BM_Monochrome(benchmark::State& s) { Run(s, [](CDIB& d) { d.Monochrome(128); }); }
void BM_Flame(benchmark::State& s) { Run(s, [](CDIB& d) { d.Flame(); }); }
void BM_Freeze(benchmark::State& s) { Run(s, [](CDIB& d) { d.Freeze(true); }); }
void BM_Brown(benchmark::State& s) { Run(s, [](CDIB& d) { d.Brown(); }); }
void BM_Aqua(benchmark::State& s) { Run(s, [](CDIB& d) { d.Aqua(); }); }
void BM_NightShade(benchmark::State& s) { Run(s, [](CDIB& d) { d.NightShade(); }); }
void BM_PurpleStain(benchmark::State& s) { Run(s, [](CDIB& d) { d.PurpleStain(); }); }
void BM_Spooky(benchmark::State& s) { Run(s, [](CDIB& d) { d.Spooky(); }); }
void BM_Psycho(benchmark::State& s) { Run(s, [](CDIB& d) { d.Psycho(); }); }
void BM_ScanLines(benchmark::State& s) { Run(s, [](CDIB& d) { d.ScanLines(50); }); }
BENCHMARK(BM_ShiftColors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShiftColorsEx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExchangeRGB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Greyscale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertColors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Monochrome)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Freeze)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Brown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Aqua)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NightShade)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PurpleStain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spooky)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Psycho)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanLines)->Unit(benchmark::kMillisecond);

// Neighbour filters.
void BM_FastBlur(benchmark::State& s) { Run(s, [](CDIB& d) { d.FastBlur(); }); }
void BM_DynamicBlurAll(benchmark::State& s) { Run(s, [](CDIB& d) { d.DynamicBlur(255, 100); }); }
void BM_DynamicBlurCross(benchmark::State& s) { Run(s, [](CDIB& d) { d.DynamicBlur(0x5A, 40); }); }
void BM_Sharpen(benchmark::State& s) { Run(s, [](CDIB& d) { d.Sharpen(); }); }
void BM_Emboss(benchmark::State& s) { Run(s, [](CDIB& d) { d.MakeEmboss(100, false, false); }); }
void BM_EmbossExtendedGrey(benchmark::State& s) { Run(s, [](CDIB& d) { d.MakeEmboss(128, true, true); }); }
BENCHMARK(BM_FastBlur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DynamicBlurAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DynamicBlurCross)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Emboss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmbossExtendedGrey)->Unit(benchmark::kMillisecond);

// Blending and geometry.
void BM_AlphaBlend(benchmark::State& s) {
    CDIB other = Fresh();
    other.InvertColors();
    Run(s, [&](CDIB& d) { d.AlphaBlend(other, 0, 0, 40, -1); });
}
void BM_FlipHorZ(benchmark::State& s) { Run(s, [](CDIB& d) { d.FlipHorZ(); }); }
void BM_FlipVert(benchmark::State& s) { Run(s, [](CDIB& d) { d.FlipVert(); }); }
void BM_FastRot(benchmark::State& s) { Run(s, [](CDIB& d) { d.FastRot(); }); }
void BM_RotatePic(benchmark::State& s) { Run(s, [](CDIB& d) { d.RotatePic(); }); }
BENCHMARK(BM_AlphaBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipVert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastRot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotatePic)->Unit(benchmark::kMillisecond);

// The canvas round trip of ApplyTurnAndEffect (canvas -> bitmap -> canvas) and a whole step.
void BM_CanvasRoundTrip(benchmark::State& s) {
    const CDIB src = Fresh();
    const tavu::Canvas canvas = src.ToCanvas();
    CDIB d;
    for (auto _ : s) {
        d.Clone(canvas, true);
        tavu::Canvas back = d.ToCanvas();
        benchmark::DoNotOptimize(back.data());
    }
    s.SetBytesProcessed(int64_t(s.iterations()) * src.RGBSize());
}
void BM_TurnAndEffect(benchmark::State& s) {
    tavu::Canvas canvas = Fresh().ToCanvas();
    for (auto _ : s) {
        tavu::ApplyTurnAndEffect(canvas, tavu::kTurnClockwise, 0, 0);
        benchmark::DoNotOptimize(canvas.data());
    }
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(canvas.byteSize()));
}
BENCHMARK(BM_CanvasRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnAndEffect)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
