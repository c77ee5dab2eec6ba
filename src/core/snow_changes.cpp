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
    rects_.clear();
    const int32_t bands = isEmpty(area) ? 0 : (area.bottom + kChangedBandHeight - 1) / kChangedBandHeight;
    cellsPerBand_ = isEmpty(area) ? 0 : (area.right + kChangedMergeGap - 1) / kChangedMergeGap;
    wordsPerBand_ = (cellsPerBand_ + 63) / 64;
    for (Grid* grid : {&current_, &carried_, &previous_}) {
        grid->cells.assign(static_cast<size_t>(bands) * static_cast<size_t>(cellsPerBand_), kNoPlace);
        grid->touched.assign(static_cast<size_t>(bands) * static_cast<size_t>(wordsPerBand_), 0);
    }
    bandEnd_.assign(static_cast<size_t>(bands), 0);
}

void ChangeTracker::note(Grid& grid, const Rect& r)
{
    if (isEmpty(r))
        return;
    const int32_t cell = r.left / kChangedMergeGap;
    for (int32_t band = r.top / kChangedBandHeight; band * kChangedBandHeight < r.bottom; ++band) {
        const int32_t bandTop = band * kChangedBandHeight;
        Rect& c = grid.cells[static_cast<size_t>(band * cellsPerBand_ + cell)];
        c = {std::min(c.left, r.left), std::min(c.top, std::max(r.top, bandTop)), std::max(c.right, r.right),
             std::max(c.bottom, std::min(r.bottom, bandTop + kChangedBandHeight))};
        grid.touched[static_cast<size_t>(band * wordsPerBand_ + cell / 64)] |= uint64_t{1} << (cell % 64);
    }
}

void ChangeTracker::finish()
{
    // The touched cells of all three grids in order, united; this frame's only cells are cleaned, the carried ones
    // become the next frame's previous ones.
    banded_.clear();
    for (size_t band = 0; band < bandEnd_.size(); ++band) {
        for (int32_t word = 0; word < wordsPerBand_; ++word) {
            const size_t w = band * static_cast<size_t>(wordsPerBand_) + static_cast<size_t>(word);
            uint64_t bits = current_.touched[w] | carried_.touched[w] | previous_.touched[w];
            previous_.touched[w] = carried_.touched[w];
            current_.touched[w] = carried_.touched[w] = 0;
            for (; bits != 0; bits &= bits - 1) {
                const size_t cell = band * static_cast<size_t>(cellsPerBand_) +
                                    static_cast<size_t>(word * 64 + std::countr_zero(bits));
                const Rect& a = current_.cells[cell];
                const Rect& b = carried_.cells[cell];
                const Rect& c = previous_.cells[cell];
                banded_.push_back({std::min({a.left, b.left, c.left}), std::min({a.top, b.top, c.top}),
                                   std::max({a.right, b.right, c.right}), std::max({a.bottom, b.bottom, c.bottom})});
                previous_.cells[cell] = b;
                current_.cells[cell] = carried_.cells[cell] = kNoPlace;
            }
        }
        bandEnd_[band] = banded_.size();
    }

    rects_.clear();
    if (whole_) {
        whole_ = false;
        if (!isEmpty(area_))
            rects_.push_back(area_);
        return;
    }
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
