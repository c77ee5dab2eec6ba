// The program icon: a white T-shirt with an accent-coloured square on its chest carrying a white "N".
#pragma once

#include <vector>

#include "file_formats.h"

namespace nivora::artwork {

// The 16 x 16 and the 32 x 32 image, in that order; both are drawn pixel by pixel so the small one stays crisp.
std::vector<IconImage> drawIconImages();

}  // namespace nivora::artwork
