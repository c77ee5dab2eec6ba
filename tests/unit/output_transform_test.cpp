// The desktop's picture turned from an output's pixel order into the layout's, for every transform.
#include "core/base/output_transform.h"

#include <gtest/gtest.h>

#include <vector>

namespace nivora {
namespace {

// The output's pixels: 3 x 2, with a fourth column of margin that must never be read.
//   1 2 3 | 9
//   4 5 6 | 9
const std::vector<Pixel> kBuffer{1, 2, 3, 9, 4, 5, 6, 9};

TEST(OutputTransformTest, EachTransformTurnsTheOutputsPixelsTheRightWayUp)
{
    struct Case {
        OutputTransform transform;
        int32_t width, height;
        std::vector<Pixel> pixels;
    };
    const Case cases[] = {
        {OutputTransform::Normal, 3, 2, {1, 2, 3, 4, 5, 6}},
        {OutputTransform::Turned90, 2, 3, {4, 1, 5, 2, 6, 3}},
        {OutputTransform::Turned180, 3, 2, {6, 5, 4, 3, 2, 1}},
        {OutputTransform::Turned270, 2, 3, {3, 6, 2, 5, 1, 4}},
        {OutputTransform::Flipped, 3, 2, {3, 2, 1, 6, 5, 4}},
        {OutputTransform::Flipped90, 2, 3, {6, 3, 5, 2, 4, 1}},
        {OutputTransform::Flipped180, 3, 2, {4, 5, 6, 1, 2, 3}},
        {OutputTransform::Flipped270, 2, 3, {1, 4, 2, 5, 3, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "transform " << static_cast<int>(c.transform));
        const TurnedPicture turned = turnToLayout({kBuffer.data(), 3, 2, 4}, c.transform);
        EXPECT_EQ(turned.width, c.width);
        EXPECT_EQ(turned.height, c.height);
        EXPECT_EQ(turned.pixels, c.pixels);
    }
}

TEST(OutputTransformTest, AOneRowOutputTurnedAQuarterIsOneColumn)
{
    const std::vector<Pixel> row{1, 2, 3, 4};
    const TurnedPicture turned = turnToLayout({row.data(), 4, 1, 4}, OutputTransform::Turned90);
    EXPECT_EQ(turned.width, 1);
    EXPECT_EQ(turned.height, 4);
    EXPECT_EQ(turned.pixels, (std::vector<Pixel>{1, 2, 3, 4}));
}

TEST(OutputTransformTest, AnEmptyPictureStaysEmpty)
{
    const TurnedPicture turned = turnToLayout({}, OutputTransform::Turned270);
    EXPECT_EQ(turned.width, 0);
    EXPECT_EQ(turned.height, 0);
    EXPECT_TRUE(turned.pixels.empty());
}

TEST(OutputTransformTest, OnlyTheEightTransformsAreTransforms)
{
    struct Case {
        int32_t value;
        bool is;
    };
    for (const Case c : {Case{-1, false}, Case{0, true}, Case{5, true}, Case{7, true}, Case{8, false}})
        EXPECT_EQ(isOutputTransform(c.value), c.is) << c.value;
}

}  // namespace
}  // namespace nivora
