// Change tracking: the frame's changed places gathered into cells of a band, then merged where close.
#include "core/snow/snow_changes.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace nivora {
namespace {

constexpr int16_t kLow = INT16_MIN;
constexpr int16_t kHigh = INT16_MAX;

// The band holding row `y`, also above row 0.
int32_t bandOf(int32_t y, int32_t bandHeight)
{
    return y >= 0 ? y / bandHeight : -((-y - 1) / bandHeight) - 1;
}

}  // namespace

std::vector<Rect> mergeIntoBands(std::span<const Rect> rects, int32_t bandHeight, int32_t splitGap)
{
    // Each rectangle's part within each band it crosses, ordered by band, then by left edge.
    struct Piece {
        int32_t band;
        Rect r;
    };
    std::vector<Piece> pieces;
    pieces.reserve(rects.size());
    for (const Rect& r : rects) {
        if (isEmpty(r))
            continue;
        for (int32_t band = bandOf(r.top, bandHeight); band <= bandOf(r.bottom - 1, bandHeight); ++band)
            pieces.push_back(
                {band,
                 {r.left, std::max(r.top, band * bandHeight), r.right, std::min(r.bottom, (band + 1) * bandHeight)}});
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.band != b.band ? a.band < b.band : a.r.left < b.r.left; });
    std::vector<Rect> out;
    auto emit = [&](const Rect& b) {
        // Bands that meet with the same columns are one rectangle: fewer still when the snow fills the picture.
        if (!out.empty() && out.back().left == b.left && out.back().right == b.right && out.back().bottom == b.top)
            out.back().bottom = b.bottom;
        else
            out.push_back(b);
    };
    // Left to right within a band, a box grows by each piece until a gap of `splitGap` columns or more opens.
    for (size_t i = 0; i < pieces.size();) {
        const int32_t band = pieces[i].band;
        Rect box = pieces[i].r;
        for (++i; i < pieces.size() && pieces[i].band == band; ++i) {
            const Rect& r = pieces[i].r;
            if (int64_t(r.left) - box.right >= splitGap) {
                emit(box);
                box = r;
            } else {
                box = {box.left, std::min(box.top, r.top), std::max(box.right, r.right),
                       std::max(box.bottom, r.bottom)};
            }
        }
        emit(box);
    }
    return out;
}

void ChangeTracker::reset(const Rect& area)
{
    area_ = area;
    whole_ = true;
    rects_.clear();
    const int32_t bands = isEmpty(area) ? 0 : (area.bottom + kChangedBandHeight - 1) / kChangedBandHeight;
    cellsPerBand_ = isEmpty(area) ? 0 : (area.right + kChangedCellWidth - 1) / kChangedCellWidth;
    wordsPerBand_ = (cellsPerBand_ + 63) / 64;
    cells_.assign(static_cast<size_t>(bands) * static_cast<size_t>(cellsPerBand_), Cell{kHigh, kHigh, kLow, kLow});
    touched_.assign(static_cast<size_t>(bands) * static_cast<size_t>(wordsPerBand_), 0);
    carried_.clear();
    carriedBefore_.clear();
    bandEnd_.assign(static_cast<size_t>(bands), 0);
}

// A place over several bands: its part in each.
void ChangeTracker::noteBands(const Rect& r)
{
    const auto cell = static_cast<uint32_t>(r.left) / kChangedCellWidth;
    const auto firstBand = static_cast<uint32_t>(r.top) / kChangedBandHeight;
    const auto lastBand = static_cast<uint32_t>(r.bottom - 1) / kChangedBandHeight;
    for (auto band = firstBand; band <= lastBand; ++band) {
        const auto bandTop = static_cast<int32_t>(band * kChangedBandHeight);
        Cell& c = cells_[band * static_cast<uint32_t>(cellsPerBand_) + cell];
        c = {static_cast<int16_t>(std::min<int32_t>(c.left, r.left)),
             static_cast<int16_t>(std::min<int32_t>(c.top, std::max(r.top, bandTop))),
             static_cast<int16_t>(std::max<int32_t>(c.right, r.right)),
             static_cast<int16_t>(std::max<int32_t>(c.bottom, std::min(r.bottom, bandTop + kChangedBandHeight)))};
        touched_[band * static_cast<uint32_t>(wordsPerBand_) + cell / 64] |= uint64_t{1} << (cell % 64);
    }
}

void ChangeTracker::finish()
{
    // The last frame's flakes come off in this one: their places join this frame's, mostly in the cells this
    // frame's flakes have just touched.
    for (const Rect& r : carriedBefore_)
        note(r);
    carriedBefore_.swap(carried_);
    carried_.clear();

    // The touched cells in order, each emptied for the next frame.
    banded_.clear();
    rects_.clear();
    const Cell none{kHigh, kHigh, kLow, kLow};
    for (size_t band = 0; band < bandEnd_.size(); ++band) {
        // Merged with the narrowest gap on the way, as nearly every frame ends: merged again below only if that
        // gives too many rectangles.
        Rect merged;
        bool open = false;
        for (int32_t word = 0; word < wordsPerBand_; ++word) {
            uint64_t& touched = touched_[band * static_cast<size_t>(wordsPerBand_) + static_cast<size_t>(word)];
            for (uint64_t left = touched; left != 0; left &= left - 1) {
                Cell& c = cells_[band * static_cast<size_t>(cellsPerBand_) +
                                 static_cast<size_t>(word * 64 + std::countr_zero(left))];
                const Rect r{c.left, c.top, c.right, c.bottom};
                c = none;
                banded_.push_back(r);
                if (open && r.left - merged.right <= kChangedMergeGap) {
                    merged = {merged.left, std::min(merged.top, r.top), std::max(merged.right, r.right),
                              std::max(merged.bottom, r.bottom)};
                } else {
                    if (open)
                        rects_.push_back(merged);
                    merged = r;
                    open = true;
                }
            }
            touched = 0;
        }
        if (open)
            rects_.push_back(merged);
        bandEnd_[band] = banded_.size();
    }

    if (whole_) {
        whole_ = false;
        rects_.clear();
        if (!isEmpty(area_))
            rects_.push_back(area_);
        return;
    }
    if (rects_.size() > kMaxChangedRects)
        mergeBands(chooseGap());
}

// The smallest gap, from kChangedMergeGap up, that leaves at most kMaxChangedRects rectangles (or one per band if
// even that is more). A band splits only where the gap between two neighbouring cells is wider than the chosen
// one, so the count is known from those gaps before merging.
int32_t ChangeTracker::chooseGap()
{
    gaps_.clear();
    size_t bands = 0;
    size_t begin = 0;
    for (size_t end : bandEnd_) {
        bands += begin != end;
        for (size_t i = begin + 1; i < end; ++i) {
            const int32_t gap = banded_[i].left - banded_[i - 1].right;
            if (gap > kChangedMergeGap)
                gaps_.push_back(gap);
        }
        begin = end;
    }
    if (bands + gaps_.size() <= kMaxChangedRects)
        return kChangedMergeGap;
    if (bands >= kMaxChangedRects)
        return INT32_MAX;
    // Keep the widest `splits` gaps apart: merge across every gap up to the next widest.
    const size_t splits = kMaxChangedRects - bands;
    const auto nth = gaps_.begin() + static_cast<std::ptrdiff_t>(splits);
    std::nth_element(gaps_.begin(), nth, gaps_.end(), std::greater<>());
    return *nth;
}

void ChangeTracker::mergeBands(int32_t gap)
{
    rects_.clear();
    size_t begin = 0;
    for (size_t end : bandEnd_) {
        if (begin == end)
            continue;
        Rect merged = banded_[begin];
        for (size_t i = begin + 1; i < end; ++i) {
            const Rect& r = banded_[i];
            if (r.left - merged.right <= gap) {
                merged = {merged.left, std::min(merged.top, r.top), std::max(merged.right, r.right),
                          std::max(merged.bottom, r.bottom)};
            } else {
                rects_.push_back(merged);
                merged = r;
            }
        }
        rects_.push_back(merged);
        begin = end;
    }
}

}  // namespace nivora
