// The picture beside the setup's welcome and finish pages: Nivora's night desktop, dimmed behind falling snow, with
// the icon and the name written in snow, and a drift along the bottom.
#pragma once

#include <cstdint>
#include <vector>

#include "file_formats.h"
#include "image.h"
#include "typesetter.h"

namespace nivora::artwork {

struct SetupPicture {
    std::int32_t percent = 100;
    Image image;
};

// 164 x 314 at 100 % (the pages' picture place at 96 dpi) and the same drawing at 125, 150 and 200 %, which the
// setup picks from by the display's scale.
std::vector<SetupPicture> drawSetupPictures(Typeface& face, const IconImage& icon);

}  // namespace nivora::artwork
