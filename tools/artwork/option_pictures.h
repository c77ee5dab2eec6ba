// The option pictures of the settings window, one per value of each row and one for the message row, drawn at every
// stored display scale from the same outlines and the same geometry scaled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "typesetter.h"

namespace nivora::artwork {

struct NamedPicture {
    int row = 0;      // from 1, as the settings window stacks them
    int element = 0;  // the value's index in its row
    std::int32_t percent = 100;
    Image image;
};

// Every picture at every stored scale: by scale, then in the order of the rows, each row by index.
std::vector<NamedPicture> drawOptionPictures(Typeface& face);

}  // namespace nivora::artwork
