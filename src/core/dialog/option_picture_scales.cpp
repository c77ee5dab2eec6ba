// Picture selection by size and the names under which the pictures are stored.
#include "core/dialog/option_picture_scales.h"

#include <algorithm>

namespace nivora {
namespace {

constexpr std::array<const char*, kRowCount> kRowStems = {"precipitation", "velocity", "direction", "blightness",
                                                          "message"};

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
    switch (row) {
    case 1:
        return kPrecipitationPictures;
    case 2:
        return kVelocityPictures;
    case 3:
        return kDirectionPictures;
    case 4:
        return kBlightnessPictures;
    case 5:
        return 1;
    default:
        return 0;
    }
}

std::string optionPictureFile(int row, int32_t percent)
{
    if (optionPictureCount(row) == 0 || !isStoredScale(percent))
        return {};
    return std::to_string(percent) + "/" + kRowStems[static_cast<size_t>(row - 1)] + ".png";
}

std::string optionPictureResource(int row, int32_t percent)
{
    if (optionPictureCount(row) == 0 || !isStoredScale(percent))
        return {};
    std::string name = kRowStems[static_cast<size_t>(row - 1)];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return name + "_" + std::to_string(percent);
}

}  // namespace nivora
