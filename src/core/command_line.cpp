// Reading the screen-saver command line: "/s" full screen, "/p <hwnd>" preview, "/c" settings.
#include "core/command_line.h"

#include "core/settings_text.h"

namespace nivora {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

char16_t upperCaseLetter(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7)  // à..þ, but not the division sign
        return static_cast<char16_t>(c - 0x20);
    if (c == 0x00FF)  // ÿ: its capital lies outside Latin-1
        return 0x0178;
    if (c >= 0xFF41 && c <= 0xFF5A)  // full-width ａ..ｚ
        return static_cast<char16_t>(c - 0x20);
    return c;
}

CommandLine parseCommandLine(std::u16string_view argumentText)
{
    CommandLine line;
    if (argumentText.size() < 2)
        return line;

    const char16_t letter = argumentText[1];
    line.modeLetter.assign(1, upperCaseLetter(letter));
    // Keep a surrogate pair whole, so the letter is always well-formed text.
    if (isHighSurrogate(letter) && argumentText.size() > 2 && isLowSurrogate(argumentText[2]))
        line.modeLetter += argumentText[2];

    if (line.modeLetter == u"C") {
        line.mode = SaverMode::Settings;
    } else if (line.modeLetter == u"P") {
        line.mode = SaverMode::Preview;
        // The handle is read from the start of the rest; "/p:1234" has no number there and names window 0.
        const std::u16string_view handleText = trimBlanks(argumentText.substr(2));
        const auto prefix = readNumberPrefix(handleText, u'.');
        line.previewParent = prefix ? prefix->number.roundToInt32() : std::optional<int32_t>(0);
    }
    return line;
}

}  // namespace nivora
