// Picture selection by size and the names under which the pictures are stored.
#include "core/dialog/option_picture_scales.h"

#include <algorithm>

namespace nivora {
namespace {

bool isStoredScale(int32_t percent)
{
    return std::find(kStoredPictureScales.begin(), kStoredPictureScales.end(), percent) != kStoredPictureScales.end();
}

static_assert(std::is_sorted(kStoredPictureScales.begin(), kStoredPictureScales.end()));
static_assert(
    [] {
        for (int32_t percent : kStoredPictureScales)
            if (kRowWidth * percent % 100 != 0 || kRowHeight * percent % 100 != 0)
                return false;
        return true;
    }(),
    "every stored scale gives whole pixels");

}  // namespace

std::optional<int32_t> storedScaleFor(PictureSize size)
{
    const PictureSize largest = storedPictureSize(kStoredPictureScales.back());
    if (size.width <= 0 || size.height <= 0 || size.width > 2 * largest.width || size.height > 2 * largest.height)
        return std::nullopt;
    for (int32_t percent : kStoredPictureScales) {
        const PictureSize stored = storedPictureSize(percent);
        if (stored.width >= size.width && stored.height >= size.height)
            return percent;
    }
    return kStoredPictureScales.back();
}

int32_t optionPictureCount(int row)
{
    return row >= 1 && row <= kRowCount ? kRowPictureCounts[static_cast<size_t>(row - 1)] : 0;
}

std::string optionPictureFile(int row, int32_t percent)
{
    if (optionPictureCount(row) == 0 || !isStoredScale(percent))
        return {};
    return std::to_string(percent) + "/" + std::string(kSettingRows[static_cast<size_t>(row - 1)].stem) + ".png";
}

std::string optionPictureResource(int row, int32_t percent)
{
    if (optionPictureCount(row) == 0 || !isStoredScale(percent))
        return {};
    std::string name(kSettingRows[static_cast<size_t>(row - 1)].stem);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return name + "_" + std::to_string(percent);
}

}  // namespace nivora
