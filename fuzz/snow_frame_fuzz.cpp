// Fuzzes the snow frames: flakes in any state (far outside the picture, every kind and speed) in any wind from
// -30 to +30 (or, at the start, far beyond), full screen and in the preview box, on small pictures held in heap
// blocks of exactly their size.
// After every frame the fast frame's pictures, text mask and flakes must equal those of the reference frame.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <memory>

#include "core/snow/random.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_reference.h"
#include "fuzz_support.h"

using namespace nivora;

namespace {

// A picture in a heap block of exactly width x height pixels.
struct Picture {
    int32_t width = 0, height = 0;
    std::unique_ptr<Pixel[]> pixels;

    Picture(int32_t w, int32_t h) : width(w), height(h), pixels(new Pixel[static_cast<size_t>(w) * h]) {}
    size_t size() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
    Surface view() const { return {pixels.get(), width, height, width}; }
    Picture copy() const
    {
        Picture p(width, height);
        std::memcpy(p.pixels.get(), pixels.get(), size() * sizeof(Pixel));
        return p;
    }
};

struct Run {
    Random random;
    SnowField field;
    Picture main, desk, text;

    Run(uint64_t seed, const Picture& m, const Picture& d, const Picture& t)
        : random(seed), main(m.copy()), desk(d.copy()), text(t.copy())
    {}
};

// Any flake position: near the picture, far beyond it, or anywhere a single can be.
float position(FuzzedDataProvider& in, int32_t extent)
{
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        return in.PickValueInArray({-FLT_MAX, FLT_MAX, -1e30f, 1e30f, -3e9f, 3e9f, -2147483648.0f, 2147483520.0f, -1e6f,
                                    1e6f, -0.5f, 0.5f, -30.5f, -5.5f});
    case 1: {
        const float f = in.ConsumeFloatingPoint<float>();
        return std::isfinite(f) ? f : 0.0f;
    }
    default:
        return in.ConsumeFloatingPointInRange<float>(-40.0f, static_cast<float>(extent) + 40.0f);
    }
}

void checkSame(const Picture& fast, const Picture& plain, const char* what, int frame)
{
    for (size_t i = 0; i < fast.size(); ++i)
        FUZZ_CHECK(fast.pixels[i] == plain.pixels[i], "%s differs in frame %d at (%d, %d): %08x instead of %08x", what,
                   frame, static_cast<int>(i % static_cast<size_t>(fast.width)),
                   static_cast<int>(i / static_cast<size_t>(fast.width)), fast.pixels[i], plain.pixels[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    SnowArea area;
    area.mode = in.ConsumeBool() ? SnowMode::Preview : SnowMode::FullScreen;
    area.drawWidth = in.ConsumeIntegralInRange<int16_t>(0, 40);
    area.drawHeight = in.ConsumeIntegralInRange<int16_t>(0, 40);
    area.previewScaleY = in.ConsumeBool() ? 112.0f / 768.0f : in.ConsumeFloatingPointInRange<float>(0.01f, 2.0f);
    const uint64_t seed = in.ConsumeIntegral<uint64_t>();
    area.scale = in.ConsumeBool() ? 1.0 : in.ConsumeFloatingPointInRange<double>(0.5, 6.0);  // held to 1 ... 5

    // The text mask: exactly white catches, with the unused byte set or not; nearly white and black never do.
    Picture text(area.drawWidth, area.drawHeight);
    const Pixel inks[] = {kWhitePixel, 0xFFFFFFFFu, 0x00FEFFFFu, kBlackPixel};
    const uint8_t density = in.ConsumeIntegral<uint8_t>();
    Random pattern(seed ^ 0x7e47);
    for (size_t i = 0; i < text.size(); ++i)
        text.pixels[i] = (pattern.nextBits() & 0xFF) < density ? inks[pattern.nextBits() % 3] : kBlackPixel;
    Picture desk(area.drawWidth + 10, area.drawHeight + 10), main(area.drawWidth + 10, area.drawHeight + 10);
    for (size_t i = 0; i < desk.size(); ++i) {
        desk.pixels[i] = pattern.nextBits();
        main.pixels[i] = pattern.nextBits();  // whatever the window's picture held before
    }

    Run fast(seed, main, desk, text);
    Run plain(seed, main, desk, text);
    SnowSettings settings;
    settings.precipitation = in.ConsumeIntegralInRange<int16_t>(0, 1);
    settings.velocity = in.ConsumeFloatingPointInRange<float>(0.0f, 12.0f);
    for (Run* run : {&fast, &plain})
        run->field.InitData(settings, area, run->random);

    // Flakes in any state: every one starts from the input while it lasts.
    // The wind: -30..+30 as the program makes it, or, from a hand-edited wind option near the single's limit,
    // a start far beyond that (even infinite) until the automatic wind brings it back.
    const float wind = in.ConsumeIntegralInRange<int>(0, 15) == 0
                           ? in.PickValueInArray({INFINITY, -INFINITY, FLT_MAX, -FLT_MAX, 1e30f, -1e30f, 32767.0f})
                           : in.ConsumeFloatingPointInRange<float>(-30.0f, 30.0f);
    for (size_t i = 0; i < fast.field.flakes.size() && in.remaining_bytes() > 0; ++i) {
        Flake f;
        f.x = position(in, area.drawWidth);
        f.y = position(in, area.drawHeight);
        f.size = in.ConsumeIntegralInRange<int32_t>(0, kFlakeKinds - 1);
        f.speed = in.ConsumeBool() ? static_cast<float>(in.ConsumeIntegralInRange<int>(1, 4))
                                   : in.ConsumeFloatingPointInRange<float>(0.0f, 6.0f);
        f.spriteX = f.size * fast.field.sprites().cellSize();
        fast.field.flakes[i] = f;
        plain.field.flakes[i] = f;
    }
    fast.field.velocity = plain.field.velocity = wind;

    fast.field.attachSurfaces({fast.main.view(), fast.desk.view(), fast.text.view()});
    fast.text.pixels.reset();  // the fast frames never touch PicText once its mask is taken
    plain.field.attachSurfaces({plain.main.view(), plain.desk.view(), plain.text.view()});
    RasterDevice device(SnowSurfaces{plain.main.view(), plain.desk.view(), plain.text.view()}, plain.field.sprites());

    const int frames = in.ConsumeIntegralInRange<int>(1, 8);
    for (int frame = 0; frame < frames; ++frame) {
        if (frame > 0 && in.ConsumeBool())  // the automatic wind changes it between frames
            fast.field.velocity = plain.field.velocity = in.ConsumeFloatingPointInRange<float>(-30.0f, 30.0f);
        fast.field.DrawSnow();
        drawSnowReference(plain.field, device);

        checkSame(fast.main, plain.main, "picMain", frame);
        checkSame(fast.desk, plain.desk, "PicDesk", frame);
        for (int32_t y = 0; y < text.height; ++y)
            for (int32_t x = 0; x < text.width; ++x)
                FUZZ_CHECK(fast.field.textMask().catches(x, y) == isExactWhite(plain.text.view().at(x, y)),
                           "text mask wrong at (%d, %d) in frame %d", static_cast<int>(x), static_cast<int>(y), frame);
        for (size_t i = 0; i < fast.field.flakes.size(); ++i) {
            const Flake& a = fast.field.flakes[i];
            const Flake& b = plain.field.flakes[i];
            FUZZ_CHECK(std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0,
                       "flake %zu in frame %d at (%a, %a) instead of (%a, %a)", i, frame, static_cast<double>(a.x),
                       static_cast<double>(a.y), static_cast<double>(b.x), static_cast<double>(b.y));
        }
        // The changed rectangles lie within the drawing area.
        for (const Rect& r : fast.field.changedRects())
            FUZZ_CHECK(r.left >= 0 && r.top >= 0 && r.right <= area.drawWidth && r.bottom <= area.drawHeight &&
                           r.left < r.right && r.top < r.bottom,
                       "changed rectangle (%d, %d, %d, %d) outside %dx%d", r.left, r.top, r.right, r.bottom,
                       area.drawWidth, area.drawHeight);
    }
    return 0;
}
