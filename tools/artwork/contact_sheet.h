// A contact sheet of all the artwork for people to look at: every option picture at its size, the settings window's
// rows enlarged, and the icon enlarged on a light and on a dark background.
#pragma once

#include <vector>

#include "file_formats.h"
#include "option_pictures.h"

namespace nivora::artwork {

Image drawContactSheet(const std::vector<NamedPicture>& pictures, const std::vector<IconImage>& icons);

// An 8-bit RGB PNG, compressed with zlib.
Bytes encodePng(const Image& image);

}  // namespace nivora::artwork
