// Snow frames on Windows: the plain frame on real GDI memory DCs over DIB sections (whole background BitBlt, then
// per flake GetPixel and two BitBlt) against the fast frame on the same kind of DIB pixels, 3000 flakes, at
// 1920 x 1080 and 3840 x 2160, and at 3840 x 2160 at 200 %, in the thread's processor time. Also checks that both
// give the same pixels. Ends with the ratios.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_reference.h"
#include "snow_bench_scene.h"
#include "win32/dib.h"

namespace nivora::bench {
namespace {

struct Dib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Surface surface;

    Dib(HDC screen, int32_t w, int32_t h)
    {
        const BITMAPINFO info = topDownDibInfo(w, h);
        void* bits = nullptr;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(screen);
        previous = SelectObject(dc, bitmap);
        surface = {static_cast<Pixel*>(bits), w, h, w};
    }
    ~Dib()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
};

// The five pictures of the snow window as GDI device contexts.
struct GdiScene {
    FlakeSprites sprites;  // picChar and picChar2 at the display scale
    Dib main, desk, text, sprite, mask;
    Random random{kBenchSeed};
    SnowField field;

    GdiScene(HDC screen, int16_t w, int16_t h, double scale)
        : sprites(scale),
          main(screen, w + 10, h + 10),
          desk(screen, w + 10, h + 10),
          text(screen, w, h),
          sprite(screen, sprites.stripWidth(), sprites.cellSize()),
          mask(screen, sprites.stripWidth(), sprites.cellSize())
    {
        paintDesktop(desk.surface, kBenchSeed);
        paintMessage(text.surface, scale);
        const size_t stripBytes = static_cast<size_t>(sprites.stripWidth()) * sprites.cellSize() * sizeof(Pixel);
        std::memcpy(sprite.surface.pixels, sprites.sprite().pixels, stripBytes);
        std::memcpy(mask.surface.pixels, sprites.mask().pixels, stripBytes);
        GdiFlush();
        startField(field, random, w, h, scale);
    }
    SnowSurfaces surfaces() const { return {main.surface, desk.surface, text.surface}; }
};

class GdiDevice {
public:
    explicit GdiDevice(GdiScene& s) : dcs_{s.main.dc, s.desk.dc, s.text.dc, s.sprite.dc, s.mask.dc} {}

    void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, SnowPicture src, int32_t sx, int32_t sy,
                Rop rop) const
    {
        BitBlt(dc(dst), x, y, w, h, dc(src), sx, sy, static_cast<DWORD>(rop));
    }
    void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop) const
    {
        BitBlt(dc(dst), x, y, w, h, nullptr, 0, 0, static_cast<DWORD>(rop));
    }
    ColorRef getPixel(SnowPicture src, int32_t x, int32_t y) const { return GetPixel(dc(src), x, y); }

private:
    HDC dc(SnowPicture p) const { return dcs_[static_cast<int>(p)]; }
    HDC dcs_[5];
};

// The time this thread has run, in seconds. Frames are timed by it rather than by the clock on the wall: on a
// machine shared with other work the wall clock also counts the time the thread waited for a processor.
double threadSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 1e-7;  // 100 ns ticks
}

// Compares the GDI scene `a` with the fast one `b`; prints the first difference, if any.
bool samePictures(const GdiScene& a, const GdiScene& b)
{
    const struct {
        const char* name;
        Surface x, y;
    } pictures[] = {{"picMain", a.main.surface, b.main.surface}, {"PicDesk", a.desk.surface, b.desk.surface}};
    for (const auto& p : pictures) {
        for (int32_t y = 0; y < p.x.height; ++y) {
            for (int32_t x = 0; x < p.x.width; ++x) {
                if (p.x.at(x, y) != p.y.at(x, y)) {
                    std::printf("%s differs at (%d, %d): GDI %08lx, fast %08lx\n", p.name, static_cast<int>(x),
                                static_cast<int>(y), static_cast<unsigned long>(p.x.at(x, y)),
                                static_cast<unsigned long>(p.y.at(x, y)));
                    return false;
                }
            }
        }
    }
    // The fast frames keep the text mask to themselves and leave PicText alone.
    for (int32_t y = 0; y < a.text.surface.height; ++y) {
        for (int32_t x = 0; x < a.text.surface.width; ++x) {
            if (isExactWhite(a.text.surface.at(x, y)) != b.field.textMask().catches(x, y)) {
                std::printf("text mask differs at (%d, %d)\n", static_cast<int>(x), static_cast<int>(y));
                return false;
            }
        }
    }
    for (size_t i = 0; i < a.field.flakes.size(); ++i) {
        if (std::memcmp(&a.field.flakes[i], &b.field.flakes[i], sizeof(Flake)) != 0) {
            std::printf("flake %u differs: GDI (%.9g, %.9g), fast (%.9g, %.9g)\n", static_cast<unsigned>(i),
                        static_cast<double>(a.field.flakes[i].x), static_cast<double>(a.field.flakes[i].y),
                        static_cast<double>(b.field.flakes[i].x), static_cast<double>(b.field.flakes[i].y));
            return false;
        }
    }
    return true;
}

struct Timing {
    double plainFrame;  // seconds per frame
    double fastFrame;
    double plainWall;  // the same by the wall clock, for comparison
    double fastWall;
    bool same;
};

Timing measure(HDC screen, int16_t w, int16_t h, double scale, int plainFrames, int fastFrames)
{
    GdiScene plain(screen, w, h, scale);
    GdiScene fast(screen, w, h, scale);
    fast.field.attachSurfaces(fast.surfaces());
    GdiDevice device(plain);

    LARGE_INTEGER w0, w1, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&w0);
    double t0 = threadSeconds();
    for (int i = 0; i < plainFrames; ++i)
        drawSnowReference(plain.field, device);
    GdiFlush();
    const double plainTime = (threadSeconds() - t0) / plainFrames;
    QueryPerformanceCounter(&w1);
    const double plainWall = static_cast<double>(w1.QuadPart - w0.QuadPart) / static_cast<double>(frequency.QuadPart) /
                             plainFrames;

    // The same frames on the fast path must leave the same pixels; then more of them for a steadier time.
    t0 = threadSeconds();
    for (int i = 0; i < plainFrames; ++i)
        fast.field.DrawSnow();
    double fastTime = threadSeconds() - t0;
    const bool same = samePictures(plain, fast);
    QueryPerformanceCounter(&w0);
    t0 = threadSeconds();
    for (int i = 0; i < fastFrames; ++i)
        fast.field.DrawSnow();
    fastTime = (fastTime + threadSeconds() - t0) / (plainFrames + fastFrames);
    QueryPerformanceCounter(&w1);
    const double fastWall = static_cast<double>(w1.QuadPart - w0.QuadPart) / static_cast<double>(frequency.QuadPart) /
                            fastFrames;
    return {plainTime, fastTime, plainWall, fastWall, same};
}

}  // namespace
}  // namespace nivora::bench

int main()
{
    using namespace nivora::bench;
    HDC screen = GetDC(nullptr);
    const Timing hd = measure(screen, 1920, 1080, 1.0, 200, 2000);
    const Timing uhd = measure(screen, 3840, 2160, 1.0, 100, 2000);
    const Timing uhd200 = measure(screen, 3840, 2160, 2.0, 100, 2000);
    for (const auto& [name, t] :
         {std::pair{"1920x1080", hd}, std::pair{"3840x2160", uhd}, std::pair{"3840x2160 at 200 %", uhd200}}) {
        std::printf("%s: plain GDI frame %.3f ms, fast frame %.3f ms (wall clock %.3f and %.3f), same pixels: %s\n",
                    name, t.plainFrame * 1e3, t.fastFrame * 1e3, t.plainWall * 1e3, t.fastWall * 1e3,
                    t.same ? "yes" : "NO");
    }
    ReleaseDC(nullptr, screen);
    std::printf("frame_ratio_literal_over_fast_1080p: %.2f\n", hd.plainFrame / hd.fastFrame);
    std::printf("frame_ratio_fast_4k_over_1080p: %.2f\n", uhd.fastFrame / hd.fastFrame);
    std::printf("frame_ratio_fast_4k200_over_4k100: %.2f\n", uhd200.fastFrame / uhd.fastFrame);
    std::fflush(stdout);
    return hd.same && uhd.same && uhd200.same ? 0 : 1;
}
