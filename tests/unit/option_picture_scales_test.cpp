// Which stored option pictures serve a row of a given size, and the names they are stored under.
#include "core/dialog/option_picture_scales.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using nivora::PictureSize;
using nivora::storedPictureSize;
using nivora::storedScaleFor;

TEST(StoredPictureScales, EachSizeIsServedByTheExactScaleOrTheNextLargerNeverASmallerOne)
{
    struct Case {
        PictureSize row;
        std::optional<int> percent;
    };
    const Case cases[] = {
        {{360, 40}, 100},    // 96 dpi
        {{450, 50}, 125},    // 120 dpi
        {{540, 60}, 150},    // 144 dpi
        {{630, 70}, 175},    // 168 dpi
        {{720, 80}, 200},    // 192 dpi
        {{810, 90}, 250},    // 225 %: shrunk from 250 %
        {{900, 100}, 250},   // 240 dpi
        {{1080, 120}, 300},  // 288 dpi
        {{1260, 140}, 400},  // 350 %: shrunk from 400 %
        {{1440, 160}, 400},
        {{1620, 180}, 500},  // 450 %
        {{1800, 200}, 500},  // 480 dpi, the largest Windows offers
        {{396, 44}, 125},    // a custom 110 %
        {{361, 40}, 125},    // one pixel wider than 100 % is not served by 100 %
        {{360, 41}, 125},    // nor one pixel higher
        {{300, 30}, 100},    // smaller than the smallest: shrunk from it
        {{1, 1}, 100},
        {{1801, 200}, 500},  // beyond every stored scale: the largest, enlarged
        {{3600, 400}, 500},
        {{3601, 400}, std::nullopt},  // absurdly large: nothing rather than a picture of gigabytes
        {{3600, 401}, std::nullopt},
        {{2147483647, 2147483647}, std::nullopt},
        {{0, 40}, std::nullopt},
        {{360, 0}, std::nullopt},
        {{-360, 40}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row.width << " x " << c.row.height);
        const std::optional<int32_t> chosen = storedScaleFor(c.row);
        EXPECT_EQ(chosen, c.percent);
        if (!chosen || c.row.width > 1800)
            continue;
        const PictureSize stored = storedPictureSize(*chosen);
        EXPECT_GE(stored.width, c.row.width) << "never enlarged";
        EXPECT_GE(stored.height, c.row.height) << "never enlarged";
    }
}

TEST(StoredPictureScales, StoredScalesAreWholePixelsAndCoverTheUsualDisplayScalesExactly)
{
    for (int percent : {100, 125, 150, 175, 200, 250, 300}) {
        const PictureSize size = storedPictureSize(percent);
        EXPECT_EQ(storedScaleFor(size), percent) << percent;
        EXPECT_EQ(size.width * 100, 360 * percent);
        EXPECT_EQ(size.height * 100, 40 * percent);
    }
}

TEST(StoredPictureScales, EachRowHasItsPicturesUnderOneNamePerScale)
{
    struct Case {
        int row;
        int32_t percent;
        int count;
        const char* file;
        const char* resource;
    };
    const Case cases[] = {
        {1, 100, 5, "100/precipitation.png", "PRECIPITATION_100"},
        {2, 150, 13, "150/velocity.png", "VELOCITY_150"},
        {3, 500, 2, "500/direction.png", "DIRECTION_500"},
        {4, 125, 5, "125/blightness.png", "BLIGHTNESS_125"},
        {5, 300, 1, "300/message.png", "MESSAGE_300"},
        {0, 100, 0, "", ""},  // no such row
        {6, 100, 0, "", ""},
        {2, 110, 13, "", ""},  // a scale that is not stored
        {2, 0, 13, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " at " << c.percent);
        EXPECT_EQ(nivora::optionPictureCount(c.row), c.count);
        EXPECT_EQ(nivora::optionPictureFile(c.row, c.percent), c.file);
        EXPECT_EQ(nivora::optionPictureResource(c.row, c.percent), c.resource);
    }
}

}  // namespace
