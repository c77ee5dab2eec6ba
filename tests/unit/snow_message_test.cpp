// Layout arithmetic of the message in the text mask, and the font reduction that always ends.
#include <gtest/gtest.h>

#include <cmath>

#include "core/snow/snow_message.h"

namespace nivora {
namespace {

TEST(SnowMessage, WidthLimitAndPositionFollowTheDrawingArea)
{
    struct Case {
        int16_t width, height;
        double textWidth;
        float limit, x, y;
    };
    const Case cases[] = {
        {1024, 768, 600, 921.6f, 372.8f, 614.4f},
        {1920, 1080, 0, 1728, 1824, 864},
        {152, 112, 100, 136.8f, 44.4f, 89.6f},
        {0, 0, 10, 0, -10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(messageWidthLimit(c.width), c.limit) << c.width;
        const MessagePosition p = messagePosition(c.width, c.height, c.textWidth);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

// A font whose text width grows with its size, and which may not shrink below some size.
class FakeFont : public MessageFont {
public:
    FakeFont(float size, double widthPerPoint, float smallest) : size_(size), perPoint_(widthPerPoint), floor_(smallest)
    {}
    double textWidth() override { return size_ * perPoint_; }
    float fontSize() override { return size_; }
    void setFontSize(float s) override
    {
        size_ = std::max(floor_, std::round(s));  // the platform realises whole sizes only
        ++sets;
    }
    int sets = 0;

private:
    float size_;
    double perPoint_;
    float floor_;
};

TEST(SnowMessage, FontShrinksOnePointAtATimeUntilTheMessageFits)
{
    struct Case {
        const char* name;
        float start;
        double widthPerPoint;
        float smallest;
        float limit;
        float expectedSize;
    };
    const Case cases[] = {
        {"fits at once", 48, 10, 1, 921.6f, 48},
        {"first whole size that fits", 48, 20, 1, 921.6f, 46},
        {"exactly at the limit fits", 48, 20, 1, 920, 46},
        {"never fits: stops at one point", 48, 1000, 1, 10, 1},
        {"the font will not shrink further", 48, 1000, 8, 10, 8},
        {"empty message", 6, 0, 1, 0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFont font(c.start, c.widthPerPoint, c.smallest);
        fitMessageFont(font, c.limit);
        EXPECT_EQ(font.fontSize(), c.expectedSize);
        EXPECT_LE(font.sets, 48);
    }
}

}  // namespace
}  // namespace nivora
