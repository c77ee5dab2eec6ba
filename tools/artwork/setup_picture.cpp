// Drawing of the setup's page picture. Every position is in pixels of the 100 % picture and scaled once when drawn,
// so the larger pictures are the same drawing at a finer grain, not an enlargement.
#include "setup_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace nivora::artwork {
namespace {

constexpr int kWidth = 164;  // MUI's wizard picture at 96 dpi
constexpr int kHeight = 314;
constexpr std::int32_t kPercents[] = {100, 125, 150, 200};

// The desktop is shown as the saver shows it: dimmed, so the snow stands out.
constexpr double kDesktopBrightness = 0.42;
constexpr Rgb kWallpaperTop{30, 60, 110};  // the dusk wallpaper of the README's desktop
constexpr Rgb kWallpaperBottom{93, 111, 195};
constexpr Rgb kSnow{255, 255, 255};
constexpr Rgb kDriftShade{206, 218, 242};  // deep in the drift, away from its lit top

constexpr std::u32string_view kName = U"Nivora";

Rgb mix(Rgb a, Rgb b, double t)
{
    auto channel = [t](int x, int y) { return static_cast<std::uint8_t>(std::lround(x + (y - x) * t)); };
    return Rgb{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

Rgb dimmed(Rgb c)
{
    return mix(Rgb{}, c, kDesktopBrightness);
}

// Small deterministic generator for the flakes' places, so every run draws the same snow.
class Flakes {
public:
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 4294967296.0;
    }

private:
    std::uint32_t state_ = 0x6e69766fu;
};

struct Box {
    double left, top, right, bottom;  // in 100 % pixels
    bool contains(double x, double y, double margin) const
    {
        return x > left - margin && x < right + margin && y > top - margin && y < bottom + margin;
    }
};

class Painter {
public:
    Painter(std::int32_t percent)
        : scale_(percent / 100.0),
          image_(static_cast<int>(std::lround(kWidth * scale_)), static_cast<int>(std::lround(kHeight * scale_)),
                 Rgb{})
    {
    }

    double scale() const { return scale_; }
    Image& image() { return image_; }
    int px(double units) const { return static_cast<int>(std::lround(units * scale_)); }

    void blend(int x, int y, Rgb colour, double alpha)
    {
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height || alpha <= 0)
            return;
        image_.at(x, y) = mix(image_.at(x, y), colour, std::min(alpha, 1.0));
    }

    // A rectangle whose edges fall on the nearest whole pixels of the scaled picture.
    void fill(double left, double top, double width, double height, Rgb colour)
    {
        for (int y = px(top); y < px(top + height); ++y)
            for (int x = px(left); x < px(left + width); ++x)
                blend(x, y, colour, 1);
    }

    // A round flake, its edge smoothed by sampling each pixel 4 x 4 times.
    void disc(double cx, double cy, double radius, double alpha)
    {
        const double x0 = cx * scale_, y0 = cy * scale_, r = radius * scale_;
        for (int y = static_cast<int>(std::floor(y0 - r)); y <= static_cast<int>(std::ceil(y0 + r)); ++y)
            for (int x = static_cast<int>(std::floor(x0 - r)); x <= static_cast<int>(std::ceil(x0 + r)); ++x) {
                int inside = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double dx = x + (sx + 0.5) / 4 - x0, dy = y + (sy + 0.5) / 4 - y0;
                        inside += dx * dx + dy * dy <= r * r;
                    }
                blend(x, y, kSnow, alpha * inside / 16);
            }
    }

private:
    double scale_;
    Image image_;
};

void drawWallpaper(Painter& p)
{
    Image& image = p.image();
    for (int y = 0; y < image.height; ++y) {
        const Rgb colour = dimmed(mix(kWallpaperTop, kWallpaperBottom, static_cast<double>(y) / (image.height - 1)));
        for (int x = 0; x < image.width; ++x)
            image.at(x, y) = colour;
    }
}

// An application window as on the README's desktop: frame, title bar with buttons, lines of text; with snow
// settled along its top edge.
void drawWindow(Painter& p, Box at, Rgb body, Rgb ink, int lines)
{
    const double w = at.right - at.left, h = at.bottom - at.top;
    p.fill(at.left + 3, at.top + 3, w, h, dimmed(Rgb{20, 30, 45}));
    p.fill(at.left, at.top, w, h, dimmed(Rgb{60, 90, 150}));
    p.fill(at.left + 1, at.top + 1, w - 2, 13, dimmed(Rgb{45, 105, 190}));
    p.fill(at.left + 5, at.top + 6, w * 0.45, 2, dimmed(Rgb{255, 255, 255}));  // the caption
    for (int i = 0; i < 3; ++i)
        p.fill(at.right - 12 - i * 11, at.top + 3, 9, 8, dimmed(i == 0 ? Rgb{200, 60, 50} : Rgb{90, 130, 200}));
    p.fill(at.left + 1, at.top + 15, w - 2, h - 16, dimmed(body));
    for (int i = 0; i < lines; ++i) {
        const double length = (w - 14) * (0.45 + 0.5 * std::fmod(0.618 * (i + 1) * (i + 3), 1.0));
        p.fill(at.left + 6, at.top + 20 + 7 * i, length, 2, dimmed(ink));
    }
    // Settled snow: a low ridge whose height wavers along the edge.
    const Image& image = p.image();
    for (int x = p.px(at.left - 1); x < p.px(at.right + 1) && x < image.width; ++x) {
        const double u = (x + 0.5) / p.scale();
        const double depth = (1.6 + 0.7 * std::sin(u * 0.7) + 0.4 * std::sin(u * 1.9 + 1)) * p.scale();
        const double edge = at.top * p.scale() - depth;
        for (int y = static_cast<int>(std::floor(edge)); y < p.px(at.top); ++y)
            p.blend(x, y, kSnow, std::clamp(y + 1 - edge, 0.0, 1.0));
    }
}

// The drift along the bottom: white at its lit top, bluish deeper down, its top edge smoothed to a fraction of a
// pixel.
void drawDrift(Painter& p)
{
    const Image& image = p.image();
    for (int x = 0; x < image.width; ++x) {
        const double u = (x + 0.5) / p.scale();
        const double top = 284 - 6 * std::sin(u * 0.045 + 0.5) - 2.5 * std::sin(u * 0.16 + 1.9);
        const double edge = top * p.scale();
        for (int y = static_cast<int>(std::floor(edge)); y < image.height; ++y) {
            const double depth = (y + 0.5) / p.scale() - top;
            p.blend(x, y, mix(kSnow, kDriftShade, std::clamp(depth / 24, 0.0, 1.0)),
                    std::clamp(y + 1 - edge, 0.0, 1.0));
        }
    }
}

// The icon's pixel art enlarged by a whole factor, so its pixels stay square and crisp.
Box drawIcon(Painter& p, const IconImage& icon, double top)
{
    const int zoom = static_cast<int>(std::floor(2 * p.scale()));
    const Image& c = icon.colour;
    const int left = (p.image().width - c.width * zoom) / 2;
    const int y0 = p.px(top);
    for (int y = 0; y < c.height * zoom; ++y)
        for (int x = 0; x < c.width * zoom; ++x)
            if (icon.opaque[static_cast<std::size_t>(y / zoom) * c.width + x / zoom])
                p.blend(left + x, y0 + y, c.at(x / zoom, y / zoom), 1);
    return Box{left / p.scale(), top, (left + c.width * zoom) / p.scale(), top + c.height * zoom / p.scale()};
}

// The name in snow: the letters' ink in white with a grain, as flakes packed together.
Box drawName(Painter& p, Typeface& face, double top, double bottom)
{
    Image& image = p.image();
    Coverage ink(image.width, image.height);
    const TextStyle style =
        fitStyle(face, {kName}, top * p.scale(), bottom * p.scale(), StyleOptions{true, 0.08, 0.03, 1});
    const InkSpan span = drawText(ink, face, style, kName, Align::kCentre, image.width / 2.0);
    Flakes grain;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const double g = grain.next();
            if (ink.at(x, y) > 0)
                p.blend(x, y, kSnow, ink.at(x, y) / 255.0 * (0.78 + 0.22 * g));
        }
    return Box{span.left / p.scale(), top, span.right / p.scale(), bottom};
}

void drawFallingSnow(Painter& p, const Box& icon, const Box& name)
{
    Flakes flakes;
    for (int i = 0; i < 150; ++i) {
        const double x = flakes.next() * kWidth, y = flakes.next() * 290;
        const double radius = 0.55 + 1.0 * flakes.next(), alpha = 0.6 + 0.4 * flakes.next();
        if (icon.contains(x, y, 4) || name.contains(x, y, 3))
            continue;  // the icon and the name stay clear
        p.disc(x, y, radius, alpha);
    }
}

}  // namespace

std::vector<SetupPicture> drawSetupPictures(Typeface& face, const IconImage& icon)
{
    std::vector<SetupPicture> pictures;
    for (const std::int32_t percent : kPercents) {
        Painter p(percent);
        drawWallpaper(p);
        drawWindow(p, Box{10, 168, 118, 234}, Rgb{255, 255, 255}, Rgb{20, 20, 20}, 5);
        drawWindow(p, Box{58, 222, 152, 294}, Rgb{25, 28, 34}, Rgb{120, 230, 140}, 6);
        const Box iconBox = drawIcon(p, icon, 40);
        const Box nameBox = drawName(p, face, 116, 136);
        drawFallingSnow(p, iconBox, nameBox);
        drawDrift(p);
        pictures.push_back(SetupPicture{percent, std::move(p.image())});
    }
    return pictures;
}

}  // namespace nivora::artwork
