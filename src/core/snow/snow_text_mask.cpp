// The text mask, kept as the bounding box of the message's exactly white pixels.
#include "core/snow/snow_text_mask.h"

#include <algorithm>

namespace nivora {

void TextMask::build(const ConstSurface& text)
{
    left_ = top_ = columns_ = rows_ = 0;
    bytes_.clear();
    spans_.clear();
    if (text.pixels == nullptr || text.width <= 0 || text.height <= 0)
        return;

    // First the box, then the bytes inside it.
    int32_t left = text.width, right = 0, top = text.height, bottom = 0;
    for (int32_t y = 0; y < text.height; ++y) {
        const Pixel* row = text.row(y);
        int32_t first = 0;
        while (first < text.width && !isExactWhite(row[first]))
            ++first;
        if (first == text.width)
            continue;
        int32_t last = text.width;
        while (!isExactWhite(row[last - 1]))
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y + 1;
    }
    if (top >= bottom)
        return;

    left_ = left;
    top_ = top;
    columns_ = right - left;
    rows_ = bottom - top;
    bytes_.assign(static_cast<size_t>(columns_) * static_cast<size_t>(rows_), 0);
    spans_.assign(static_cast<size_t>(rows_), Span{0, 0});
    for (int32_t row = 0; row < rows_; ++row) {
        const Pixel* from = text.row(top_ + row);
        Span span{right, left};
        for (int32_t x = left; x < right; ++x) {
            if (isExactWhite(from[x])) {
                bytes_[index(x, row)] = 1;
                span = {std::min(span.first, x), x + 1};
            }
        }
        spans_[static_cast<size_t>(row)] = span.first < span.last ? span : Span{0, 0};
    }
}

void TextMask::set(int32_t x, int32_t y, uint8_t value)
{
    // Outside the box no pixel catches, and none is ever made to: landings only happen on catching pixels.
    const int32_t row = y - top_;
    if (static_cast<uint32_t>(row) < static_cast<uint32_t>(rows_) &&
        static_cast<uint32_t>(x - left_) < static_cast<uint32_t>(columns_))
        bytes_[index(x, row)] = value;
}

void TextMask::landFullScreen(int32_t x, int32_t y, int32_t y1, int32_t columns, int32_t rows)
{
    // No landing lies so far off that these sums overflow: landings only happen on the mask's pixels.
    for (int32_t row = y1; row < y1 + rows; ++row)
        for (int32_t column = x; column < x + columns; ++column)
            set(column, row, 0);
    set(x, y, 1);
}

void TextMask::landPreview(int32_t x, int32_t y)
{
    set(x, y, 0);
}

}  // namespace nivora
