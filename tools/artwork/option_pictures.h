// The 26 option pictures of the settings window: one 360 x 40 picture per value of each setting, and the message row.
#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "typesetter.h"

namespace nivora::artwork {

inline constexpr int kPictureWidth = 360;
inline constexpr int kPictureHeight = 40;

struct NamedPicture {
    std::string fileName;  // e.g. "velocity_6.bmp"
    Image image;
};

// In the order of the settings window's rows, each array by index.
std::vector<NamedPicture> drawOptionPictures(Typeface& face);

}  // namespace nivora::artwork
