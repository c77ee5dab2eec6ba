// The pixel geometry of the settings window (frmSetting) and of its translucent overlay (frmDisplay), and where the
// overlay goes against the settings window. Laid out in twips at 15 twips per pixel; the tables hold the pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/settings.h"

namespace nivora {

// A rectangle in pixels, relative to its container (a client area, the inside of Picture1, or Frame1).
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The windows were laid out on 96-dpi screens, where a pixel is 15 twips.
inline constexpr int32_t kDesignTwipsPerPixel = 15;

// Converts a design-time rectangle in twips; a position that falls between pixels does not compile.
consteval PixelRect fromTwips(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (left % kDesignTwipsPerPixel != 0 || top % kDesignTwipsPerPixel != 0 ||
        width % kDesignTwipsPerPixel != 0 || height % kDesignTwipsPerPixel != 0)
        throw "not a whole number of pixels";
    return {left / kDesignTwipsPerPixel, top / kDesignTwipsPerPixel, width / kDesignTwipsPerPixel,
            height / kDesignTwipsPerPixel};
}

// ---- The five rows, shared by both windows ----

inline constexpr int32_t kRowCount = 5;
inline constexpr int32_t kRowWidth = 360;  // the size of every option picture
inline constexpr int32_t kRowHeight = 40;

// Row 1 precipitation, 2 wind speed, 3 wind direction, 4 brightness, 5 message; rows are stacked without gaps.
constexpr PixelRect rowRect(int row)
{
    return {0, kRowHeight * (row - 1), kRowWidth, kRowHeight};
}

// How many pictures each value row has: one per value the dialog produces, the picture of value i at index i.
inline constexpr int16_t kPrecipitationPictures = kPrecipitationSetting.range.maximum + 1;  // 100 to 3000 flakes
inline constexpr int16_t kVelocityPictures = kVelocitySetting.range.maximum + 1;            // wind -30 to +30
inline constexpr int16_t kDirectionPictures = kDirectionSetting.range.maximum + 1;          // fixed, automatic
inline constexpr int16_t kBlightnessPictures = kBlightnessSetting.range.maximum + 1;        // alpha 0 to 255
static_assert(kPrecipitationPictures == 5 && kVelocityPictures == 13 && kDirectionPictures == 2 &&
              kBlightnessPictures == 5);

// ---- frmSetting ----

// The client area; the outer size follows from the system's frame and caption metrics for a fixed dialog frame.
inline constexpr PixelRect kSettingClient = fromTwips(0, 0, 5460, 3510);  // 364 x 234

// Picture1 holds the five rows; its sunken frame is 2 px on each side, so its inside is exactly the 360 x 200 rows.
inline constexpr PixelRect kPicture1 = fromTwips(0, 0, 5460, 3060);
inline constexpr int32_t kPicture1Border = 2;
inline constexpr PixelRect kPicture1Inside = {kPicture1Border, kPicture1Border, kPicture1.width - 2 * kPicture1Border,
                                              kPicture1.height - 2 * kPicture1Border};

// Text1, the message text box, over the right-hand part of row 5 (inside Picture1).
inline constexpr PixelRect kText1 = fromTwips(1350, 2520, 3975, 360);  // 90, 168; 265 x 24
inline constexpr int32_t kText1MaxLength = kMessageTextSetting.range.maximum;  // 128 UTF-16 code units

// Command1 "-", Command2 "SELECT", Command3 "+", Command4 "OK", Command5 "CANCEL": captionless push buttons,
// each labelled by the text above it.
inline constexpr std::array<PixelRect, 5> kCommandButtons = {
    fromTwips(90, 3270, 1065, 225),    // Command1: 6, 218
    fromTwips(1140, 3270, 1065, 225),  // Command2: 76, 218
    fromTwips(2190, 3270, 1065, 225),  // Command3: 146, 218
    fromTwips(3240, 3270, 1065, 225),  // Command4: 216, 218
    fromTwips(4290, 3270, 1065, 225),  // Command5: 286, 218
};

// Frame1 holds the button labels; its top 6 px lie under Picture1.
inline constexpr PixelRect kFrame1 = fromTwips(0, 2970, 5460, 555);  // 0, 198; 364 x 37

enum class LabelFont : uint8_t {
    Gothic9Bold,       // "ＭＳ Ｐゴシック" 9 pt bold, Shift-JIS
    ArialNarrow8Bold,  // "Arial Narrow" 8.25 pt bold
};

struct ButtonLabel {
    std::u16string_view caption;
    PixelRect inFrame;  // relative to Frame1
    LabelFont font;
    constexpr PixelRect inClient() const
    {
        return {kFrame1.left + inFrame.left, kFrame1.top + inFrame.top, inFrame.width, inFrame.height};
    }
};

// The labels in front-to-back order, as the window lists them; each stands over the middle of its button.
inline constexpr std::array<ButtonLabel, 5> kButtonLabels = {{
    {u"+", fromTwips(2640, 120, 195, 225), LabelFont::Gothic9Bold},            // Label3 over Command3
    {u"OK", fromTwips(3660, 90, 285, 195), LabelFont::ArialNarrow8Bold},       // Label4 over Command4
    {u"CANCEL", fromTwips(4530, 90, 585, 195), LabelFont::ArialNarrow8Bold},   // Label5(0) over Command5
    {u"-", fromTwips(570, 120, 225, 165), LabelFont::Gothic9Bold},             // Label1 over Command1
    {u"SELECT", fromTwips(1380, 90, 645, 195), LabelFont::ArialNarrow8Bold},   // Label2 over Command2
}};

// The controls of frmSetting that take the keyboard focus, in tab order: "SELECT" comes before "-" and "+".
enum class SettingControl : uint8_t { Picture1, Command1, Command2, Command3, Command4, Command5, Text1 };
inline constexpr std::array<SettingControl, 7> kSettingTabOrder = {
    SettingControl::Picture1, SettingControl::Command2, SettingControl::Command1, SettingControl::Command3,
    SettingControl::Text1,    SettingControl::Command4, SettingControl::Command5,
};

// ---- frmDisplay, the overlay ----

// The overlay is exactly the size of the rows: an option picture wide and five of them high.
inline constexpr PixelRect kDisplayClient = fromTwips(0, 0, 5400, 3000);  // 360 x 200

// Image1..Image5 lie where rows 1..5 lie in Picture1; Label1 shows the message 3 px right of and below where Text1
// shows it, with the same width.
inline constexpr PixelRect kDisplayLabel1 = fromTwips(1395, 2565, 3975, 270);  // 93, 171; 265 x 18
static_assert(kDisplayLabel1.left == kText1.left + 3 && kDisplayLabel1.top == kText1.top + 3 &&
              kDisplayLabel1.width == kText1.width);
static_assert(kDisplayClient.width == kPicture1Inside.width && kDisplayClient.height == kPicture1Inside.height);
static_assert(kDisplayClient.width == kRowWidth && kDisplayClient.height == kRowCount * kRowHeight);

// ---- The row band inside the settings window ----

// The rows start 5 px from the window's left edge and the caption height plus 5 px from its top edge (a 3-px dialog
// frame and Picture1's 2-px border). The window region's holes and the overlay are both placed by this.
inline constexpr int32_t kRowBandInset = 5;

// The overlay's top-left corner in twips, as single-precision values computed in double.
struct TwipPosition {
    float left = 0;
    float top = 0;
};

constexpr TwipPosition overlayPosition(float settingLeft, float settingTop, float twipsPerPixelX,
                                       float twipsPerPixelY, int32_t captionHeight)
{
    const double inset = kRowBandInset;
    return {static_cast<float>(double{settingLeft} + inset * twipsPerPixelX),
            static_cast<float>(double{settingTop} + (static_cast<double>(captionHeight) + inset) * twipsPerPixelY)};
}

}  // namespace nivora
