// Fuzzes the screen-saver command line: any argument text (the input as UTF-16LE units, lone surrogates and NULs
// included) gives the mode its second character names and, for a preview, the handle the rest begins with; the
// same units read as a whole command line give an argument text that follows the program's name.
#include "core/settings/command_line.h"
#include "core/base/utf16.h"
#include "fuzz_support.h"

using namespace nivora;

namespace {

bool isSeparator(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// The argument text is the end of the line, past the program's name and the separators after it.
void checkArgumentText(std::u16string_view line)
{
    const std::u16string_view own[] = {u"C:\\Program Files\\Nivora\\nivora.scr", u"C:\\PROGRA~1\\Nivora\\nivora.scr"};
    const std::u16string_view text = argumentText(line, own);
    const std::string shown = fuzz::show(line);
    FUZZ_CHECK(text.size() <= line.size() && text.data() == line.data() + (line.size() - text.size()),
               "'%s': the argument text is not the end of the line", shown.c_str());
    FUZZ_CHECK(text.empty() || !isSeparator(text.front()), "'%s': the argument text starts with a separator",
               shown.c_str());
    // The name and the separators after it.
    const std::u16string_view skipped = line.substr(0, line.size() - text.size());
    if (!line.empty() && line[0] == u'"') {
        const size_t close = line.find(u'"', 1);
        const size_t end = close == std::u16string_view::npos ? line.size() : close + 1;
        FUZZ_CHECK(skipped.size() >= end && skipped.find_first_not_of(u" \t", end) == std::u16string_view::npos,
                   "'%s': the quoted name ends elsewhere", shown.c_str());
        return;
    }
    FUZZ_CHECK(text.empty() || (!skipped.empty() && isSeparator(skipped.back())),
               "'%s': the unquoted name is cut inside a word", shown.c_str());
    std::u16string_view name = skipped;
    while (!name.empty() && isSeparator(name.back()))
        name.remove_suffix(1);
    if (name.find_first_of(u" \t") != std::u16string_view::npos) {
        // Only the program's own path may hold a blank; it matches regardless of letter case and slashes.
        bool ownPath = false;
        for (const std::u16string_view path : own) {
            bool same = name.size() == path.size();
            for (size_t i = 0; same && i < path.size(); ++i) {
                const char16_t a = name[i] == u'/' ? u'\\' : name[i], b = path[i];
                same = upperCaseLetter(a) == upperCaseLetter(b);
            }
            ownPath = ownPath || same;
        }
        FUZZ_CHECK(ownPath, "'%s': an unquoted name with a blank that is not the program's path", shown.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = fuzz::unitsFromBytes(data, size);
    const CommandLine line = parseCommandLine(text);
    const std::string shown = fuzz::show(text);
    checkArgumentText(text);

    if (text.size() < 2) {
        // No argument at all is Explorer's "Configure"; one character is too short for a mode letter.
        const SaverMode mode = text.empty() ? SaverMode::Settings : SaverMode::FullScreen;
        FUZZ_CHECK(line.modeLetter.empty() && line.mode == mode && !line.previewParent,
                   "'%s' is too short for a mode letter", shown.c_str());
        return 0;
    }

    // The letter: one unit upper-cased, or a surrogate pair kept whole.
    const char16_t letter = text[1];
    const bool pair = isHighSurrogate(letter) && text.size() > 2 && isLowSurrogate(text[2]);
    FUZZ_CHECK(line.modeLetter.size() == (pair ? 2u : 1u) && line.modeLetter[0] == upperCaseLetter(letter) &&
                   (!pair || line.modeLetter[1] == text[2]),
               "'%s' gave the mode letter '%s'", shown.c_str(), fuzz::show(line.modeLetter).c_str());
    FUZZ_CHECK(upperCaseLetter(line.modeLetter[0]) == line.modeLetter[0], "upper case of '%s' is not stable",
               fuzz::show(line.modeLetter).c_str());
    if (letter < 0x80) {
        const char16_t ascii = letter >= u'a' && letter <= u'z' ? static_cast<char16_t>(letter - 32) : letter;
        FUZZ_CHECK(line.modeLetter[0] == ascii, "'%s': ASCII letter upper-cased wrongly", shown.c_str());
    }

    // Only c/C and p/P choose a mode other than the full screen.
    const SaverMode mode = letter == u'c' || letter == u'C'   ? SaverMode::Settings
                           : letter == u'p' || letter == u'P' ? SaverMode::Preview
                                                              : SaverMode::FullScreen;
    FUZZ_CHECK(line.mode == mode, "'%s' gave mode %d", shown.c_str(), static_cast<int>(line.mode));

    if (mode != SaverMode::Preview) {
        FUZZ_CHECK(!line.previewParent, "'%s' is no preview but has a handle", shown.c_str());
        return 0;
    }
    // The handle: the number the rest begins with once blanks are trimmed, rounded halves to even, or 0 when
    // there is none; nothing when it lies beyond 32 bits.
    const std::u16string_view rest = fuzz::trimmed(std::u16string_view(text).substr(2));
    const auto number = fuzz::numberAtStart(rest, u'.');
    if (!number) {
        FUZZ_CHECK(line.previewParent == 0, "'%s' has no number, yet the handle is not 0", shown.c_str());
        return 0;
    }
    fuzz::checkRounding(line.previewParent ? std::optional<int64_t>(*line.previewParent) : std::nullopt, *number,
                        INT32_MIN, INT32_MAX, shown);
    return 0;
}
