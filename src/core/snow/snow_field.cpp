// The snow field's start, and its frames in four steps: the flakes move, those on the message settle into the
// background, the others are drawn, and all of them fall on or start again.
#include "core/snow/snow_field.h"

#include <algorithm>
#include <cmath>

#include "core/snow/flake_sprites.h"

namespace nivora {

void SnowField::InitData(const SnowSettings& settings, const SnowArea& area, Random& random)
{
    area_ = area;
    area_.scale = area.mode == SnowMode::Preview ? 1.0 : snowScale(area.scale);
    const double scale = area_.scale;
    sprites_ = FlakeSprites(scale);
    random_ = &random;
    flakeCount = flakeCountFor(settings.precipitation);
    velocity = windFromLevel(settings.velocity);
    flakes.assign(static_cast<size_t>(flakeCount), Flake{});
    // On the area at 100 %, where the flakes move.
    const double width = area.drawWidth / scale;
    const double height = area.drawHeight / scale;
    for (Flake& f : flakes) {
        f.x = static_cast<float>(std::floor(static_cast<double>(random.next()) * width));
        f.y = static_cast<float>(std::floor(static_cast<double>(random.next()) * height) * -15.0);
        f.size = static_cast<int32_t>(std::floor(static_cast<double>(random.next()) * 6.05));
        f.speed = static_cast<float>(std::floor(static_cast<double>(random.next()) * 4.0) + 1.0);
        f.spriteX = f.size * sprites_.cellSize();
    }
}

void SnowField::attachSurfaces(const SnowSurfaces& surfaces)
{
    main_ = surfaces.main;
    desk_ = surfaces.desk;
    deskBounds_ = {0, 0, desk_.width, desk_.height};
    deskLeft_ = deskTop_ = 0;
    deskCut_ = false;
    drawRect_ = {0, 0, std::max(0, std::min<int32_t>({area_.drawWidth, main_.width, desk_.width})),
                 std::max(0, std::min<int32_t>({area_.drawHeight, main_.height, desk_.height}))};
    // No picture with more pixels than 32 bits count: the layer of falling flakes counts them so.
    const auto pixels = static_cast<uint64_t>(std::max(0, main_.height)) *
                        static_cast<uint64_t>(std::max(0, main_.stride));
    if (main_.pixels == nullptr || desk_.pixels == nullptr || pixels > UINT32_MAX)
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
    layer_.prepare(sprites_, main_.stride);
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
    if (random_ == nullptr || main_.pixels == nullptr || (desk_.pixels == nullptr && !deskCut_))
        return;
    const std::span<Flake> inPlay = std::span(flakes).first(
        static_cast<size_t>(std::clamp<int64_t>(flakeCount, 0, int64_t(flakes.size()))));
    positions_.resize(inPlay.size());
    if constexpr (Mode == SnowMode::FullScreen) {
        if (wholeStale_)
            restoreBackground();  // else the bands restore what they draw on
        moveFlakes<Mode>(inPlay, velocity, area_.scale, positions_);
        chooseSettling(inPlay);
        drawBands(inPlay);
        settleFlakes<Mode>(inPlay);
    } else {
        restoreBackground();
        moveFlakes<Mode>(inPlay, velocity, area_.scale, positions_);
        chooseSettling(inPlay);
        settleFlakes<Mode>(inPlay);
        drawPreviewFlakes(inPlay);
    }
    advanceFlakes<Mode>(inPlay, positions_, settled_, area_, *random_);
    changes_.finish();
}

// Which flakes settle, in flake order, since each landing thins the mask for the flakes after it.
void SnowField::chooseSettling(std::span<const Flake> inPlay)
{
    settled_.clear();
    if (mask_.empty())
        return;  // no message here: nothing ever settles
    const bool preview = area_.mode == SnowMode::Preview;
    for (size_t i = 0; i < inPlay.size(); ++i) {
        const auto [swayed, px, py] = positions_[i];
        if (!mask_.catches(px, py))
            continue;
        settled_.push_back(static_cast<uint32_t>(i));
        if (preview)
            mask_.landPreview(px, py);
        else
            mask_.landFullScreen(px, py, toPixel((static_cast<double>(inPlay[i].y) - 1.0) * area_.scale),
                                 sprites_.edge(1), sprites_.edge(4));
    }
}

// The full-screen frame's work on picMain, band by band of rows from the top: the last frame's flakes come off the
// band, the places where flakes settled in the last frame are copied from PicDesk, and this frame's flakes that
// are not settling are drawn, in flake order. A band's rows are touched together: those the last frame's flakes
// lay on and those this frame's flakes fall onto are mostly the same memory pages, so the wide pictures' rows, a
// page or more each, are looked up once rather than twice.
void SnowField::drawBands(std::span<const Flake> inPlay)
{
    const size_t bands = static_cast<size_t>((main_.height + kBandRows - 1) / kBandRows);
    // The flakes to draw, in flake order, and for each band the ones with rows in it: a flake is at most 30 rows
    // high, so it lies in one band or two.
    drawn_.clear();
    bandFirst_.assign(bands + 1, 0);
    forEachFalling(inPlay.size(), [&](size_t i) {
        const auto [swayed, px, py] = positions_[i];
        const int32_t spriteX = inPlay[i].spriteX;
        Rect box;
        bool inside = sprites_.isCell(spriteX) && topBytesClear_ && cellInside(px, py);
        if (inside) {
            const Rect kind = layer_.kindBox(spriteX);
            box = {px + kind.left, py + kind.top, px + kind.right, py + kind.bottom};
            changes_.addFlake(box);
        } else {
            box = flakeBoxIn(main_, px, py, spriteX);
            if (isEmpty(box))
                return;  // wholly off the picture, as most flakes are at the start
            changes_.addFlake(clipRect(box, drawRect_));
        }
        const auto first = static_cast<uint32_t>(box.top / kBandRows);
        const auto last = static_cast<uint32_t>((box.bottom - 1) / kBandRows);
        drawn_.push_back({static_cast<uint32_t>(i), first, last, inside});
        ++bandFirst_[first + 1];
        if (last != first)
            ++bandFirst_[last + 1];
    });
    for (size_t b = 1; b <= bands; ++b)
        bandFirst_[b] += bandFirst_[b - 1];
    inBand_.resize(bandFirst_[bands]);
    bandFill_.assign(bandFirst_.begin(), bandFirst_.end() - 1);
    for (uint32_t d = 0; d < drawn_.size(); ++d) {
        inBand_[bandFill_[drawn_[d].firstBand]++] = d;
        if (drawn_[d].lastBand != drawn_[d].firstBand)
            inBand_[bandFill_[drawn_[d].lastBand]++] = d;
    }

    layer_.beginBands(main_, bands);
    for (size_t b = 0; b < bands; ++b) {
        const auto top = static_cast<int32_t>(b) * kBandRows;
        const int32_t bottom = std::min(top + kBandRows, main_.height);
        // The next band's rows are asked for while this one is drawn.
        if (b + 1 < bands) {
            for (size_t k = bandFirst_[b + 1]; k < bandFirst_[b + 2]; ++k)
                prefetchFlake(inPlay, drawn_[inBand_[k]].flake);
        }
        layer_.takeAwayBand(main_, b);
        // After the flakes are off: what settled under them shows.
        for (const Rect& r : settledRects_)
            copyFromDesk(r, top, bottom);
        for (size_t k = bandFirst_[b]; k < bandFirst_[b + 1]; ++k) {
            const Drawn& d = drawn_[inBand_[k]];
            const auto [swayed, px, py] = positions_[d.flake];
            const int32_t spriteX = inPlay[d.flake].spriteX;
            if (d.inside) {
                if (d.firstBand == d.lastBand)
                    layer_.stampInside(main_, px, py, spriteX);  // the common case: a whole flake in one band
                else
                    layer_.stampInsideRows(main_, px, py, spriteX, top, bottom);
            } else {
                const Rect box = flakeBoxIn(main_, px, py, spriteX);
                layer_.stampRows(sprites_, main_, px, py, spriteX, box, clipRect(box, drawRect_), top, bottom);
            }
        }
        layer_.endBand(b);
    }
    for (const Rect& r : settledRects_)
        changes_.add(r);
    settledRects_.clear();
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
        copyFromDesk(r, r.top, r.bottom);
        changes_.add(r);
    }
    settledRects_.clear();
}

// The rows of a place in picMain that lie from `top` to `bottom`, copied back from PicDesk.
void SnowField::copyFromDesk(const Rect& r, int32_t top, int32_t bottom)
{
    for (int32_t y = std::max(r.top, top); y < std::min(r.bottom, bottom); ++y) {
        const Pixel* from = desk_.row(y - deskTop_) + (r.left - deskLeft_);
        std::copy(from, from + (r.right - r.left), main_.row(y) + r.left);
    }
}

std::optional<Rect> SnowField::deskStillRead() const
{
    if (wholeStale_)
        return std::nullopt;
    if (mask_.empty())
        return Rect{};
    // A flake settles where the mask catches its corner and covers its cell from there.
    const Rect m = mask_.bounds();
    const int32_t cell = sprites_.cellSize();
    return clipRect({m.left, m.top, m.right + cell, m.bottom + cell}, deskBounds_);
}

void SnowField::cutDesk(const Surface& part)
{
    const std::optional<Rect> kept = deskStillRead();
    if (!kept || part.width != kept->right - kept->left || part.height != kept->bottom - kept->top)
        return;  // not what frames read: keep the whole picture
    desk_ = part;
    deskLeft_ = kept->left;
    deskTop_ = kept->top;
    deskCut_ = true;
}

bool cutDeskInto(SnowField& field, const ConstSurface& desk, std::vector<Pixel>& part)
{
    const std::optional<Rect> kept = field.deskStillRead();
    if (!kept)
        return false;  // no frame yet: the first copies the whole picture
    const int32_t width = kept->right - kept->left;
    const int32_t height = kept->bottom - kept->top;
    part.resize(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(desk.row(kept->top + y) + kept->left, width, part.data() + size_t(y) * size_t(width));
    field.cutDesk({part.data(), width, height, width});
    return true;
}

bool SnowField::cellInside(int32_t px, int32_t py) const
{
    const int32_t cell = sprites_.cellSize();
    return px >= drawRect_.left && py >= drawRect_.top && px <= drawRect_.right - cell && py <= drawRect_.bottom - cell;
}

// The part of a surface that stamping a flake at (px, py) may change: its own pixels where the unused top byte is
// known to be 0 (inside the drawing area), else its whole cell; clipped to the surface.
Rect SnowField::flakeBoxIn(const Surface& dst, int32_t px, int32_t py, int32_t spriteX) const
{
    return clipRect(flakeBox(sprites_, px, py, spriteX, topBytesClear_ && cellInside(px, py)),
                    {0, 0, dst.width, dst.height});
}

// Asks for the rows of picMain that flake i will be drawn on. Each frame's flakes fall onto rows that are cold in
// the cache, and at these widths every row lies on a page of its own: asked for some flakes ahead, their waits for
// memory overlap instead of following one another.
void SnowField::prefetchFlake(std::span<const Flake> inPlay, size_t i) const
{
    const auto [swayed, px, py] = positions_[i];
    if (!sprites_.isCell(inPlay[i].spriteX) || !cellInside(px, py))
        return;
    const Rect box = layer_.kindBox(inPlay[i].spriteX);
    for (int32_t y = py + box.top; y < py + box.bottom; ++y) {
        const Pixel* row = main_.row(y);
        NIVORA_PREFETCH_FOR_WRITE(row + px + box.left);
        NIVORA_PREFETCH_FOR_WRITE(row + px + box.right - 1);
    }
}

// The flakes that settle are stamped into PicDesk, in flake order, so that a later one lies on top.
template <SnowMode Mode>
void SnowField::settleFlakes(std::span<Flake> inPlay)
{
    for (const uint32_t i : settled_) {
        const auto [swayed, px, py] = positions_[i];
        Rect changed;
        if constexpr (Mode == SnowMode::Preview) {
            if (desk_.contains(px - deskLeft_, py - deskTop_))
                desk_.at(px - deskLeft_, py - deskTop_) = flakeSpriteStrip()[0];  // one grey pixel
            changed = clipRect({px, py, px + 1, py + 1}, drawRect_);
        } else {
            const Flake& f = inPlay[i];
            const Rect box = clipRect(flakeBox(sprites_, px, py, f.spriteX, topBytesClear_ && cellInside(px, py)),
                                      deskBounds_);
            stampFlake(sprites_, desk_, px - deskLeft_, py - deskTop_, f.spriteX,
                       {box.left - deskLeft_, box.top - deskTop_, box.right - deskLeft_, box.bottom - deskTop_});
            changed = clipRect(box, drawRect_);
        }
        if (!isEmpty(changed))
            settledRects_.push_back(changed);
    }
}

// The preview's falling flakes, in flake order, so that a flake drawn later lies on top where two overlap.
void SnowField::drawPreviewFlakes(std::span<const Flake> inPlay)
{
    // The falling preview flake: a white pixel above a grey one, column 6 of the sprite strip.
    const Pixel previewColumn[2] = {flakeSpriteStrip()[6], flakeSpriteStrip()[kFlakeStripWidth + 6]};
    const Rect mainBounds{0, 0, main_.width, main_.height};
    forEachFalling(inPlay.size(), [&](size_t i) {
        const auto [swayed, px, py] = positions_[i];
        const Rect keep = clipRect({px, py, px + 1, py + 2}, drawRect_);
        if (!isEmpty(clipRect({px, py, px + 1, py + 2}, mainBounds)))
            layer_.put(main_, px, py, previewColumn, 2, keep);
        changes_.addFlake(keep);
    });
}

}  // namespace nivora
