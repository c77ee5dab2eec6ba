// The message printed into PicText with FreeType: white on black, without antialiasing, at the design-time 48 point
// bold at the display's resolution, fitted and placed by the same rule as on Windows (core/snow/snow_message.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/raster.h"

namespace nivora::program {

// The faces the message is drawn with, the first that holds a character drawing it: the rounded Japanese face of
// fonts-motoya-l-maruberi first, as close as Debian comes to "HG丸ｺﾞｼｯｸM-PRO", then plain Japanese and Latin faces.
class MessageFaces {
public:
    MessageFaces();
    ~MessageFaces();
    MessageFaces(const MessageFaces&) = delete;
    MessageFaces& operator=(const MessageFaces&) = delete;

    bool empty() const;
    // Prints `message` into `picText` (drawWidth x drawHeight, black), 48 point at `dpi`, shrunk a point at a time
    // until it is no wider than 90 % of the picture. False when there is no face to draw with.
    bool print(const Surface& picText, std::u16string_view message, double dpi);

    struct Faces;

private:
    std::unique_ptr<Faces> faces_;
};

// Where the faces are looked for, in order.
const std::vector<std::string>& messageFontFiles();

}  // namespace nivora::program
