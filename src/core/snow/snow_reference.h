// The reference snow frames, drawn step by step as the saver's drawing model states them: the whole background
// copied into picMain, then per flake one pixel read of the text mask and small block transfers, on any device that
// offers BitBlt and GetPixel (the core's raster views, or real GDI device contexts). It is the yardstick the fast
// frames of SnowField are checked and measured against; the saver itself does not use it.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/snow/flake_sprites.h"
#include "core/base/raster.h"
#include "core/base/rounding.h"
#include "core/snow/snow_field.h"
#include "core/snow/sway_sine.h"

namespace nivora {

enum class SnowPicture : uint8_t { Main, Desk, Text, Char, Char2 };

// Device concept:
//   void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, SnowPicture src, int32_t sx,
//               int32_t sy, Rop rop);
//   void bitBlt(SnowPicture dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop);   // BLACKNESS, WHITENESS
//   ColorRef getPixel(SnowPicture src, int32_t x, int32_t y);

// The core's raster views as such a device, with the flake strips at one scale as picChar and picChar2.
class RasterDevice {
public:
    explicit RasterDevice(const SnowSurfaces& s, const FlakeSprites& sprites = unscaledSprites())
        : RasterDevice(s, sprites.sprite(), sprites.mask())
    {}
    // Strips made elsewhere, such as a test's own.
    RasterDevice(const SnowSurfaces& s, const ConstSurface& sprite, const ConstSurface& mask)
        : surfaces_(s), sprite_(sprite), mask_(mask)
    {}

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
            return sprite_;
        case SnowPicture::Char2:
            return mask_;
        default:
            return target(p);
        }
    }
    static const FlakeSprites& unscaledSprites()
    {
        static const FlakeSprites sprites(1.0);
        return sprites;
    }

    SnowSurfaces surfaces_;
    ConstSurface sprite_;
    ConstSurface mask_;
};

// The geometry of the strips' cells the reference frame draws with: a cell's side, and the column of the text mask
// a landing clears (one 100 % pixel wide, four high), all in pixels at the display scale.
struct ReferenceCells {
    int32_t cell;
    int32_t column;
    int32_t rows;
};

inline ReferenceCells referenceCellsOf(const FlakeSprites& sprites)
{
    return {sprites.cellSize(), sprites.edge(1), sprites.edge(4)};
}

namespace reference_detail {

inline int32_t toInt32(double v)
{
    return roundToInt<int32_t>(v).value_or(std::numeric_limits<int32_t>::min() / 2);
}

inline float restartX(SnowField& field)
{
    const double x = static_cast<double>(field.random().next()) * (field.area().drawWidth / field.area().scale);
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

// `cells` is the strips' geometry, the field's own unless a caller brings strips of its own making.
template <class Device>
void drawSnowReference(SnowField& field, Device& device, const ReferenceCells& cells)
{
    using reference_detail::toInt32;
    if (field.area().mode == SnowMode::Preview) {
        drawSnowPreviewReference(field, device);
        return;
    }
    const int32_t drawWidth = field.area().drawWidth;
    const int32_t drawHeight = field.area().drawHeight;
    // At display scale s the flakes move on the area at 100 %, drawWidth / s x drawHeight / s, and are drawn s times
    // as far from the corner from strips whose cells are s times as large: `cell` pixels, and the landing's column
    // of the mask `column` wide and `rows` high.
    const double s = field.area().scale;
    const double width = drawWidth / s;
    const double height = drawHeight / s;
    const int32_t cell = cells.cell;
    const int32_t column = cells.column;
    const int32_t rows = cells.rows;
    device.bitBlt(SnowPicture::Main, 0, 0, drawWidth, drawHeight, SnowPicture::Desk, 0, 0, Rop::SrcCopy);
    for (int32_t i = 0; i < field.flakeCount; ++i) {
        Flake& f = field.flakes[static_cast<size_t>(i)];
        const double velocity = field.velocity;
        f.x = static_cast<float>(f.x + (f.speed + static_cast<double>(f.size)) * velocity / 12);
        const double theta = ((f.speed + static_cast<double>(f.size)) * 100 + f.y) * kSwayRadiansPerDegree;
        const double swayed = f.x + static_cast<double>(f.speed) * (f.size + 1) * swaySine(theta) /
                                        (std::fabs(velocity) / 10 + 2);
        const int32_t px = toInt32(swayed * s);
        const int32_t py = toInt32(f.y * s);
        const int32_t pxAt100 = toInt32(swayed);
        if (device.getPixel(SnowPicture::Text, px, py) == kWhiteColorRef) {
            device.bitBlt(SnowPicture::Desk, px, py, cell, cell, SnowPicture::Char2, f.spriteX, 0, Rop::SrcAnd);
            device.bitBlt(SnowPicture::Desk, px, py, cell, cell, SnowPicture::Char, f.spriteX, 0, Rop::SrcInvert);
            device.bitBlt(SnowPicture::Text, px, toInt32((f.y - 1.0) * s), column, rows, Rop::Blackness);
            device.bitBlt(SnowPicture::Text, px, py, 1, 1, Rop::Whiteness);
            f.y = 0;
            f.x = reference_detail::restartX(field);
        } else {
            if (pxAt100 > width + 30)
                f.x = static_cast<float>(static_cast<double>(f.x) - width - 30);
            else if (pxAt100 < -30)
                f.x = static_cast<float>(static_cast<double>(f.x) + width + 30);
            device.bitBlt(SnowPicture::Main, px, py, cell, cell, SnowPicture::Char2, f.spriteX, 0, Rop::SrcAnd);
            device.bitBlt(SnowPicture::Main, px, py, cell, cell, SnowPicture::Char, f.spriteX, 0, Rop::SrcInvert);
            f.y = static_cast<float>(f.y + f.size / 3.0 + f.speed);
            if (f.y > height) {
                f.y = static_cast<float>(f.size);
                f.x = reference_detail::restartX(field);
            }
        }
    }
}

template <class Device>
void drawSnowReference(SnowField& field, Device& device)
{
    drawSnowReference(field, device, referenceCellsOf(field.sprites()));
}

}  // namespace nivora
