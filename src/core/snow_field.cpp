// The snow field's start, and its frames in four steps: the flakes move, those on the message settle into the
// background, the others are drawn, and all of them fall on or start again.
#include "core/snow_field.h"

#include <algorithm>
#include <cmath>

#include "core/flake_sprites.h"

namespace nivora {

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
    layer_.takeAway(main_);  // reported with the flakes: they were added to carry over
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

// 3000 flakes on 1080 rows are under 3 a row; a 600-row monitor has 5.
constexpr size_t kMaxFlakesPerRowInRowOrder = 8;

// The falling flakes go into picMain row by row rather than in flake order: neighbouring flakes then touch
// neighbouring memory, so the cost stays with the flakes on a large picture. Where two flakes overlap, the one
// later in flake order must end up on top, as in flake order: if a flake is drawn over one that comes later, that
// one is stamped again over the overlap.
template <SnowMode Mode>
void SnowField::drawFlakes(std::span<Flake> inPlay)
{
    constexpr bool kPreview = Mode == SnowMode::Preview;
    // The falling preview flake: a white pixel above a grey one, column 6 of the sprite strip.
    const Pixel previewColumn[2] = {flakeSpriteStrip()[6], flakeSpriteStrip()[kFlakeStripWidth + 6]};
    const Rect mainBounds{0, 0, main_.width, main_.height};

    // The flakes that touch picMain, counted per row from kReach rows above it (where a box can start and still
    // reach in), then put in row order, flake order within a row.
    constexpr int32_t kReach = kFlakeCellSize - 1;
    rowStart_.assign(static_cast<size_t>(main_.height + kReach + 1), 0);
    items_.clear();
    size_t nextSettled = 0;
    for (size_t i = 0; i < inPlay.size(); ++i) {
        if (nextSettled < settled_.size() && settled_[nextSettled] == i) {
            ++nextSettled;
            continue;
        }
        const FlakePosition& p = positions_[i];
        const Rect box = kPreview ? clipRect({p.px, p.py, p.px + 1, p.py + 2}, mainBounds)
                                  : flakeBoxIn(main_, p.px, p.py, inPlay[i].spriteX);
        if (isEmpty(box))
            continue;
        items_.push_back({box, p.px, p.py, static_cast<uint32_t>(i)});
        ++rowStart_[static_cast<size_t>(p.py + kReach) + 1];
    }
    // Crowded in few rows (a small preview box, a tiny picture) row order gains nothing, and every flake would
    // have many neighbours to check: there they are drawn in flake order, where no overlap needs mending.
    if (items_.size() > static_cast<size_t>(main_.height) * kMaxFlakesPerRowInRowOrder) {
        for (size_t k = 0; k < items_.size(); ++k) {
            if (k + kPrefetchAhead < items_.size())
                prefetchRows(main_, items_[k + kPrefetchAhead].box);
            const DrawItem& b = items_[k];
            const Rect keep = clipRect(b.box, drawRect_);
            if constexpr (kPreview)
                layer_.put(main_, b.px, b.py, previewColumn, 2, keep);
            else
                layer_.stamp(main_, b.px, b.py, inPlay[b.index].spriteX, b.box, keep);
            changes_.addFlake(keep);
        }
        return;
    }
    for (size_t row = 1; row < rowStart_.size(); ++row)
        rowStart_[row] += rowStart_[row - 1];
    ordered_.resize(items_.size());
    reach_.resize(items_.size());
    {
        // rowStart_ holds where each row begins; a running copy places the flakes.
        rowFill_.assign(rowStart_.begin(), rowStart_.end());
        for (const DrawItem& item : items_) {
            const size_t at = rowFill_[static_cast<size_t>(item.py + kReach)]++;
            ordered_[at] = item;
            reach_[at] = {static_cast<int32_t>(item.index), item.box.left, item.box.right, item.box.bottom};
        }
    }

    for (size_t k = 0; k < ordered_.size(); ++k) {
        if (k + kPrefetchAhead < ordered_.size())
            prefetchRows(main_, ordered_[k + kPrefetchAhead].box);
        const DrawItem& b = ordered_[k];
        const Rect keep = clipRect(b.box, drawRect_);
        if constexpr (kPreview)
            layer_.put(main_, b.px, b.py, previewColumn, 2, keep);
        else
            layer_.stamp(main_, b.px, b.py, inPlay[b.index].spriteX, b.box, keep);
        changes_.addFlake(keep);

        // Flakes already drawn that may overlap this one lie in the kReach rows above it; those of its own row
        // come earlier in flake order.
        const size_t row = static_cast<size_t>(b.py + kReach);
        const size_t from = rowStart_[row >= static_cast<size_t>(kReach) ? row - static_cast<size_t>(kReach) : 0];
        const auto index = static_cast<int32_t>(b.index);
        int32_t later = 0;
        for (size_t j = from; j < rowStart_[row]; ++j) {
            const Reach& a = reach_[j];
            later |= static_cast<int32_t>(a.index > index) & static_cast<int32_t>(a.left < b.box.right) &
                     static_cast<int32_t>(b.box.left < a.right) & static_cast<int32_t>(a.bottom > b.box.top);
        }
        if (later != 0)
            restampOver(inPlay, from, rowStart_[row], b);
    }
}

// Stamps again, in flake order, the already drawn flakes that come after `b` in flake order and overlap it, each
// only over the overlap: there they end up on top of `b`, as in flake order, and nothing else changes.
void SnowField::restampOver(std::span<Flake> inPlay, size_t from, size_t to, const DrawItem& b)
{
    overlapping_.clear();
    for (size_t j = from; j < to; ++j) {
        const DrawItem& a = ordered_[j];
        if (a.index > b.index && !isEmpty(clipRect(a.box, b.box)))
            overlapping_.push_back(a);
    }
    std::sort(overlapping_.begin(), overlapping_.end(),
              [](const DrawItem& x, const DrawItem& y) { return x.index < y.index; });
    const Pixel previewColumn[2] = {flakeSpriteStrip()[6], flakeSpriteStrip()[kFlakeStripWidth + 6]};
    for (const DrawItem& a : overlapping_) {
        const Rect overlap = clipRect(a.box, b.box);
        const Rect keep = clipRect(overlap, drawRect_);
        if (area_.mode == SnowMode::Preview) {
            // A 1 x 2 column over a 1 x 2 column: the overlap is one pixel of it.
            layer_.put(main_, a.px, overlap.top, previewColumn + (overlap.top - a.py), overlap.bottom - overlap.top,
                       keep);
        } else {
            layer_.stamp(main_, a.px, a.py, inPlay[a.index].spriteX, overlap, keep);
        }
    }
}

}  // namespace nivora
