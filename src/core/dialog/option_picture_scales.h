// The display scales at which the option pictures are stored, and which stored picture serves a row of a given size:
// the exact one, or else the next larger one shrunk, so a picture is never enlarged from fewer pixels than it shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/dialog/dialog_layout.h"

namespace nivora {

// Per cent of the 96-dpi size. Exact pictures for the display scales most screens use, up to 300 %; above it 400 and
// 500 %, so that even the largest scales Windows offers (350, 450, 500 %) shrink a larger picture rather than enlarge
// a smaller one. Each scale stored costs the program about as much as its own size in per cent times 0.2 KB.
inline constexpr std::array<int32_t, 9> kStoredPictureScales = {100, 125, 150, 175, 200, 250, 300, 400, 500};

struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
    friend constexpr bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The size of every option picture stored at `percent`; whole pixels at each stored scale.
constexpr PictureSize storedPictureSize(int32_t percent)
{
    return {kRowWidth * percent / 100, kRowHeight * percent / 100};
}

// The stored scale whose pictures serve a row of `size` pixels: the smallest at least as large both ways, or the
// largest stored one when the row is larger still (beyond any display scale Windows offers; an enlarged picture
// beats an empty row). Nothing for an empty or negative size, or one more than twice the largest stored picture
// either way: no screen asks for that, and the picture's bytes then always fit in 32 bits.
std::optional<int32_t> storedScaleFor(PictureSize size);

// How many pictures row 1..kRowCount has (one per value, the message row one); 0 for any other row.
int32_t optionPictureCount(int row);

// Where the pictures of row 1..kRowCount are stored at `percent`: all of a row's pictures side by side in one PNG, the
// picture of value i at i picture widths from the left (rows of neighbouring pictures are mostly alike, so they pack
// far better together). The velocity row at 150 % is the file "150/velocity.png" beside the other pictures and the
// resource "VELOCITY_150". Empty for a row or scale that is not stored.
std::string optionPictureFile(int row, int32_t percent);
std::string optionPictureResource(int row, int32_t percent);

}  // namespace nivora
