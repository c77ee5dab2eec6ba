// The reference snow frames, drawn step by step as the saver's drawing model states them: the whole background
// copied into picMain, then per flake one pixel read of the text mask and small block transfers, on any device that
// offers BitBlt and GetPixel (the core's raster views, or real GDI device contexts). It is the yardstick the fast
// frames of SnowField are checked and measured against; the saver itself does not use it.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/flake_sprites.h"
#include "core/raster.h"
#include "core/rounding.h"
#include "core/snow_field.h"
#include "core/sway_sine.h"

namespace nivora {

enum class SnowPicture : uint8_t { Main, Desk, Text, Char, Char2 };

// Device concept:
//   void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, SnowPicture src, int32_t sx,
//               int32_t sy, Rop rop);
//   void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop);   // BLACKNESS, WHITENESS
//   ColorRef getPixel(SnowPicture src, int32_t x, int32_t y);

// The core's raster views as such a device.
class RasterDevice {
public:
    explicit RasterDevice(const SnowSurfaces& s) : surfaces_(s) {}

    void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, SnowPicture src, int32_t sx, int32_t sy,
                Rop rop) const
    {
        nivora::bitBlt(target(dst), x, y, w, h, source(src), sx, sy, rop);
    }
    void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop) const
    {
        nivora::bitBlt(target(dst), x, y, w, h, rop);
    }
    ColorRef getPixel(SnowPicture src, int32_t x, int32_t y) const { return nivora::getPixel(source(src), x, y); }

private:
    Surface target(SnowPicture p) const
    {
        switch (p) {
        case SnowPicture::Main:
            return surfaces_.main;
        case SnowPicture::Desk:
            return surfaces_.desk;
        case SnowPicture::Text:
            return surfaces_.text;
        default:
            return {};  // the sprite strips are read only
        }
    }
    ConstSurface source(SnowPicture p) const
    {
        switch (p) {
        case SnowPicture::Char:
            return flakeSpriteSurface();
        case SnowPicture::Char2:
            return flakeMaskSurface();
        default:
            return target(p);
        }
    }

    SnowSurfaces surfaces_;
};

namespace reference_detail {

inline int32_t toInt32(double v)
{
    return roundToInt<int32_t>(v).value_or(std::numeric_limits<int32_t>::min() / 2);
}

inline float restartX(SnowField& field)
{
    const double x = static_cast<double>(field.random().next()) * field.area().drawWidth;
    return static_cast<float>(roundToInt<int16_t>(x).value_or(0));
}

}  // namespace reference_detail

template <class Device>
void drawSnowPreviewReference(SnowField& field, Device& device)
{
    using reference_detail::toInt32;
    const int32_t drawWidth = field.area().drawWidth;
    const int32_t drawHeight = field.area().drawHeight;
    device.bitBlt(SnowPicture::Main, 0, 0, drawWidth, drawHeight, SnowPicture::Desk, 0, 0, Rop::SrcCopy);
    for (int32_t i = 0; i < field.flakeCount; ++i) {
        Flake& f = field.flakes[static_cast<size_t>(i)];
        const double velocity = field.velocity;
        f.x = static_cast<float>(f.x + (f.speed + static_cast<double>(f.size)) * velocity / 72);
        const double theta = ((f.speed + static_cast<double>(f.size)) * 100 + f.y) * kSwayRadiansPerDegree;
        const float pf = static_cast<float>(f.x + static_cast<double>(f.speed) * (f.size + 1) * swaySine(theta) /
                                                      (std::fabs(velocity) / 10 + 2));
        const int32_t px = toInt32(pf);
        const int32_t py = toInt32(f.y);
        if (device.getPixel(SnowPicture::Text, px, py) == kWhiteColorRef) {
            device.bitBlt(SnowPicture::Desk, px, py, 1, 1, SnowPicture::Char, 0, 0, Rop::SrcCopy);
            device.bitBlt(SnowPicture::Text, px, py, 1, 1, Rop::Blackness);
            f.y = 0;
            f.x = reference_detail::restartX(field);
        } else {
            if (pf > drawWidth + 5)
                f.x = static_cast<float>(static_cast<double>(f.x) - drawWidth - 5);
            else if (pf < -5)
                f.x = static_cast<float>(static_cast<double>(f.x) + drawWidth + 5);
            device.bitBlt(SnowPicture::Main, px, py, 1, 2, SnowPicture::Char, 6, 0, Rop::SrcCopy);
            f.y = static_cast<float>(f.y + (f.size / 3.0 + f.speed) * static_cast<double>(field.area().previewScaleY));
            if (f.y > drawHeight) {
                f.y = static_cast<float>(f.size);
                f.x = reference_detail::restartX(field);
            }
        }
    }
}

template <class Device>
void drawSnowReference(SnowField& field, Device& device)
{
    using reference_detail::toInt32;
    if (field.area().mode == SnowMode::Preview) {
        drawSnowPreviewReference(field, device);
        return;
    }
    const int32_t drawWidth = field.area().drawWidth;
    const int32_t drawHeight = field.area().drawHeight;
    device.bitBlt(SnowPicture::Main, 0, 0, drawWidth, drawHeight, SnowPicture::Desk, 0, 0, Rop::SrcCopy);
    for (int32_t i = 0; i < field.flakeCount; ++i) {
        Flake& f = field.flakes[static_cast<size_t>(i)];
        const double velocity = field.velocity;
        f.x = static_cast<float>(f.x + (f.speed + static_cast<double>(f.size)) * velocity / 12);
        const double theta = ((f.speed + static_cast<double>(f.size)) * 100 + f.y) * kSwayRadiansPerDegree;
        const int32_t px = toInt32(f.x + static_cast<double>(f.speed) * (f.size + 1) * swaySine(theta) /
                                             (std::fabs(velocity) / 10 + 2));
        const int32_t py = toInt32(f.y);
        if (device.getPixel(SnowPicture::Text, px, py) == kWhiteColorRef) {
            device.bitBlt(SnowPicture::Desk, px, py, 6, 6, SnowPicture::Char2, f.spriteX, 0, Rop::SrcAnd);
            device.bitBlt(SnowPicture::Desk, px, py, 6, 6, SnowPicture::Char, f.spriteX, 0, Rop::SrcInvert);
            device.bitBlt(SnowPicture::Text, px, toInt32(f.y - 1.0), 1, 4, Rop::Blackness);
            device.bitBlt(SnowPicture::Text, px, py, 1, 1, Rop::Whiteness);
            f.y = 0;
            f.x = reference_detail::restartX(field);
        } else {
            if (px > drawWidth + 30)
                f.x = static_cast<float>(static_cast<double>(f.x) - drawWidth - 30);
            else if (px < -30)
                f.x = static_cast<float>(static_cast<double>(f.x) + drawWidth + 30);
            device.bitBlt(SnowPicture::Main, px, py, 6, 6, SnowPicture::Char2, f.spriteX, 0, Rop::SrcAnd);
            device.bitBlt(SnowPicture::Main, px, py, 6, 6, SnowPicture::Char, f.spriteX, 0, Rop::SrcInvert);
            f.y = static_cast<float>(f.y + f.size / 3.0 + f.speed);
            if (f.y > drawHeight) {
                f.y = static_cast<float>(f.size);
                f.x = reference_detail::restartX(field);
            }
        }
    }
}

}  // namespace nivora
