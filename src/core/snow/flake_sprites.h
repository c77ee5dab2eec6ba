// The two flake strips of the snow window: seven 6 x 6 cells side by side, the sprite in greys on black and its
// mask, black where the sprite is not, white elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/base/raster.h"

namespace nivora {

inline constexpr int32_t kFlakeCellSize = 6;
inline constexpr int32_t kFlakeKinds = 7;
inline constexpr int32_t kFlakeStripWidth = kFlakeCellSize * kFlakeKinds;  // 42
inline constexpr int32_t kFlakeStripHeight = kFlakeCellSize;

using FlakeStrip = std::array<Pixel, kFlakeStripWidth * kFlakeStripHeight>;

// picChar: each flake in the top-left corner of its cell, as grey pixels (red = green = blue).
const FlakeStrip& flakeSpriteStrip();
// picChar2: derived pixel by pixel from the sprite, so the two can never disagree.
const FlakeStrip& flakeMaskStrip();

// Where a flake's pixels lie inside its cell: the bounding box of the sprite's non-black pixels (outside it the mask
// is white and the sprite black).
struct FlakeShape {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};
const std::array<FlakeShape, kFlakeKinds>& flakeShapes();

ConstSurface flakeSpriteSurface();
ConstSurface flakeMaskSurface();

// The display scales the snow is drawn at: 1 at 96 dpi, 1.5 at 144. Screens outside this range (or without a
// number) are drawn at the nearer end, so a cell stays between 6 and 30 pixels.
inline constexpr double kLeastDisplayScale = 1.0;
inline constexpr double kGreatestDisplayScale = 5.0;
double snowScale(double displayScale);

// Both strips at a display scale: the 100 % strips made `scale` times larger, crisp. Each edge at k pixels of a cell
// moves to round(k * scale), so every pixel becomes a block of whole pixels, the greys stay as they are and the mask
// still follows the sprite pixel by pixel. At scale 1 they are the strips above.
class FlakeSprites {
public:
    explicit FlakeSprites(double scale = 1.0);

    double scale() const { return scale_; }
    int32_t cellSize() const { return cell_; }  // round(6 * scale)
    int32_t stripWidth() const { return cell_ * kFlakeKinds; }
    ConstSurface sprite() const { return {sprite_.data(), stripWidth(), cell_, stripWidth()}; }
    ConstSurface mask() const { return {mask_.data(), stripWidth(), cell_, stripWidth()}; }
    const std::array<FlakeShape, kFlakeKinds>& shapes() const { return shapes_; }
    // Where a 100 % edge at k pixels of a cell lies at this scale.
    int32_t edge(int32_t k) const;

    // True for the x offset of one of the seven cells. Without a division: it is asked for every flake of every
    // frame, and the offsets (up to 6 * 30) fit a few words of bits.
    bool isCell(int32_t spriteX) const
    {
        const auto x = static_cast<uint32_t>(spriteX);
        return x < kCellBits && ((cellBits_[x / 64] >> (x % 64)) & 1) != 0;
    }

private:
    static constexpr uint32_t kCellBits = 256;
    double scale_;
    int32_t cell_;
    std::vector<Pixel> sprite_;
    std::vector<Pixel> mask_;
    std::array<FlakeShape, kFlakeKinds> shapes_{};
    std::array<uint64_t, kCellBits / 64> cellBits_{};
};

}  // namespace nivora
