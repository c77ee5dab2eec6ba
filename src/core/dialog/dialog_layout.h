// The pixel geometry of the settings window (frmSetting) and of its translucent overlay (frmDisplay) at any display
// scale. The windows were laid out in twips at 15 twips per pixel (96 dpi); every figure here is that layout times
// dpi/96, so boxes and fonts grow together.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "core/base/rect.h"
#include "core/dialog/setting_rows.h"

namespace nivora {

// Every rectangle of the layout is a Rect in pixels, relative to its container (a client area, the inside of
// Picture1, or Frame1).
constexpr int32_t widthOf(const Rect& r)
{
    return r.right - r.left;
}

constexpr int32_t heightOf(const Rect& r)
{
    return r.bottom - r.top;
}

constexpr Rect offsetRect(const Rect& r, int32_t dx, int32_t dy)
{
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The accent colour: the background of every option picture, of the text box and of the overlay's message, and
// the icon's chest square.
struct RgbColour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};
inline constexpr RgbColour kAccentColour{128, 90, 255};

// ---- Display scale ----

inline constexpr int kBaseDpi = 96;  // 15 twips per pixel
// Windows offers 100 % to 500 %; anything a broken setting reports is held within these, so no size divides by
// zero or overflows 32 bits.
inline constexpr int kMinDpi = 24;
inline constexpr int kMaxDpi = 2880;

constexpr int clampDpi(int dpi)
{
    return dpi < kMinDpi ? kMinDpi : dpi > kMaxDpi ? kMaxDpi : dpi;
}

// A figure of the 96-dpi layout (in pixels) at `dpi`, rounded half to even.
constexpr int32_t scaled(int32_t pixelsAt96, int dpi)
{
    const int64_t n = int64_t{pixelsAt96} * clampDpi(dpi);
    int64_t q = n / kBaseDpi;
    int64_t r = n % kBaseDpi;
    if (r < 0) {  // floor division, for the rare negative figure
        --q;
        r += kBaseDpi;
    }
    if (2 * r > kBaseDpi || (2 * r == kBaseDpi && q % 2 != 0))
        ++q;
    return static_cast<int32_t>(q);
}

// A rectangle of the 96-dpi layout at `dpi`: its edges are scaled, not its size, so rectangles that abut at 96 dpi abut
// at every scale.
constexpr Rect scaled(const Rect& at96, int dpi)
{
    return {scaled(at96.left, dpi), scaled(at96.top, dpi), scaled(at96.right, dpi), scaled(at96.bottom, dpi)};
}

// A font size in points as a pixel height (the em, as a negative LOGFONT height asks for) at `dpi`.
constexpr int32_t pointsToPixels(double points, int dpi)
{
    const double pixels = points * clampDpi(dpi) / 72.0;
    const auto whole = static_cast<int32_t>(pixels);
    const double rest = pixels - whole;
    return rest > 0.5 || (rest == 0.5 && whole % 2 != 0) ? whole + 1 : whole;
}

// ---- The windows as laid out at 96 dpi, in pixels ----

// Converts a design-time rectangle in twips, given as the form designer gives it (left, top, width, height); a
// position that falls between pixels does not compile.
consteval Rect fromTwips(int32_t left, int32_t top, int32_t width, int32_t height)
{
    constexpr int32_t kTwipsPerPixelAt96 = 15;
    if (left % kTwipsPerPixelAt96 != 0 || top % kTwipsPerPixelAt96 != 0 || width % kTwipsPerPixelAt96 != 0 ||
        height % kTwipsPerPixelAt96 != 0)
        throw "not a whole number of pixels";
    return {left / kTwipsPerPixelAt96, top / kTwipsPerPixelAt96, (left + width) / kTwipsPerPixelAt96,
            (top + height) / kTwipsPerPixelAt96};
}

inline constexpr int32_t kRowWidth = 360;  // the size of every option picture at 96 dpi
inline constexpr int32_t kRowHeight = 40;

inline constexpr int32_t kText1MaxLength = kMessageTextSetting.range.maximum;  // 128 UTF-16 code units

namespace at96dpi {

// Everything below the rows moves down with them; these are the rows' height and the message row's top, in twips.
inline constexpr int32_t kRowsTwips = kRowCount * kRowHeight * 15;
inline constexpr int32_t kMessageRowTwips = (kMessageRow - 1) * kRowHeight * 15;

// The client area of frmSetting; the outer size follows from the system's frame and caption metrics.
inline constexpr Rect kSettingClient = fromTwips(0, 0, 5460, kRowsTwips + 510);
// Picture1 holds the rows; its sunken frame is 2 px on each side, so its inside is exactly the rows.
inline constexpr Rect kPicture1 = fromTwips(0, 0, 5460, kRowsTwips + 60);
// Text1, the message text box, over the right-hand part of the message row (inside Picture1): 8 px below the row's
// top, 24 px high.
inline constexpr Rect kText1 = fromTwips(1350, kMessageRowTwips + 120, 3975, 360);
// Command1 "-", Command2 "SELECT", Command3 "+", Command4 "OK", Command5 "CANCEL".
inline constexpr std::array<Rect, 5> kCommandButtons = {
    fromTwips(90, kRowsTwips + 270, 1065, 225),    // Command1
    fromTwips(1140, kRowsTwips + 270, 1065, 225),  // Command2
    fromTwips(2190, kRowsTwips + 270, 1065, 225),  // Command3
    fromTwips(3240, kRowsTwips + 270, 1065, 225),  // Command4
    fromTwips(4290, kRowsTwips + 270, 1065, 225),  // Command5
};
// Frame1 holds the button labels; its top 6 px lie under Picture1, and it reaches 1 px below the client area.
inline constexpr Rect kFrame1 = fromTwips(0, kRowsTwips - 30, 5460, 555);
// The overlay's message label: 3 px right of and below Text1 (the box's 2-px edge and the 1-px gap an edit box
// keeps inside it), as wide.
inline constexpr Rect kDisplayLabel1 = fromTwips(1395, kMessageRowTwips + 165, 3975, 270);
inline constexpr int32_t kText1TextInset = 3;
static_assert(kDisplayLabel1.left == kText1.left + kText1TextInset &&
              kDisplayLabel1.top == kText1.top + kText1TextInset && widthOf(kDisplayLabel1) == widthOf(kText1));

}  // namespace at96dpi

enum class LabelFont : uint8_t {
    Gothic9Bold,       // "ＭＳ Ｐゴシック" 9 pt bold, Shift-JIS
    ArialNarrow8Bold,  // "Arial Narrow" 8.25 pt bold
};

struct ButtonLabel {
    std::u16string_view caption;
    Rect inFrame;  // relative to Frame1
    LabelFont font;
};

namespace at96dpi {

// The labels in front-to-back order, as the window lists them; each stands over the middle of its button.
inline constexpr std::array<ButtonLabel, 5> kButtonLabels = {{
    {u"+", fromTwips(2640, 120, 195, 225), LabelFont::Gothic9Bold},           // Label3 over Command3
    {u"OK", fromTwips(3660, 90, 285, 195), LabelFont::ArialNarrow8Bold},      // Label4 over Command4
    {u"CANCEL", fromTwips(4530, 90, 585, 195), LabelFont::ArialNarrow8Bold},  // Label5(0) over Command5
    {u"-", fromTwips(570, 120, 225, 165), LabelFont::Gothic9Bold},            // Label1 over Command1
    {u"SELECT", fromTwips(1380, 90, 645, 195), LabelFont::ArialNarrow8Bold},  // Label2 over Command2
}};

inline constexpr double kMessageFontPoints = 12;         // Text1 and the overlay's Label1
inline constexpr double kLabelFontPoints[] = {9, 8.25};  // by LabelFont

}  // namespace at96dpi

// The names of the five buttons, Command1 to Command5, as their labels show them and a screen reader reads them.
inline constexpr std::array<std::u16string_view, 5> kCommandNames = {u"-", u"SELECT", u"+", u"OK", u"CANCEL"};

// The controls of frmSetting that take the keyboard focus, in tab order: "SELECT" comes before "-" and "+".
enum class SettingControl : uint8_t { Picture1, Command1, Command2, Command3, Command4, Command5, Text1 };
inline constexpr std::array<SettingControl, 7> kSettingTabOrder = {
    SettingControl::Picture1, SettingControl::Command2, SettingControl::Command1, SettingControl::Command3,
    SettingControl::Text1,    SettingControl::Command4, SettingControl::Command5,
};

// ---- The layout at one display scale ----

struct DialogLayout {
    int dpi = kBaseDpi;
    // Every option picture and row: rows are stacked without gaps, so the picture size fixes the band.
    int32_t rowWidth = kRowWidth;
    int32_t rowHeight = kRowHeight;
    Rect settingClient;  // frmSetting's client area
    Rect picture1;       // in the client area
    int32_t picture1Border = 0;
    Rect rowBand;                               // the rows, in Picture1 (inside its border)
    Rect text1;                                 // in Picture1's inside, like the rows
    std::array<Rect, 5> commandButtons{};       // Command1 .. Command5, in the client area
    Rect frame1;                                // in the client area
    std::array<ButtonLabel, 5> buttonLabels{};  // front to back, inFrame relative to Frame1
    Rect displayClient;                         // the overlay: exactly the row band
    int32_t messageFontPixels = 0;              // Text1 and the overlay's message
    std::array<int32_t, 2> labelFontPixels{};   // by LabelFont

    // Row k (from 1) of kSettingRows, in the band (or the overlay).
    constexpr Rect row(int k) const { return {0, rowHeight * (k - 1), rowWidth, rowHeight * k}; }
    constexpr Rect labelInClient(size_t i) const
    {
        return offsetRect(buttonLabels[i].inFrame, frame1.left, frame1.top);
    }
    // The overlay's message label, where the text box shows its text: `textInset` pixels in from the box's corner
    // (its edge and its inner gap, as the box really draws them), as wide as the box.
    constexpr Rect displayLabel1(int32_t textInset) const
    {
        return {text1.left + textInset, text1.top + textInset, text1.right + textInset, text1.bottom - textInset};
    }
};

constexpr DialogLayout dialogLayout(int dpi)
{
    dpi = clampDpi(dpi);
    DialogLayout l;
    l.dpi = dpi;
    l.rowWidth = scaled(kRowWidth, dpi);
    l.rowHeight = scaled(kRowHeight, dpi);
    // The border takes what the scaled Picture1 leaves around the rows, so Picture1 never grows past its 96-dpi
    // place onto the button labels below it.
    const int32_t around = scaled(heightOf(at96dpi::kPicture1), dpi) - l.rowHeight * kRowCount;
    l.picture1Border = around >= 2 ? around / 2 : 1;
    l.rowBand = {l.picture1Border, l.picture1Border, l.picture1Border + l.rowWidth,
                 l.picture1Border + l.rowHeight * kRowCount};
    // Picture1 and the client area are as wide as the rows and their border, whatever the rounding.
    l.picture1 = {0, 0, l.rowBand.right + l.picture1Border, l.rowBand.bottom + l.picture1Border};
    l.settingClient = {0, 0, widthOf(l.picture1), scaled(heightOf(at96dpi::kSettingClient), dpi)};
    // Text1 ends inside the message row, as it does at 96 dpi (8 + 24 < 40 px), and never beyond the band.
    l.text1 = scaled(at96dpi::kText1, dpi);
    l.text1.right = std::min(l.text1.right, l.rowWidth);
    l.text1.bottom = std::min(l.text1.bottom, heightOf(l.rowBand));
    for (size_t i = 0; i < l.commandButtons.size(); ++i)
        l.commandButtons[i] = scaled(at96dpi::kCommandButtons[i], dpi);
    l.frame1 = scaled(at96dpi::kFrame1, dpi);
    l.frame1.right = l.frame1.left + widthOf(l.settingClient);
    for (size_t i = 0; i < l.buttonLabels.size(); ++i) {
        const ButtonLabel& d = at96dpi::kButtonLabels[i];
        const Rect inClient = scaled(offsetRect(d.inFrame, at96dpi::kFrame1.left, at96dpi::kFrame1.top), dpi);
        l.buttonLabels[i] = {d.caption, offsetRect(inClient, -l.frame1.left, -l.frame1.top), d.font};
    }
    l.displayClient = {0, 0, widthOf(l.rowBand), heightOf(l.rowBand)};
    l.messageFontPixels = pointsToPixels(at96dpi::kMessageFontPoints, dpi);
    l.labelFontPixels = {pointsToPixels(at96dpi::kLabelFontPoints[0], dpi),
                         pointsToPixels(at96dpi::kLabelFontPoints[1], dpi)};
    return l;
}

// The layout at 96 dpi, where a pixel is 15 twips.
inline constexpr DialogLayout kLayoutAt96 = dialogLayout(kBaseDpi);
static_assert(kLayoutAt96.rowBand == Rect{2, 2, 2 + kRowWidth, 2 + kRowHeight* kRowCount} &&
              widthOf(kLayoutAt96.settingClient) == 364);
static_assert(kLayoutAt96.displayLabel1(at96dpi::kText1TextInset) == at96dpi::kDisplayLabel1);

}  // namespace nivora
