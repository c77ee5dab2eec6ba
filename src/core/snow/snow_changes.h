// Change tracking: where picMain changed in a frame, as few rectangles as are worth sending to the screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/rect.h"

namespace nivora {

// Rows of the picture over which changed places are merged side by side.
inline constexpr int32_t kChangedBandHeight = 16;
// Places of one band are gathered in cells of this width: a cell is sent as one rectangle.
inline constexpr int32_t kChangedCellWidth = 16;
// Two changed cells of one band this close are sent as one rectangle. Each rectangle costs a call into the window
// system, about as much as copying 500 pixels (measured under Wine: 0.6 us a call, 1.2 ns a pixel); a gap of 32
// columns over a band is about that much.
inline constexpr int32_t kChangedMergeGap = 32;
// More rectangles than this in a frame are not worth their calls: the bands are then merged with ever wider gaps,
// down to one rectangle per band.
inline constexpr size_t kMaxChangedRects = 4096;

// Rows of the picture a compositor is told of as one rectangle. A compositor's cost grows with the rectangles it is
// given far faster than with the pixels it repaints (sway, by pixman, spent three quarters of a core on 1200 flakes'
// rectangles a frame at 1080p, and a twentieth on the whole picture), so the changes are sent as one box per band.
inline constexpr int32_t kDamageBandHeight = 64;

// Columns of a band's box with nothing changed that cost a compositor as much as one more box. From sway's cost
// above at 1080p and 60 frames a second: a box about 10 us, a pixel about 0.4 ns, so a box is worth some 25 000
// pixels, a gap of about 400 columns over a band of 64 rows.
inline constexpr int32_t kDamageSplitGap = 384;

// Covers every pixel of `rects` with a few rectangles per band of `bandHeight` rows (bands counted from row 0): the
// bounding box of what lies in the band, split where `splitGap` columns or more with nothing in them run through
// it. Top to bottom, left to right, apart; nothing for no change.
std::vector<Rect> mergeIntoBands(std::span<const Rect> rects, int32_t bandHeight, int32_t splitGap = INT32_MAX);

class ChangeTracker {
public:
    // The drawing area; the next frame reports all of it.
    void reset(const Rect& area);
    // A place that changed, within the drawing area.
    void add(const Rect& r) { note(r); }
    // A place that changes now and again in the next frame: a flake drawn now, which the next frame takes away.
    // Reported in both frames without being added twice.
    void addFlake(const Rect& r)
    {
        note(r);
        if (!isEmpty(r))
            carried_.push_back(r);
    }
    // The whole drawing area changed.
    void addWhole() { whole_ = true; }
    // Ends the frame: merges what was added into the rectangles below.
    void finish();

    // Top to bottom, band by band, left to right; they cover every place added since the last finish() (and every
    // flake added before it) and never overlap.
    std::span<const Rect> rects() const { return rects_; }

private:
    // Per band, per cell of kChangedCellWidth columns: the union of the places to report this frame whose left edge
    // lies in the cell, and a bit per cell that says whether it holds any, so a frame visits only the cells it
    // touched. The flakes carried into the next frame are kept as a list and noted again when that frame ends, so
    // the grid holds one rectangle a cell: at 4K one flake's cell is seldom near the last one's, and a grid a third
    // the size stays in the caches.
    struct Cell {  // a rectangle within the area, which is never wider or higher than 16 bits
        int16_t left, top, right, bottom;
    };
    // Inline for the usual place, a flake within one band; the rest out of line.
    void note(const Rect& r)
    {
        if (isEmpty(r))
            return;
        // Every place lies within the area, whose corner is (0, 0): no coordinate is negative or beyond 16 bits.
        const auto band = static_cast<uint32_t>(r.top) / kChangedBandHeight;
        if (band != static_cast<uint32_t>(r.bottom - 1) / kChangedBandHeight) {
            noteBands(r);
            return;
        }
        const auto cell = static_cast<uint32_t>(r.left) / kChangedCellWidth;
        Cell& c = cells_[band * static_cast<uint32_t>(cellsPerBand_) + cell];
        c = {std::min(c.left, static_cast<int16_t>(r.left)), std::min(c.top, static_cast<int16_t>(r.top)),
             std::max(c.right, static_cast<int16_t>(r.right)), std::max(c.bottom, static_cast<int16_t>(r.bottom))};
        touched_[band * static_cast<uint32_t>(wordsPerBand_) + cell / 64] |= uint64_t{1} << (cell % 64);
    }
    void noteBands(const Rect& r);
    int32_t chooseGap();
    void mergeBands(int32_t gap);

    Rect area_;
    bool whole_ = true;
    int32_t cellsPerBand_ = 0;
    int32_t wordsPerBand_ = 0;
    std::vector<Cell> cells_;
    std::vector<uint64_t> touched_;    // per band, per word of cells
    std::vector<Rect> carried_;        // this frame's flakes, reported again in the next
    std::vector<Rect> carriedBefore_;  // the last frame's, noted when this one ends
    std::vector<Rect> banded_;         // the touched cells, band by band, left to right
    std::vector<size_t> bandEnd_;      // per band, one past its last cell in banded_
    std::vector<int32_t> gaps_;
    std::vector<Rect> rects_;
};

}  // namespace nivora
