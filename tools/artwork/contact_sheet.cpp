// Layout of the contact sheet; it is documentation only, the saver never reads it.
#include "contact_sheet.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/dialog/dialog_model.h"
#include "core/dialog/setting_rows.h"

namespace nivora::artwork {
namespace {

constexpr Rgb kPaper{232, 232, 236};
constexpr Rgb kLight{255, 255, 255};
constexpr Rgb kDark{36, 36, 44};
constexpr int kMargin = 16;
constexpr int kGap = 4;
constexpr int kGroupGap = 14;

// The rows stacked as the settings window stacks them: the first at the defaults, as the window first opens.
using Stack = std::array<std::pair<int, int>, kRowCount>;  // row, element
Stack defaultStack()
{
    SnowSettings defaults;
    const DialogModel model(defaults);
    Stack stack{};
    for (int row = 1; row <= kRowCount; ++row)
        stack[static_cast<std::size_t>(row - 1)] = {row, model.ShowSetting(row).overlayElement};
    return stack;
}
// The second at other values, with another wind picture in the message row's place.
constexpr Stack kOtherStack{{{1, 4}, {2, 1}, {3, 0}, {4, 0}, {2, 11}}};

void blit(Image& sheet, const Image& picture, int left, int top, int zoom)
{
    for (int y = 0; y < picture.height * zoom; ++y)
        for (int x = 0; x < picture.width * zoom; ++x)
            sheet.at(left + x, top + y) = picture.at(x / zoom, y / zoom);
}

void fillRect(Image& sheet, int left, int top, int width, int height, Rgb colour)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            sheet.at(x, y) = colour;
}

void blitIcon(Image& sheet, const IconImage& icon, int left, int top, int zoom)
{
    const Image& c = icon.colour;
    for (int y = 0; y < c.height * zoom; ++y)
        for (int x = 0; x < c.width * zoom; ++x)
            if (icon.opaque[static_cast<std::size_t>(y / zoom) * c.width + x / zoom])
                sheet.at(left + x, top + y) = c.at(x / zoom, y / zoom);
}

const Image& find(const std::vector<NamedPicture>& pictures, int row, int element, std::int32_t percent)
{
    for (const auto& p : pictures)
        if (p.row == row && p.element == element && p.percent == percent)
            return p.image;
    throw std::logic_error("no picture " + std::to_string(row) + "/" + std::to_string(element) + " at " +
                           std::to_string(percent) + " %");
}

}  // namespace

Image drawContactSheet(const std::vector<NamedPicture>& pictures, const std::vector<IconImage>& icons)
{
    std::vector<const NamedPicture*> base;  // 100 %
    for (const auto& p : pictures)
        if (p.percent == 100)
            base.push_back(&p);
    const int baseWidth = base.at(0)->image.width;
    const int baseHeight = base.at(0)->image.height;

    // Left column: every picture at 100 %, grouped by row.
    int columnHeight = 0;
    for (std::size_t i = 0; i < base.size(); ++i) {
        const bool newGroup = i > 0 && base[i]->row != base[i - 1]->row;
        columnHeight += (i == 0 ? 0 : newGroup ? kGroupGap : kGap) + baseHeight;
    }
    // Right column: the rows as the settings window stacks them at 200 %, at the defaults and at other values.
    constexpr std::int32_t kStackPercent = 200;
    const int stackWidth = find(pictures, 1, 0, kStackPercent).width;
    const int stackRowHeight = find(pictures, 1, 0, kStackPercent).height;
    const int right = kMargin + baseWidth + 2 * kMargin;
    const int iconPanel = 32 * 8 + 2 * kMargin;
    const std::array<Stack, 2> stacks{defaultStack(), kOtherStack};
    const int topHeight = std::max(columnHeight, static_cast<int>(stacks.size()) * kRowCount * stackRowHeight +
                                                     2 * kMargin + iconPanel);
    // Below: one picture at every stored scale, so each can be looked at as drawn.
    int scalesHeight = 0;
    int scalesWidth = 0;
    for (const auto& p : pictures)
        if (p.row == 1 && p.element == 2) {
            scalesHeight += p.image.height + kGap;
            scalesWidth = std::max(scalesWidth, p.image.width);
        }
    const int width = std::max(right + stackWidth, kMargin + scalesWidth) + kMargin;
    const int height = kMargin + topHeight + kGroupGap + scalesHeight + kMargin;
    Image sheet(width, height, kPaper);

    int y = kMargin;
    for (std::size_t i = 0; i < base.size(); ++i) {
        const bool newGroup = i > 0 && base[i]->row != base[i - 1]->row;
        if (i > 0)
            y += newGroup ? kGroupGap : kGap;
        blit(sheet, base[i]->image, kMargin, y, 1);
        y += baseHeight;
    }

    y = kMargin;
    for (const auto& stack : stacks) {
        for (const auto& [row, element] : stack) {
            blit(sheet, find(pictures, row, element, kStackPercent), right, y, 1);
            y += stackRowHeight;
        }
        y += kMargin;
    }

    // The icon eight times enlarged on white, and at its size and four times enlarged on a dark background.
    const int lightWidth = 16 * 8 + 32 * 8 + 3 * kMargin;
    fillRect(sheet, right, y, lightWidth, iconPanel, kLight);
    blitIcon(sheet, icons.at(0), right + kMargin, y + kMargin, 8);
    blitIcon(sheet, icons.at(1), right + 2 * kMargin + 16 * 8, y + kMargin, 8);
    const int darkLeft = right + lightWidth + kMargin;
    fillRect(sheet, darkLeft, y, right + stackWidth - darkLeft, iconPanel, kDark);
    int x = darkLeft + kMargin;
    for (const auto& [icon, zoom] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{0, 4}, std::pair{1, 4}}) {
        blitIcon(sheet, icons.at(static_cast<std::size_t>(icon)), x, y + kMargin, zoom);
        x += icons.at(static_cast<std::size_t>(icon)).colour.width * zoom + kMargin / 2;
    }

    y = kMargin + topHeight + kGroupGap;
    for (const auto& p : pictures)
        if (p.row == 1 && p.element == 2) {
            blit(sheet, p.image, kMargin, y, 1);
            y += p.image.height + kGap;
        }
    return sheet;
}

}  // namespace nivora::artwork
