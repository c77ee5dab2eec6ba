// The pixel mapping of each output transform, as wlroots maps the layout onto an output's buffer.
#include "output_transform.h"

namespace nivora {

bool isOutputTransform(int32_t value)
{
    return value >= 0 && value <= 7;
}

TurnedPicture turnToLayout(const ConstSurface& buffer, OutputTransform transform)
{
    TurnedPicture turned;
    const bool swap = swapsSides(transform);
    const int32_t width = swap ? buffer.height : buffer.width;  // in the layout
    const int32_t height = swap ? buffer.width : buffer.height;
    if (width <= 0 || height <= 0)
        return turned;
    turned.width = width;
    turned.height = height;
    turned.pixels.resize(size_t(width) * size_t(height));
    // The layout's pixel (x, y) lies at buffer pixel (x0 + x * dxX + y * dxY, y0 + x * dyX + y * dyY).
    int32_t x0 = 0, y0 = 0, dxX = 1, dxY = 0, dyX = 0, dyY = 1;
    switch (transform) {
    case OutputTransform::Normal:
        break;
    case OutputTransform::Turned90:  // (y, W-1-x)
        dxX = 0, dxY = 1, dyX = -1, dyY = 0, y0 = width - 1;
        break;
    case OutputTransform::Turned180:  // (W-1-x, H-1-y)
        dxX = -1, dyY = -1, x0 = width - 1, y0 = height - 1;
        break;
    case OutputTransform::Turned270:  // (H-1-y, x)
        dxX = 0, dxY = -1, dyX = 1, dyY = 0, x0 = height - 1;
        break;
    case OutputTransform::Flipped:  // (W-1-x, y)
        dxX = -1, x0 = width - 1;
        break;
    case OutputTransform::Flipped90:  // (H-1-y, W-1-x)
        dxX = 0, dxY = -1, dyX = -1, dyY = 0, x0 = height - 1, y0 = width - 1;
        break;
    case OutputTransform::Flipped180:  // (x, H-1-y)
        dyY = -1, y0 = height - 1;
        break;
    case OutputTransform::Flipped270:  // (y, x)
        dxX = 0, dxY = 1, dyX = 1, dyY = 0;
        break;
    }
    Pixel* to = turned.pixels.data();
    for (int32_t y = 0; y < height; ++y) {
        int32_t bx = x0 + y * dxY, by = y0 + y * dyY;
        for (int32_t x = 0; x < width; ++x, bx += dxX, by += dyX)
            *to++ = buffer.at(bx, by);
    }
    return turned;
}

}  // namespace nivora
