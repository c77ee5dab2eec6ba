// A contact sheet of all the artwork for people to look at: every option picture at 100 %, the settings window's rows
// at 200 %, the icon enlarged on a light and on a dark background, and one picture at every stored scale.
#pragma once

#include <vector>

#include "file_formats.h"
#include "option_pictures.h"

namespace nivora::artwork {

Image drawContactSheet(const std::vector<NamedPicture>& pictures, const std::vector<IconImage>& icons);

}  // namespace nivora::artwork
