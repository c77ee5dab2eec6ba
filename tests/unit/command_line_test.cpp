// The screen-saver command line: mode letter, mode and the preview host's handle.
#include "core/settings/command_line.h"

#include <gtest/gtest.h>

namespace nivora {
namespace {

std::string narrow(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

TEST(CommandLine, ArgumentTextsChooseModeAndHandle)
{
    struct Case {
        std::u16string_view text;
        std::u16string_view modeLetter;
        SaverMode mode;
        std::optional<int32_t> previewParent;
    };
    const Case cases[] = {
        // Preview: the handle is read from the third character on, blanks around it ignored.
        {u"/p 1234", u"P", SaverMode::Preview, 1234},
        {u"/P 1234", u"P", SaverMode::Preview, 1234},
        {u"-p 1234", u"P", SaverMode::Preview, 1234},
        {u"/p1234", u"P", SaverMode::Preview, 1234},
        {u"/p 1234 ", u"P", SaverMode::Preview, 1234},
        {u"/p   1234\t", u"P", SaverMode::Preview, 1234},
        {u"/p:1234", u"P", SaverMode::Preview, 0},
        {u"/p", u"P", SaverMode::Preview, 0},
        {u"/p ", u"P", SaverMode::Preview, 0},
        {u"/p 0x10", u"P", SaverMode::Preview, 0},
        {u"/p 12abc", u"P", SaverMode::Preview, 12},
        {u"/p 12 34", u"P", SaverMode::Preview, 12},
        {u"/p -5", u"P", SaverMode::Preview, -5},
        {u"/p +7", u"P", SaverMode::Preview, 7},
        {u"/p 2.5", u"P", SaverMode::Preview, 2},
        {u"/p 3.5", u"P", SaverMode::Preview, 4},
        {u"/p 1e3", u"P", SaverMode::Preview, 1000},
        {u"/p 1e-30", u"P", SaverMode::Preview, 0},
        {u"/p 2147483647", u"P", SaverMode::Preview, 2147483647},
        {u"/p -2147483648", u"P", SaverMode::Preview, -2147483647 - 1},
        {u"/p 2147483647.5", u"P", SaverMode::Preview, std::nullopt},
        {u"/p 2147483648", u"P", SaverMode::Preview, std::nullopt},
        {u"/p 4294967295", u"P", SaverMode::Preview, std::nullopt},
        {u"/p 1e30", u"P", SaverMode::Preview, std::nullopt},
        {u"/p 1e999999999999999999", u"P", SaverMode::Preview, std::nullopt},
        {u"/p １２３", u"P", SaverMode::Preview, 0},
        {u"-ｐ 12", u"Ｐ", SaverMode::FullScreen, std::nullopt},  // a full-width letter is no mode letter
        // Settings: anything after the letter is ignored; no argument at all is Explorer's "Configure".
        {u"", u"", SaverMode::Settings, std::nullopt},
        {u"/c", u"C", SaverMode::Settings, std::nullopt},
        {u"/C", u"C", SaverMode::Settings, std::nullopt},
        {u"/c:1234", u"C", SaverMode::Settings, std::nullopt},
        {u"-c 99", u"C", SaverMode::Settings, std::nullopt},
        // Full screen for everything else.
        {u"/s", u"S", SaverMode::FullScreen, std::nullopt},
        {u"/S", u"S", SaverMode::FullScreen, std::nullopt},
        {u"-s", u"S", SaverMode::FullScreen, std::nullopt},
        {u"p", u"", SaverMode::FullScreen, std::nullopt},
        {u"/", u"", SaverMode::FullScreen, std::nullopt},
        {u"/x", u"X", SaverMode::FullScreen, std::nullopt},
        {u" /p 1234", u"/", SaverMode::FullScreen, std::nullopt},
        {u"/é", u"É", SaverMode::FullScreen, std::nullopt},
        {u"/雪", u"雪", SaverMode::FullScreen, std::nullopt},
        {u"/\U0001F328 1", u"\U0001F328", SaverMode::FullScreen, std::nullopt},  // a surrogate pair kept whole
        {u"/\xD83D", u"\xD83D", SaverMode::FullScreen, std::nullopt},            // a lone surrogate, as it came
    };
    for (const auto& c : cases) {
        const CommandLine line = parseCommandLine(c.text);
        EXPECT_TRUE(line.modeLetter == c.modeLetter) << narrow(c.text);
        EXPECT_EQ(line.mode, c.mode) << narrow(c.text);
        EXPECT_EQ(line.previewParent, c.previewParent) << narrow(c.text);
    }
}

TEST(CommandLine, ArgumentTextFollowsTheProgramNameQuotedOrNot)
{
    const std::u16string_view ownPaths[] = {u"C:\\Program Files\\Nivora\\nivora.scr",
                                            u"C:\\PROGRA~1\\Nivora\\nivora.scr"};
    struct Case {
        const char* what;
        std::u16string_view line;
        std::u16string_view argumentText;
        SaverMode mode;
    };
    const Case cases[] = {
        {"quoted path", u"\"C:\\Program Files\\Nivora\\nivora.scr\" /p 1234", u"/p 1234", SaverMode::Preview},
        {"quoted path, glued", u"\"C:\\Program Files\\Nivora\\nivora.scr\"/s", u"/s", SaverMode::FullScreen},
        {"quoted path, no argument", u"\"C:\\Program Files\\Nivora\\nivora.scr\"", u"", SaverMode::Settings},
        {"quoted path, only blanks", u"\"C:\\Program Files\\Nivora\\nivora.scr\" \t ", u"", SaverMode::Settings},
        {"unclosed quote", u"\"C:\\Program Files\\nivora.scr /s", u"", SaverMode::Settings},
        {"unclosed quote, blanks at the end", u"\"C:\\Program Files\\nivora.scr /s \t", u"", SaverMode::Settings},
        // Windows starts savers unquoted; the program's own path is known even with a blank inside.
        {"unquoted own path", u"C:\\Program Files\\Nivora\\nivora.scr /s", u"/s", SaverMode::FullScreen},
        {"unquoted own path, other case", u"c:\\program files\\NIVORA\\Nivora.SCR /c:42", u"/c:42",
         SaverMode::Settings},
        {"unquoted own path, forward slashes", u"C:/Program Files/Nivora/nivora.scr /p 7", u"/p 7", SaverMode::Preview},
        {"unquoted own path, no argument", u"C:\\Program Files\\Nivora\\nivora.scr", u"", SaverMode::Settings},
        {"unquoted short path", u"C:\\PROGRA~1\\Nivora\\nivora.scr /s", u"/s", SaverMode::FullScreen},
        {"own path as the start of a longer name", u"C:\\Program Files\\Nivora\\nivora.scrx /s",
         u"Files\\Nivora\\nivora.scrx /s", SaverMode::FullScreen},
        {"unquoted other path", u"D:\\Savers\\nivora.scr /p 5", u"/p 5", SaverMode::Preview},
        {"bare name", u"nivora.scr /c", u"/c", SaverMode::Settings},
        // Tabs separate as blanks do, before the argument and inside it.
        {"tab after the name", u"nivora.scr\t/s", u"/s", SaverMode::FullScreen},
        {"tabs and blanks", u"nivora.scr \t \t/p\t99\t", u"/p\t99\t", SaverMode::Preview},
        {"tab after the own path", u"C:\\Program Files\\Nivora\\nivora.scr\t/p 3", u"/p 3", SaverMode::Preview},
        {"empty line", u"", u"", SaverMode::Settings},
    };
    for (const auto& c : cases) {
        const std::u16string_view text = argumentText(c.line, ownPaths);
        EXPECT_TRUE(text == c.argumentText) << c.what << ": " << narrow(text);
        EXPECT_EQ(parseCommandLine(text).mode, c.mode) << c.what;
    }
    EXPECT_EQ(parseCommandLine(argumentText(u"nivora.scr\t/p\t99", {})).previewParent, 99);
    // Without the program's own paths, an unquoted path is cut at its first blank, as the system's parser does.
    EXPECT_TRUE(argumentText(u"C:\\Program Files\\nivora.scr /s", {}) == u"Files\\nivora.scr /s");
}

TEST(CommandLine, VeryLongArgumentTextsAreReadWithoutTrouble)
{
    EXPECT_EQ(parseCommandLine(u"/p " + std::u16string(32000, u'9')).previewParent, std::nullopt);
    EXPECT_EQ(parseCommandLine(u"/p 42" + std::u16string(32000, u' ')).previewParent, 42);
    EXPECT_EQ(parseCommandLine(u"/p 0." + std::u16string(32000, u'0') + u"1").previewParent, 0);
    EXPECT_EQ(parseCommandLine(u"/s" + std::u16string(32000, u'x')).mode, SaverMode::FullScreen);
}

TEST(CommandLine, UpperCaseCoversAsciiLatin1AndFullWidthLetters)
{
    struct Case {
        char16_t in;
        char16_t out;
    };
    const Case cases[] = {
        {u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'},   {u'p', u'P'},   {u'/', u'/'},   {u'1', u'1'},
        {u'{', u'{'}, {u'`', u'`'}, {u'à', u'À'},   {u'þ', u'Þ'},   {u'÷', u'÷'},   {u'ÿ', u'Ÿ'},
        {u'ß', u'ß'}, {u'µ', u'µ'}, {u'ａ', u'Ａ'}, {u'ｚ', u'Ｚ'}, {u'Ａ', u'Ａ'}, {u'あ', u'あ'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(upperCaseLetter(c.in), c.out) << static_cast<int>(c.in);
}

}  // namespace
}  // namespace nivora
