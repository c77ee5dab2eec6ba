// The text mask with the system's font smoothing on: the saver's own picture box and message font draw the message
// in exactly white and black pixels, while the same font with default quality would leave grey or coloured edges.
#include <gtest/gtest.h>

#include <string>

#include "fonts.h"
#include "saver.h"
#include "toolkit.h"

namespace {

using nivora::win32::FontSpec;
using nivora::win32::PictureBox;

// Font smoothing as Windows has it by default, for the life of a test; the earlier setting is put back.
class FontSmoothing {
public:
    explicit FontSmoothing(UINT type)
    {
        SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &wasOn_, 0);
        SystemParametersInfoW(SPI_GETFONTSMOOTHINGTYPE, 0, &wasType_, 0);
        SystemParametersInfoW(SPI_SETFONTSMOOTHING, TRUE, nullptr, 0);
        SystemParametersInfoW(SPI_SETFONTSMOOTHINGTYPE, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(type)), 0);
    }
    ~FontSmoothing()
    {
        SystemParametersInfoW(SPI_SETFONTSMOOTHING, wasOn_, nullptr, 0);
        SystemParametersInfoW(SPI_SETFONTSMOOTHINGTYPE, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(wasType_)), 0);
    }
    FontSmoothing(const FontSmoothing&) = delete;
    FontSmoothing& operator=(const FontSmoothing&) = delete;

private:
    BOOL wasOn_ = FALSE;
    UINT wasType_ = 0;
};

// Pixels of the printed message that are neither black nor white, and those that are white.
struct Census {
    int other = 0;
    int white = 0;
};

Census printMessage(const FontSpec& font)
{
    e2e::TestWindow parent({0, 0, 10, 10}, nullptr, WS_POPUP);
    PictureBox box;
    box.create(parent.hwnd(), {{0, 0, 900, 120}, false, RGB(0, 0, 0), RGB(255, 255, 255)});
    box.setFont(font);
    box.print(4, 4, L"TOVEK Super Quorlane 2004");
    Census census;
    for (int i = 0; i < box.width() * box.height(); ++i) {
        const uint32_t p = box.pixels()[i] & 0xFFFFFF;
        census.white += p == 0xFFFFFF;
        census.other += p != 0xFFFFFF && p != 0;
    }
    return census;
}

TEST(MessageFont, TheTextMaskIsPureBlackAndWhiteWhateverTheFontSmoothing)
{
    struct Case {
        const char* name;
        UINT smoothing;
    };
    std::string unsmoothed;
    for (const Case& c : {Case{"ClearType", FE_FONTSMOOTHINGCLEARTYPE}, Case{"greyscale", FE_FONTSMOOTHINGSTANDARD}}) {
        SCOPED_TRACE(c.name);
        FontSmoothing smoothing(c.smoothing);
        for (bool preview : {false, true}) {
            SCOPED_TRACE(preview ? "preview" : "full screen");
            const nivora::SnowArea area{1280, 720, preview ? nivora::SnowMode::Preview : nivora::SnowMode::FullScreen};
            const Census mask = printMessage(nivora::win32::messageFont(area));
            EXPECT_GT(mask.white, preview ? 20 : 500) << "the message is drawn";
            EXPECT_EQ(mask.other, 0) << "only black and white";

            // The same font with the system's default quality shows the fault the mask avoids: grey or coloured
            // edges. Where it shows none, this system does not smooth and the mask's purity proves nothing here.
            FontSpec smoothed = nivora::win32::messageFont(area);
            smoothed.quality = DEFAULT_QUALITY;
            if (printMessage(smoothed).other == 0)
                unsmoothed += std::string(" ") + c.name + (preview ? " (preview)" : "");
        }
    }
    if (!unsmoothed.empty())
        GTEST_SKIP() << "this system draws text without smoothing, so the mask was not tested against it:"
                     << unsmoothed;
}

}  // namespace
