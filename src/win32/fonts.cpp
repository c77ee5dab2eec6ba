// Font choices of every window, and fitting a label's text to its box.
#include "fonts.h"

#include "core/snow/snow_message.h"
#include "core/dialog/text_fit.h"

namespace nivora::win32 {

FontSpec labelFont(LabelFont font, int pixels)
{
    switch (font) {
    case LabelFont::Gothic9Bold:
        return {{L"ＭＳ Ｐゴシック", L"MS PGothic", L"IPAPGothic", L"VL PGothic", L"Meiryo UI", L"Tahoma"},
                at96dpi::kLabelFontPoints[0],
                true,
                SHIFTJIS_CHARSET,
                DEFAULT_QUALITY,
                pixels};
    case LabelFont::ArialNarrow8Bold:
        break;
    }
    // Condensed faces first (Bahnschrift's condensed width comes with Windows 10); a wide one is made smaller until
    // the caption fits (fittedFont).
    return {
        {L"Arial Narrow", L"Liberation Sans Narrow", L"Bahnschrift Condensed", L"Arial", L"Liberation Sans", L"Tahoma"},
        at96dpi::kLabelFontPoints[1],
        true,
        ANSI_CHARSET,
        DEFAULT_QUALITY,
        pixels};
}

FontSpec messageTextFont(int pixels)
{
    return {{L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo UI", L"Meiryo", L"Yu Gothic UI",
             L"MS UI Gothic", L"IPAPGothic", L"VL PGothic"},
            at96dpi::kMessageFontPoints,
            false,
            SHIFTJIS_CHARSET,
            DEFAULT_QUALITY,
            pixels};
}

FontSpec messageFont(const SnowArea& area)
{
    FontSpec font{
        {L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo", L"Yu Gothic", L"IPAPGothic", L"VL PGothic"},
        48,
        true,
        SHIFTJIS_CHARSET,
        NONANTIALIASED_QUALITY};
    font.dpi = messageFontDpi(area).value_or(0);
    if (area.mode == SnowMode::Preview) {
        font.points = kPreviewMessageFontSize;
        font.bold = false;
    }
    return font;
}

SIZE textExtent(HFONT font, std::wstring_view text)
{
    WindowDc screen(nullptr);
    SelectGuard select(screen.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

UniqueHfont fittedFont(const FontSpec& wanted, std::wstring_view text, int width)
{
    FontSpec sized = wanted;
    sized.pixels = fittingFontPixels(wanted.pixels, width, [&](int32_t pixels) {
        FontSpec trial = wanted;
        trial.pixels = pixels;
        const UniqueHfont font = createFont(trial);
        return font ? static_cast<int32_t>(textExtent(font.get(), text).cx) : 0;
    });
    return createFont(sized);
}

}  // namespace nivora::win32
