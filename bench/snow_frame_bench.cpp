// Cost of one snow frame with 3000 flakes and a message: the fast frame against the plain one (whole background
// copied, then per flake a pixel read and block transfers), at 1920 x 1080 and 3840 x 2160.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/snow_field.h"
#include "core/snow_reference.h"
#include "snow_bench_scene.h"

namespace nivora::bench {
namespace {

struct Scene {
    std::vector<Pixel> main, desk, text;
    SnowSurfaces surfaces;
    Random random{kBenchSeed};
    SnowField field;

    Scene(int16_t w, int16_t h)
        : main(static_cast<size_t>(w + 10) * static_cast<size_t>(h + 10)),
          desk(main.size()),
          text(static_cast<size_t>(w) * static_cast<size_t>(h))
    {
        surfaces = {{main.data(), w + 10, h + 10, w + 10},
                    {desk.data(), w + 10, h + 10, w + 10},
                    {text.data(), w, h, w}};
        paintDesktop(surfaces.desk, kBenchSeed);
        paintMessage(surfaces.text);
        startField(field, random, w, h);
        field.attachSurfaces(surfaces);
    }
};

void fastFrame(benchmark::State& state)
{
    Scene scene(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    scene.field.DrawSnow();  // the first frame restores the whole picture
    // What a frame sends to the screen, over some frames before the timed ones: rectangles, and their pixels as a
    // share of the picture.
    constexpr int kCounted = 50;
    double rects = 0, pixels = 0;
    for (int i = 0; i < kCounted; ++i) {
        scene.field.DrawSnow();
        rects += static_cast<double>(scene.field.changedRects().size());
        for (const Rect& r : scene.field.changedRects())
            pixels += static_cast<double>(r.right - r.left) * (r.bottom - r.top);
    }
    state.counters["rects"] = rects / kCounted;
    state.counters["sent"] = pixels / kCounted / static_cast<double>(state.range(0) * state.range(1));
    for (auto _ : state) {
        scene.field.DrawSnow();
        benchmark::DoNotOptimize(scene.field.changedRects().data());
    }
}

void plainFrame(benchmark::State& state)
{
    Scene scene(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    RasterDevice device(scene.surfaces);
    for (auto _ : state) {
        drawSnowReference(scene.field, device);
        benchmark::DoNotOptimize(scene.main.data());
    }
}

BENCHMARK(fastFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(plainFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nivora::bench
