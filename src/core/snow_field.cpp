// The snow field's start and its frames. A frame touches only the flakes' own small squares: picMain is brought
// back to the background where the previous frame drew or where flakes settled, instead of being copied whole.
#include "core/snow_field.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/flake_sprites.h"
#include "core/rounding.h"
#include "core/sway_sine.h"

namespace nivora {
namespace {

// Where a position too far out for 32 bits lands: well off every picture, so it is clipped and never settles.
constexpr int32_t kFarAway = std::numeric_limits<int32_t>::min() / 2;

// Positions beyond 2^30 pixels are held there, on their own side: just as far off every picture and wrapped the
// same way, while px + 6 or width - px cannot overflow.
inline int32_t toPixel(double v)
{
    return std::clamp(roundToInt<int32_t>(v).value_or(kFarAway), kFarAway, -kFarAway);
}

inline Rect clipTo(int32_t x, int32_t y, int32_t w, int32_t h, const Rect& bound)
{
    return {std::max(x, bound.left), std::max(y, bound.top), std::min(x + w, bound.right),
            std::min(y + h, bound.bottom)};
}

inline bool isEmpty(const Rect& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

// A flake stamped with its mask (AND) and then its sprite (XOR): per pixel (d & m) ^ s, over the given part of
// the 6 x 6 cell, clipped to the surface.
inline void stampCell(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, int32_t col0, int32_t row0,
                      int32_t col1, int32_t row1)
{
    col0 = std::max(col0, -px);
    row0 = std::max(row0, -py);
    col1 = std::min(col1, dst.width - px);
    row1 = std::min(row1, dst.height - py);
    const Pixel* mask = flakeMaskStrip().data() + spriteX;
    const Pixel* sprite = flakeSpriteStrip().data() + spriteX;
    for (int32_t row = row0; row < row1; ++row) {
        Pixel* d = dst.row(py + row) + px;
        const Pixel* m = mask + row * kFlakeStripWidth;
        const Pixel* s = sprite + row * kFlakeStripWidth;
        for (int32_t col = col0; col < col1; ++col)
            d[col] = (d[col] & m[col]) ^ s[col];
    }
}

inline void prefetchForRead(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 0);
#else
    (void)p;
#endif
}

inline void prefetchForWrite(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 1);
#else
    (void)p;
#endif
}

inline void putPixel(const Surface& dst, int32_t x, int32_t y, Pixel p)
{
    if (dst.contains(x, y))
        dst.at(x, y) = p;
}

}  // namespace

int32_t flakeCountFor(int16_t precipitation)
{
    switch (precipitation) {
    case 0:
        return 100;
    case 1:
        return 500;
    case 2:
        return 1000;
    case 3:
        return 2000;
    case 4:
        return 3000;
    default:
        return 1000;
    }
}

float windFromLevel(float level)
{
    return static_cast<float>(static_cast<double>(level) * 5.0 - 30.0);
}

void SnowField::InitData(const SnowSettings& settings, const SnowArea& area, Random& random)
{
    area_ = area;
    random_ = &random;
    flakeCount = flakeCountFor(settings.precipitation);
    velocity = windFromLevel(settings.velocity);
    flakes.assign(static_cast<size_t>(flakeCount), Flake{});
    const double width = area.drawWidth;
    const double height = area.drawHeight;
    for (Flake& f : flakes) {
        f.x = static_cast<float>(std::floor(static_cast<double>(random.next()) * width));
        f.y = static_cast<float>(std::floor(static_cast<double>(random.next()) * height) * -15.0);
        f.size = static_cast<int32_t>(std::floor(static_cast<double>(random.next()) * 6.05));
        f.speed = static_cast<float>(std::floor(static_cast<double>(random.next()) * 4.0) + 1.0);
        f.spriteX = f.size * kFlakeCellSize;
    }
}

void SnowField::attachSurfaces(const SnowSurfaces& surfaces)
{
    surfaces_ = surfaces;
    const Surface& main = surfaces.main;
    const Surface& desk = surfaces.desk;
    const Surface& text = surfaces.text;
    drawRect_ = {0, 0, std::max(0, std::min<int32_t>({area_.drawWidth, main.width, desk.width})),
                 std::max(0, std::min<int32_t>({area_.drawHeight, main.height, desk.height}))};
    if (main.pixels == nullptr || desk.pixels == nullptr)
        drawRect_ = {};

    mask_.assign(static_cast<size_t>(std::max(0, text.width)) * static_cast<size_t>(std::max(0, text.height)), 0);
    if (text.pixels != nullptr) {
        for (int32_t y = 0; y < text.height; ++y) {
            const Pixel* row = text.row(y);
            uint8_t* out = mask_.data() + static_cast<size_t>(y) * static_cast<size_t>(text.width);
            for (int32_t x = 0; x < text.width; ++x)
                out[x] = isExactWhite(row[x]) ? 1 : 0;
        }
    }

    topBytesClear_ = true;
    for (int32_t y = 0; y < drawRect_.bottom && topBytesClear_; ++y) {
        const Pixel* row = desk.row(y);
        Pixel any = 0;
        for (int32_t x = 0; x < drawRect_.right; ++x)
            any |= row[x];
        topBytesClear_ = (any >> 24) == 0;
    }

    // Per row of the mask, the columns from its first to just past its last catching pixel.
    catchSpans_.assign(static_cast<size_t>(std::max(0, text.height)), {0, 0});
    for (int32_t y = 0; y < text.height; ++y) {
        const uint8_t* row = mask_.data() + static_cast<size_t>(y) * static_cast<size_t>(text.width);
        int32_t first = 0;
        while (first < text.width && row[first] == 0)
            ++first;
        int32_t last = text.width;
        while (last > first && row[last - 1] == 0)
            --last;
        catchSpans_[static_cast<size_t>(y)] = {first, last};
    }

    wholeStale_ = true;
    stale_.clear();
    nextStale_.clear();
    stale_.reserve(flakes.size());
    nextStale_.reserve(flakes.size());
    const int32_t bandCount = (drawRect_.bottom + kChangedBandHeight - 1) / kChangedBandHeight;
    bands_.assign(static_cast<size_t>(bandCount), Rect{});
    changed_.clear();
    changed_.reserve(static_cast<size_t>(bandCount));
}

void SnowField::DrawSnow()
{
    if (area_.mode == SnowMode::Preview) {
        DrawSnow_Preview();
        return;
    }
    drawFrame<SnowMode::FullScreen>();
}

void SnowField::DrawSnow_Preview()
{
    drawFrame<SnowMode::Preview>();
}

float SnowField::restartX()
{
    const double x = static_cast<double>(random_->next()) * area_.drawWidth;
    return static_cast<float>(roundToInt<int16_t>(x).value_or(0));
}

void SnowField::noteChanged(const Rect& r)
{
    for (int32_t band = r.top / kChangedBandHeight; band * kChangedBandHeight < r.bottom; ++band) {
        Rect& b = bands_[static_cast<size_t>(band)];
        const int32_t top = std::max(r.top, band * kChangedBandHeight);
        const int32_t bottom = std::min(r.bottom, (band + 1) * kChangedBandHeight);
        if (isEmpty(b)) {
            b = {r.left, top, r.right, bottom};
        } else {
            b = {std::min(b.left, r.left), std::min(b.top, top), std::max(b.right, r.right),
                 std::max(b.bottom, bottom)};
        }
    }
}

// Brings picMain back to PicDesk inside the drawing area. Outside the rectangles of the previous frame the two
// already agree: picMain was a copy of PicDesk there, and PicDesk changes only where a flake settles.
void SnowField::restoreBackground()
{
    std::fill(bands_.begin(), bands_.end(), Rect{});
    if (isEmpty(drawRect_))
        return;
    const Surface& main = surfaces_.main;
    const Surface& desk = surfaces_.desk;
    if (wholeStale_) {
        bitBlt(main, 0, 0, drawRect_.right, drawRect_.bottom, desk, 0, 0, Rop::SrcCopy);
        noteChanged(drawRect_);
        wholeStale_ = false;
        return;
    }
    const size_t count = stale_.size();
    for (size_t i = 0; i < count; ++i) {
        if (i + 8 < count) {
            const Rect& ahead = stale_[i + 8];
            for (int32_t y = ahead.top; y < ahead.bottom; ++y) {
                prefetchForRead(desk.row(y) + ahead.left);
                prefetchForWrite(main.row(y) + ahead.left);
            }
        }
        const Rect& r = stale_[i];
        const int32_t n = r.right - r.left;  // at most one flake wide
        for (int32_t y = r.top; y < r.bottom; ++y) {
            Pixel* d = main.row(y) + r.left;
            const Pixel* from = desk.row(y) + r.left;
            for (int32_t x = 0; x < n; ++x)
                d[x] = from[x];
        }
        noteChanged(r);
    }
}

// Stamps a flake into picMain or PicDesk and returns the part of the drawing area it may have changed.
Rect SnowField::stampFlake(const Surface& dst, int32_t px, int32_t py, int32_t spriteX) const
{
    if (spriteX % kFlakeCellSize != 0 || static_cast<uint32_t>(spriteX) > kFlakeStripWidth - kFlakeCellSize) {
        // Not one of the seven cells: the block transfers clip the source as GDI does.
        bitBlt(dst, px, py, kFlakeCellSize, kFlakeCellSize, flakeMaskSurface(), spriteX, 0, Rop::SrcAnd);
        bitBlt(dst, px, py, kFlakeCellSize, kFlakeCellSize, flakeSpriteSurface(), spriteX, 0, Rop::SrcInvert);
        return clipTo(px, py, kFlakeCellSize, kFlakeCellSize, drawRect_);
    }
    // Inside the drawing area every pixel's unused top byte is 0, so the white part of the mask (0x00FFFFFF) and
    // the black part of the sprite change nothing there: only the flake's own box is touched, often one or two
    // rows instead of six.
    if (topBytesClear_ && px >= drawRect_.left && py >= drawRect_.top &&
        px <= drawRect_.right - kFlakeCellSize && py <= drawRect_.bottom - kFlakeCellSize) {
        const FlakeShape& shape = flakeShapes()[static_cast<size_t>(spriteX / kFlakeCellSize)];
        stampCell(dst, px, py, spriteX, shape.left, shape.top, shape.right, shape.bottom);
        return {px + shape.left, py + shape.top, px + shape.right, py + shape.bottom};
    }
    stampCell(dst, px, py, spriteX, 0, 0, kFlakeCellSize, kFlakeCellSize);
    return clipTo(px, py, kFlakeCellSize, kFlakeCellSize, drawRect_);
}

template <SnowMode Mode>
void SnowField::drawFrame()
{
    if (random_ == nullptr || surfaces_.main.pixels == nullptr || surfaces_.desk.pixels == nullptr)
        return;
    restoreBackground();
    nextStale_.clear();

    const Surface main = surfaces_.main;
    const Surface desk = surfaces_.desk;
    const Surface text = surfaces_.text;
    const int32_t textWidth = text.pixels != nullptr ? text.width : 0;
    const int32_t textHeight = text.pixels != nullptr ? text.height : 0;
    uint8_t* const mask = mask_.data();
    const int32_t width = area_.drawWidth;
    const int32_t height = area_.drawHeight;
    const double wind = velocity;
    const double damping = std::fabs(wind) / 10.0 + 2.0;
    constexpr bool kPreview = Mode == SnowMode::Preview;
    constexpr double kDriftDivisor = kPreview ? 72.0 : 12.0;
    constexpr int32_t kMargin = kPreview ? 5 : 30;
    const Pixel settledPreviewPixel = flakeSpriteStrip()[0];
    const Pixel fallingPreviewTop = flakeSpriteStrip()[6];
    const Pixel fallingPreviewBottom = flakeSpriteStrip()[kFlakeStripWidth + 6];

    // First the motion that depends on nothing but the flake itself: the drift and the swayed position. Doing it
    // for all flakes ahead of the drawing changes no result and tells where the next flakes will touch memory.
    positions_.resize(flakes.size());
    for (int32_t i = 0; i < flakeCount; ++i) {
        Flake& f = flakes[static_cast<size_t>(i)];
        const double kind = static_cast<double>(f.speed) + f.size;
        f.x = static_cast<float>(static_cast<double>(f.x) + kind * wind / kDriftDivisor);
        const double theta = (kind * 100.0 + static_cast<double>(f.y)) * kSwayRadiansPerDegree;
        const double sway = static_cast<double>(f.speed) * (f.size + 1) * swaySine(theta) / damping;
        // The preview keeps the swayed position as a single and tests its wrap on that; full screen on px.
        const double swayed = kPreview ? static_cast<double>(static_cast<float>(static_cast<double>(f.x) + sway))
                                       : static_cast<double>(f.x) + sway;
        positions_[static_cast<size_t>(i)] = {swayed, toPixel(swayed), toPixel(static_cast<double>(f.y))};
    }

    constexpr int32_t kLookAhead = 12;
    for (int32_t i = 0; i < flakeCount; ++i) {
        Flake& f = flakes[static_cast<size_t>(i)];
        const auto [swayed, px, py] = positions_[static_cast<size_t>(i)];
        if (i + kLookAhead < flakeCount) {
            const FlakePosition& ahead = positions_[static_cast<size_t>(i + kLookAhead)];
            if (main.contains(ahead.px, ahead.py)) {
                const Flake& next = flakes[static_cast<size_t>(i + kLookAhead)];
                const int32_t rows = std::min(next.size == 6 ? kFlakeCellSize : next.size == 5 ? 4 : 2,
                                              main.height - ahead.py);
                for (int32_t r = 0; r < rows; ++r)
                    prefetchForWrite(main.row(ahead.py + r) + ahead.px);
            }
        }

        // Most flakes are nowhere near the message: the row's span of catching pixels answers without touching
        // the mask. The spans are taken once and only ever too wide, since the mask only loses catching pixels.
        const bool settles = static_cast<uint32_t>(py) < static_cast<uint32_t>(textHeight) &&
                             px >= catchSpans_[static_cast<size_t>(py)].first &&
                             px < catchSpans_[static_cast<size_t>(py)].second &&
                             mask[static_cast<size_t>(py) * static_cast<size_t>(textWidth) + static_cast<size_t>(px)];
        if (settles) {
            const size_t column = static_cast<size_t>(px);
            if constexpr (kPreview) {
                putPixel(desk, px, py, settledPreviewPixel);
                const Rect r = clipTo(px, py, 1, 1, drawRect_);
                if (!isEmpty(r))
                    nextStale_.push_back(r);
                // Each pixel of the preview's mask catches one flake only.
                mask[static_cast<size_t>(py) * static_cast<size_t>(textWidth) + column] = 0;
                text.at(px, py) = kBlacknessPixel;
            } else {
                const Rect r = stampFlake(desk, px, py, f.spriteX);
                if (!isEmpty(r))
                    nextStale_.push_back(r);
                // The column from one row above the landing point stops catching, the landing pixel keeps on.
                const int32_t y1 = toPixel(static_cast<double>(f.y) - 1.0);
                const int32_t rowEnd = std::min(y1 + 4, textHeight);  // y1 is py - 2 .. py here
                for (int32_t row = std::max(y1, 0); row < rowEnd; ++row) {
                    mask[static_cast<size_t>(row) * static_cast<size_t>(textWidth) + column] = 0;
                    text.at(px, row) = kBlacknessPixel;
                }
                mask[static_cast<size_t>(py) * static_cast<size_t>(textWidth) + column] = 1;
                text.at(px, py) = kWhitenessPixel;
            }
            f.y = 0;
            f.x = restartX();
            continue;
        }

        // Full screen tests the rounded px, the preview the unrounded single.
        const bool pastRight = kPreview ? swayed > width + kMargin : px > width + kMargin;
        const bool pastLeft = kPreview ? swayed < -kMargin : px < -kMargin;
        if (pastRight)
            f.x = static_cast<float>(static_cast<double>(f.x) - width - kMargin);
        else if (pastLeft)
            f.x = static_cast<float>(static_cast<double>(f.x) + width + kMargin);

        if constexpr (kPreview) {
            putPixel(main, px, py, fallingPreviewTop);
            putPixel(main, px, py + 1, fallingPreviewBottom);
            const Rect r = clipTo(px, py, 1, 2, drawRect_);
            if (!isEmpty(r)) {
                nextStale_.push_back(r);
                noteChanged(r);
            }
            f.y = static_cast<float>(static_cast<double>(f.y) +
                                     (static_cast<double>(f.size) / 3.0 + static_cast<double>(f.speed)) *
                                         static_cast<double>(area_.previewScaleY));
        } else {
            const Rect r = stampFlake(main, px, py, f.spriteX);
            if (!isEmpty(r)) {
                nextStale_.push_back(r);
                noteChanged(r);
            }
            f.y = static_cast<float>(static_cast<double>(f.y) + static_cast<double>(f.size) / 3.0 +
                                     static_cast<double>(f.speed));
        }
        if (static_cast<double>(f.y) > height) {
            f.y = static_cast<float>(f.size);
            f.x = restartX();
        }
    }

    std::swap(stale_, nextStale_);
    changed_.clear();
    for (const Rect& b : bands_) {
        if (!isEmpty(b))
            changed_.push_back(b);
    }
}

}  // namespace nivora
