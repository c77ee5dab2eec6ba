// The text mask: where flakes settle. Taken once from PicText's exactly white pixels; from then on the frames read
// and thin only this mask, never PicText itself.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/raster.h"
#include "core/snow/snow_changes.h"

namespace nivora {

class TextMask {
public:
    // One pass over PicText. Only the bounding box of its catching pixels is kept, a byte per pixel: the message's
    // few rows rather than the whole picture, and nothing at all for a picture without a message (the secondary
    // monitors). PicText is not read again, so its owner may free it once this returns.
    void build(const ConstSurface& text);

    // True where a flake at (x, y) settles: the pixel was exactly white and has not been thinned out since.
    bool catches(int32_t x, int32_t y) const
    {
        const int32_t row = y - top_;
        if (static_cast<uint32_t>(row) >= static_cast<uint32_t>(rows_))
            return false;
        // Most flakes are nowhere near the message: the row's span of catching pixels answers without touching the
        // bytes. The spans are taken once and only ever too wide, since the mask only loses catching pixels.
        const Span& span = spans_[static_cast<size_t>(row)];
        return x >= span.first && x < span.last && bytes_[index(x, row)] != 0;
    }

    // A full-screen landing at (x, y), where y1 is the flake's row above rounded as the landing row: the column
    // `columns` wide from y1 `rows` down (at 100 %: 1 x 4) stops catching, and then the landing pixel catches again.
    void landFullScreen(int32_t x, int32_t y, int32_t y1, int32_t columns, int32_t rows);
    // A preview landing: the pixel stops catching, so each one catches a single flake.
    void landPreview(int32_t x, int32_t y);

    bool empty() const { return rows_ == 0; }
    // The box of pixels that may still catch, in PicText's coordinates; it only ever holds fewer of them.
    Rect bounds() const { return {left_, top_, left_ + columns_, top_ + rows_}; }

private:
    struct Span {
        int32_t first;  // first column that may catch
        int32_t last;   // just past the last one
    };
    size_t index(int32_t x, int32_t row) const
    {
        return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(x - left_);
    }
    void set(int32_t x, int32_t y, uint8_t value);

    // The box of catching pixels in PicText's coordinates.
    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t columns_ = 0;
    int32_t rows_ = 0;
    std::vector<uint8_t> bytes_;
    std::vector<Span> spans_;
};

}  // namespace nivora
