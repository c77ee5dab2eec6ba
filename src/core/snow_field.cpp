// The snow field's start, and its frames in four steps: the flakes move, those on the message settle into the
// background, the others are drawn, and all of them fall on or start again.
#include "core/snow_field.h"

#include <algorithm>
#include <cmath>

#include "core/flake_sprites.h"

namespace nivora {
namespace {

inline void prefetchForWrite(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 1);
#else
    (void)p;
#endif
}

}  // namespace

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
    main_ = surfaces.main;
    desk_ = surfaces.desk;
    drawRect_ = {0, 0, std::max(0, std::min<int32_t>({area_.drawWidth, main_.width, desk_.width})),
                 std::max(0, std::min<int32_t>({area_.drawHeight, main_.height, desk_.height}))};
    if (main_.pixels == nullptr || desk_.pixels == nullptr)
        drawRect_ = {};

    mask_.build(surfaces.text);

    topBytesClear_ = true;
    for (int32_t y = 0; y < drawRect_.bottom && topBytesClear_; ++y) {
        const Pixel* row = desk_.row(y);
        Pixel any = 0;
        for (int32_t x = 0; x < drawRect_.right; ++x)
            any |= row[x];
        topBytesClear_ = (any >> 24) == 0;
    }

    wholeStale_ = true;
    layer_.clear();
    settledRects_.clear();
    changes_.reset(drawRect_);
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

template <SnowMode Mode>
void SnowField::drawFrame()
{
    if (random_ == nullptr || main_.pixels == nullptr || desk_.pixels == nullptr)
        return;
    const std::span<Flake> inPlay =
        std::span(flakes).first(static_cast<size_t>(std::clamp<int64_t>(flakeCount, 0, int64_t(flakes.size()))));
    changes_.begin();
    restoreBackground();
    positions_.resize(inPlay.size());
    moveFlakes<Mode>(inPlay, velocity, positions_);
    settleFlakes<Mode>(inPlay);
    drawFlakes<Mode>(inPlay);
    advanceFlakes<Mode>(inPlay, positions_, settled_, area_, *random_);
    changes_.finish();
}

// Brings picMain back to PicDesk inside the drawing area. Elsewhere the two already agree: picMain was a copy of
// PicDesk there, and PicDesk changes only where a flake settles.
void SnowField::restoreBackground()
{
    if (isEmpty(drawRect_))
        return;
    if (wholeStale_) {
        bitBlt(main_, 0, 0, drawRect_.right, drawRect_.bottom, desk_, 0, 0, Rop::SrcCopy);
        layer_.clear();
        settledRects_.clear();
        changes_.addWhole();
        wholeStale_ = false;
        return;
    }
    layer_.takeAway(main_, changes_);
    // After the flakes are off: what settled under them shows.
    for (const Rect& r : settledRects_) {
        for (int32_t y = r.top; y < r.bottom; ++y)
            std::copy(desk_.row(y) + r.left, desk_.row(y) + r.right, main_.row(y) + r.left);
        changes_.add(r);
    }
    settledRects_.clear();
}

// The part of a surface that stamping a flake at (px, py) may change: its own pixels where the unused top byte is
// known to be 0 (inside the drawing area), else its whole cell; clipped to the surface.
Rect SnowField::flakeBoxIn(const Surface& dst, int32_t px, int32_t py, int32_t spriteX) const
{
    const bool cellInside = px >= drawRect_.left && py >= drawRect_.top && px <= drawRect_.right - kFlakeCellSize &&
                            py <= drawRect_.bottom - kFlakeCellSize;
    return clipRect(flakeBox(px, py, spriteX, topBytesClear_ && cellInside), {0, 0, dst.width, dst.height});
}

// In flake order, since each landing thins the mask for the flakes after it.
template <SnowMode Mode>
void SnowField::settleFlakes(std::span<Flake> inPlay)
{
    settled_.clear();
    if (mask_.empty())
        return;  // no message here: nothing ever settles
    for (size_t i = 0; i < inPlay.size(); ++i) {
        const auto [swayed, px, py] = positions_[i];
        if (!mask_.catches(px, py))
            continue;
        settled_.push_back(static_cast<uint32_t>(i));
        Rect changed;
        if constexpr (Mode == SnowMode::Preview) {
            if (desk_.contains(px, py))
                desk_.at(px, py) = flakeSpriteStrip()[0];  // one grey pixel
            changed = clipRect({px, py, px + 1, py + 1}, drawRect_);
            mask_.landPreview(px, py);
        } else {
            const Flake& f = inPlay[i];
            const Rect box = flakeBoxIn(desk_, px, py, f.spriteX);
            stampFlake(desk_, px, py, f.spriteX, box);
            changed = clipRect(box, drawRect_);
            mask_.landFullScreen(px, py, toPixel(static_cast<double>(f.y) - 1.0));
        }
        if (!isEmpty(changed))
            settledRects_.push_back(changed);
    }
}

template <SnowMode Mode>
void SnowField::drawFlakes(std::span<Flake> inPlay)
{
    // The falling preview flake: a white pixel above a grey one, column 6 of the sprite strip.
    const Pixel previewColumn[2] = {flakeSpriteStrip()[6], flakeSpriteStrip()[kFlakeStripWidth + 6]};
    size_t nextSettled = 0;
    for (size_t i = 0; i < inPlay.size(); ++i) {
        // The rows of a flake a few places ahead are far apart in memory: ask for them early.
        if (constexpr size_t kAhead = 12; i + kAhead < inPlay.size()) {
            const FlakePosition& ahead = positions_[i + kAhead];
            if (ahead.px >= 0 && ahead.px < drawRect_.right && ahead.py >= 0) {
                const int32_t rows = std::min(kFlakeCellSize, drawRect_.bottom - ahead.py);
                for (int32_t r = 0; r < rows; ++r)
                    prefetchForWrite(main_.row(ahead.py + r) + ahead.px);
            }
        }
        if (nextSettled < settled_.size() && settled_[nextSettled] == i) {
            ++nextSettled;
            continue;
        }
        const FlakePosition& p = positions_[i];
        if constexpr (Mode == SnowMode::Preview) {
            const Rect keep = clipRect({p.px, p.py, p.px + 1, p.py + 2}, drawRect_);
            layer_.put(main_, p.px, p.py, previewColumn, 2, keep);
            changes_.add(keep);
        } else {
            const Rect box = flakeBoxIn(main_, p.px, p.py, inPlay[i].spriteX);
            const Rect keep = clipRect(box, drawRect_);
            layer_.stamp(main_, p.px, p.py, inPlay[i].spriteX, box, keep);
            changes_.add(keep);
        }
    }
}

}  // namespace nivora
