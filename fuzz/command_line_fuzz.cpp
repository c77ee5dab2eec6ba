// Fuzzes the screen-saver command line: any argument text (the input as UTF-16LE units, lone surrogates and NULs
// included) gives the mode its second character names and, for a preview, the handle the rest begins with.
#include "core/command_line.h"
#include "fuzz_support.h"

using namespace nivora;

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = fuzz::unitsFromBytes(data, size);
    const CommandLine line = parseCommandLine(text);
    const std::string shown = fuzz::show(text);

    if (text.size() < 2) {
        FUZZ_CHECK(line.modeLetter.empty() && line.mode == SaverMode::FullScreen && !line.previewParent,
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
