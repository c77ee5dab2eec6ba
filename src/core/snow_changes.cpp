// Change tracking: the frame's changed places gathered into cells of a band, then merged where close.
#include "core/snow_changes.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace nivora {
namespace {

constexpr Rect kNoPlace{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};

}  // namespace

void ChangeTracker::reset(const Rect& area)
{
    area_ = area;
    whole_ = true;
    any_ = false;
    rects_.clear();
    const int32_t bands = isEmpty(area) ? 0 : (area.bottom + kChangedBandHeight - 1) / kChangedBandHeight;
    cellsPerBand_ = isEmpty(area) ? 0 : (area.right + kChangedMergeGap - 1) / kChangedMergeGap;
    wordsPerBand_ = (cellsPerBand_ + 63) / 64;
    cells_.assign(static_cast<size_t>(bands) * static_cast<size_t>(cellsPerBand_), kNoPlace);
    touched_.assign(static_cast<size_t>(bands) * static_cast<size_t>(wordsPerBand_), 0);
    bandEnd_.assign(static_cast<size_t>(bands), 0);
}

void ChangeTracker::add(const Rect& r)
{
    if (isEmpty(r))
        return;
    any_ = true;
    const int32_t cell = r.left / kChangedMergeGap;
    for (int32_t band = r.top / kChangedBandHeight; band * kChangedBandHeight < r.bottom; ++band) {
        const int32_t bandTop = band * kChangedBandHeight;
        Rect& c = cells_[static_cast<size_t>(band * cellsPerBand_ + cell)];
        c = {std::min(c.left, r.left), std::min(c.top, std::max(r.top, bandTop)), std::max(c.right, r.right),
             std::max(c.bottom, std::min(r.bottom, bandTop + kChangedBandHeight))};
        touched_[static_cast<size_t>(band * wordsPerBand_ + cell / 64)] |= uint64_t{1} << (cell % 64);
    }
}

void ChangeTracker::finish()
{
    rects_.clear();
    if (whole_) {
        whole_ = false;
        if (!isEmpty(area_))
            rects_.push_back(area_);
        if (!any_)
            return;
    }
    if (!any_)
        return;

    // The touched cells in order, each taken out of the grid so that it is clean for the next frame.
    banded_.clear();
    for (size_t band = 0; band < bandEnd_.size(); ++band) {
        for (int32_t word = 0; word < wordsPerBand_; ++word) {
            uint64_t& bits = touched_[band * static_cast<size_t>(wordsPerBand_) + static_cast<size_t>(word)];
            for (; bits != 0; bits &= bits - 1) {
                const int32_t cell = word * 64 + std::countr_zero(bits);
                Rect& c = cells_[band * static_cast<size_t>(cellsPerBand_) + static_cast<size_t>(cell)];
                banded_.push_back(c);
                c = kNoPlace;
            }
        }
        bandEnd_[band] = banded_.size();
    }
    any_ = false;

    if (!rects_.empty())
        return;  // the whole area was reported
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
