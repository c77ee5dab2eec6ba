// The screen-saver command line: which of the three modes to run and, for the preview, the host window's handle.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nivora {

enum class SaverMode { FullScreen, Preview, Settings };

struct CommandLine {
    // The second character of the argument text, upper-cased; empty when the text is shorter.
    std::u16string modeLetter;
    SaverMode mode = SaverMode::FullScreen;
    // Preview only: the host window's handle as a signed 32-bit number (0 when the handle text does not begin
    // with a number). Nothing when the number lies outside the 32-bit range, or when the mode is not preview.
    std::optional<int32_t> previewParent;
};

// argumentText is the text after the program's own name, without the blank that separates them. "P" selects the
// preview ("/p 1234", "-P1234"), "C" the settings ("/c", "/c:1234"), and so does no argument at all: Explorer's
// "Configure" starts a saver without one. Anything else selects the full screen.
CommandLine parseCommandLine(std::u16string_view argumentText);

// The argument text of a whole command line as the system hands it over: what follows the program's own name,
// without the blanks and tabs between them. The name is either quoted, or one of `ownPaths` (the program's paths
// as the system knows them, letter case and slash direction aside) followed by a blank, a tab or the end, or else
// it runs to the first blank or tab. Windows starts savers from an unquoted path, which may contain blanks.
std::u16string_view argumentText(std::u16string_view commandLine, std::span<const std::u16string_view> ownPaths = {});

// Upper case of one UTF-16 unit: ASCII, Latin-1 and full-width Latin letters; every other unit unchanged.
char16_t upperCaseLetter(char16_t c);

}  // namespace nivora
