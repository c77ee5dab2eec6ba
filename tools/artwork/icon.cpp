// Pixel art of the icon. The shirt is symmetric, so only its left half is drawn and mirrored; the square and the
// letter are laid over it afterwards.
#include "icon.h"

#include <stdexcept>
#include <string_view>

namespace nivora::artwork {
namespace {

// A grey outline lets the white shirt stand out on white and light backgrounds as well as on dark ones.
constexpr Rgb kOutline{88, 84, 100};

// '.' transparent, 'o' outline, 'w' white cloth.
constexpr std::string_view kShirt16[] = {
    "........", "...ooo..", "..owwwoo", ".owwwwww", "owwwwwww", "owwwwwww", "ooowwwww", "...owwww",
    "...owwww", "...owwww", "...owwww", "...owwww", "...owwww", "...owwww", "...owwww", "...ooooo",
};

// The letter inside the square, '#' white and '.' accent colour.
constexpr std::string_view kLetter16[] = {
    "#..#",
    "##.#",
    "#.##",
    "#..#",
};

constexpr std::string_view kShirt32[] = {
    "................", "................", "........oooo....", "......oowwwwo...", "....oowwwwwwwooo",
    "..oowwwwwwwwwwww", ".owwwwwwwwwwwwww", "owwwwwwwwwwwwwww", "owwwwwwwwwwwwwww", "owwwwwwwwwwwwwww",
    "ooowwwwwwwwwwwww", "...oowwwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww",
    ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww",
    ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww",
    ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww", ".....owwwwwwwwww",
    ".....ooooooooooo", "................",
};

constexpr std::string_view kLetter32[] = {
    "##....##", "###...##", "####..##", "##.##.##", "##.##.##", "##..####", "##...###", "##....##",
};

struct Square {
    int left;
    int top;
    int size;
    int letterInset;  // accent-coloured margin between the square's edge and the letter
};

template <std::size_t Rows, std::size_t LetterRows>
IconImage draw(const std::string_view (&halfShirt)[Rows], const std::string_view (&letter)[LetterRows], Square square)
{
    const int size = static_cast<int>(Rows);
    IconImage icon{Image(size, size, Rgb{}), std::vector<bool>(static_cast<std::size_t>(size) * size, false)};
    for (int y = 0; y < size; ++y) {
        if (static_cast<int>(halfShirt[y].size()) * 2 != size)
            throw std::logic_error("icon row of the wrong width");
        for (int x = 0; x < size; ++x) {
            const char c = halfShirt[y][static_cast<std::size_t>(x < size / 2 ? x : size - 1 - x)];
            if (c == '.')
                continue;
            icon.colour.at(x, y) = c == 'o' ? kOutline : kWhite;
            icon.opaque[static_cast<std::size_t>(y) * size + x] = true;
        }
    }
    for (int y = 0; y < square.size; ++y)
        for (int x = 0; x < square.size; ++x)
            icon.colour.at(square.left + x, square.top + y) = kAccent;
    for (std::size_t y = 0; y < LetterRows; ++y)
        for (std::size_t x = 0; x < letter[y].size(); ++x)
            if (letter[y][x] == '#')
                icon.colour.at(square.left + square.letterInset + static_cast<int>(x),
                               square.top + square.letterInset + static_cast<int>(y)) = kWhite;
    return icon;
}

}  // namespace

std::vector<IconImage> drawIconImages()
{
    return {draw(kShirt16, kLetter16, {5, 6, 6, 1}), draw(kShirt32, kLetter32, {10, 11, 12, 2})};
}

}  // namespace nivora::artwork
