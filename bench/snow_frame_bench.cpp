// Cost of one snow frame with 3000 flakes and a message: the fast frame, with warm and with cold caches, against the
// plain one (whole background copied, then per flake a pixel read and block transfers), at 1920 x 1080 and
// 3840 x 2160; and the fast frame on a 4K monitor at 200 % against the same at 100 %.
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

#include "core/snow/snow_field.h"
#include "core/snow/snow_reference.h"
#include "snow_bench_scene.h"

namespace nivora::bench {
namespace {

struct Scene {
    std::vector<Pixel> main, desk, text;
    SnowSurfaces surfaces;
    Random random{kBenchSeed};
    SnowField field;

    Scene(int16_t w, int16_t h, double scale = 1.0)
        : main(static_cast<size_t>(w + 10) * static_cast<size_t>(h + 10)),
          desk(main.size()),
          text(static_cast<size_t>(w) * static_cast<size_t>(h))
    {
        surfaces = {{main.data(), w + 10, h + 10, w + 10},
                    {desk.data(), w + 10, h + 10, w + 10},
                    {text.data(), w, h, w}};
        paintDesktop(surfaces.desk, kBenchSeed);
        paintMessage(surfaces.text, scale);
        startField(field, random, w, h, scale);
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

// The fast frame as a running saver makes it: 20 ms apart, with the X server or the compositor having gone through
// tens of megabytes of its own in between, so that what the frame reads is no longer in the caches. Each timed
// frame follows a pass over 64 MB that writes one word of every cache line.
void fastFrameCold(benchmark::State& state)
{
    Scene scene(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    scene.field.DrawSnow();
    std::vector<uint64_t> elsewhere((size_t{64} << 20) / sizeof(uint64_t));
    constexpr size_t kWordsPerLine = 64 / sizeof(uint64_t);
    uint64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < elsewhere.size(); i += kWordsPerLine)
            elsewhere[i] += frames;
        state.ResumeTiming();
        scene.field.DrawSnow();
        ++frames;
    }
    benchmark::DoNotOptimize(elsewhere.data());
}

void plainFrame(benchmark::State& state)
{
    Scene scene(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    RasterDevice device(scene.surfaces, scene.field.sprites());
    for (auto _ : state) {
        drawSnowReference(scene.field, device);
        benchmark::DoNotOptimize(scene.main.data());
    }
}

// Frames at 3840 x 2160 at 200 % and at 100 % in turn, so that both see the same machine; the counter is the ratio
// of their times. Each flake has four times the pixels at 200 %, and the same number of flakes fall.
void frame_ratio_fast_4k200_over_4k100(benchmark::State& state)
{
    Scene at200(3840, 2160, 2.0);
    Scene at100(3840, 2160, 1.0);
    at200.field.DrawSnow();  // the first frames restore the whole pictures
    at100.field.DrawSnow();
    // In the thread's processor time: the machine is shared, and the wall clock also counts waits for a processor.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    double time200 = 0, time100 = 0;
    for (auto _ : state) {
        const double t0 = now();
        at200.field.DrawSnow();
        const double t1 = now();
        at100.field.DrawSnow();
        const double t2 = now();
        time200 += t1 - t0;
        time100 += t2 - t1;
        benchmark::DoNotOptimize(at200.field.changedRects().data());
        benchmark::DoNotOptimize(at100.field.changedRects().data());
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["ms_4k200"] = time200 * 1e3 / iterations;
    state.counters["ms_4k100"] = time100 * 1e3 / iterations;
    state.counters["ratio"] = time200 / time100;
}

BENCHMARK(fastFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(fastFrameCold)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(plainFrame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
BENCHMARK(frame_ratio_fast_4k200_over_4k100)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nivora::bench
