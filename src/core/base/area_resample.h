// Resizes a 32-bit picture by area averaging: each target pixel is the mean of the part of the source it covers, so
// shrinking a picture keeps thin strokes and small digits as grey rather than dropping or doubling them.
#pragma once

#include "core/base/raster.h"

namespace nivora {

// Fills `target` with `source` resized to the target's size, each of the four bytes of a pixel averaged apart and
// rounded to nearest, halves to even. Meant for shrinking; enlarging works too, each source pixel repeated with blended
// seams. Either surface being empty leaves the target as it is.
void resampleByArea(ConstSurface source, Surface target);

}  // namespace nivora
