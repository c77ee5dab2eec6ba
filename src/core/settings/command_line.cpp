// Reading the screen-saver command line: "/s" full screen, "/p <hwnd>" preview, "/c" settings.
#include "core/settings/command_line.h"

#include "core/settings/settings_text.h"
#include "core/base/utf16.h"

namespace nivora {

namespace {

// What ends the program's name on a command line, as the system's own parser has it.
bool isSeparator(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// File names on Windows ignore letter case, and a path may be written with either slash.
bool samePathUnit(char16_t a, char16_t b)
{
    if (a == u'/')
        a = u'\\';
    if (b == u'/')
        b = u'\\';
    return upperCaseLetter(a) == upperCaseLetter(b);
}

bool startsWithPath(std::u16string_view line, std::u16string_view path)
{
    if (path.empty() || line.size() < path.size())
        return false;
    for (size_t i = 0; i < path.size(); ++i)
        if (!samePathUnit(line[i], path[i]))
            return false;
    return line.size() == path.size() || isSeparator(line[path.size()]);
}

size_t programNameLength(std::u16string_view line, std::span<const std::u16string_view> ownPaths)
{
    if (!line.empty() && line[0] == u'"') {
        const size_t close = line.find(u'"', 1);
        return close == std::u16string_view::npos ? line.size() : close + 1;
    }
    // The longest of the program's own paths wins: one may be a prefix of another.
    size_t known = 0;
    for (const std::u16string_view path : ownPaths)
        if (path.size() > known && startsWithPath(line, path))
            known = path.size();
    if (known > 0)
        return known;
    size_t i = 0;
    while (i < line.size() && !isSeparator(line[i]))
        ++i;
    return i;
}

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
    if (argumentText.empty()) {
        line.mode = SaverMode::Settings;
        return line;
    }
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

std::u16string_view argumentText(std::u16string_view commandLine, std::span<const std::u16string_view> ownPaths)
{
    commandLine.remove_prefix(programNameLength(commandLine, ownPaths));
    while (!commandLine.empty() && isSeparator(commandLine.front()))
        commandLine.remove_prefix(1);
    return commandLine;
}

}  // namespace nivora
