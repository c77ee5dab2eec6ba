// The X11 program's command line: targets, each setting as an option, and one clear line for what is wrong.
#include "core/settings/linux_command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "core/base/unicode_text.h"

namespace nivora {
namespace {

LinuxCommandLine parse(std::vector<std::string_view> arguments, std::string_view screensaverWindow = {})
{
    return parseLinuxCommandLine(arguments, screensaverWindow);
}

TEST(LinuxCommandLine, NoOptionsGiveTheOwnWindowAndTheDefaults)
{
    const LinuxCommandLine line = parse({});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.target, DrawTarget::OwnWindow);
    EXPECT_FALSE(line.options.fullscreen);
    EXPECT_FALSE(line.options.seed);
    EXPECT_TRUE(isDefault(line.options.settings));
}

TEST(LinuxCommandLine, TargetsComeFromOptionsAndXScreenSaversWindow)
{
    struct Case {
        std::vector<std::string_view> arguments;
        std::string_view environment;
        DrawTarget target;
        uint32_t windowId;
    };
    const Case cases[] = {
        {{"-root"}, "", DrawTarget::Root, 0},
        {{"--root"}, "", DrawTarget::Root, 0},
        {{"-window-id", "4194311"}, "", DrawTarget::Window, 4194311},
        {{"--window-id", "0x400007"}, "", DrawTarget::Window, 0x400007},
        {{"-window-id=0X1a"}, "", DrawTarget::Window, 0x1A},
        {{"-window-id", "4294967295"}, "", DrawTarget::Window, 4294967295u},
        // XScreenSaver names its window in the environment and may pass --root as well: its window wins.
        {{}, "0x2a00007", DrawTarget::Window, 0x2A00007},
        {{"--root"}, "0x2a00007", DrawTarget::Window, 0x2A00007},
        {{"--root"}, "44040199", DrawTarget::Window, 44040199},
        // An explicit window id wins over the environment.
        {{"-window-id", "12"}, "0x2a00007", DrawTarget::Window, 12},
        {{"-root", "-window-id", "12"}, "", DrawTarget::Window, 12},
        {{"-fullscreen"}, "", DrawTarget::OwnWindow, 0},
    };
    for (const Case& c : cases) {
        const LinuxCommandLine line = parse(c.arguments, c.environment);
        SCOPED_TRACE(c.arguments.empty() ? std::string(c.environment) : std::string(c.arguments.front()));
        EXPECT_EQ(line.error, "");
        EXPECT_EQ(line.options.target, c.target);
        EXPECT_EQ(line.options.windowId, c.windowId);
    }
}

// Wayland where the session has a compositor and nothing asks for X11; --wayland and --x11 decide alone.
TEST(LinuxCommandLine, WaylandIsChosenBySessionUnlessAnX11TargetOrAForcedDisplay)
{
    struct Case {
        std::vector<std::string_view> arguments;
        std::string_view environment;  // XSCREENSAVER_WINDOW
        bool waylandDisplay;
        bool wayland;
    };
    const Case cases[] = {
        {{}, "", true, true},
        {{}, "", false, false},
        {{"-fullscreen"}, "", true, true},
        {{"-root"}, "", true, false},
        {{"-window-id", "12"}, "", true, false},
        {{}, "0x2a00007", true, false},
        {{"--x11"}, "", true, false},
        {{"--wayland"}, "", false, true},
        {{"--wayland", "--x11"}, "", true, false},  // the later one
        {{"--x11", "-wayland"}, "", false, true},
    };
    for (const Case& c : cases) {
        const LinuxCommandLine line = parse(c.arguments, c.environment);
        SCOPED_TRACE(testing::Message() << (c.arguments.empty() ? "" : c.arguments.front()) << " " << c.environment
                                        << " " << c.waylandDisplay);
        EXPECT_EQ(line.error, "");
        EXPECT_EQ(drawsOnWayland(line.options, c.waylandDisplay), c.wayland);
    }
}

TEST(LinuxCommandLine, SettingsOptionsSetTheRecord)
{
    const LinuxCommandLine line = parse({"-precipitation", "4", "--velocity", "12", "-direction", "fixed",
                                         "--brightness=0", "-message", "雪 snow", "-seed", "18446744073709551615",
                                         "-fullscreen"});
    ASSERT_EQ(line.error, "");
    const SnowSettings& s = line.options.settings;
    EXPECT_EQ(s.precipitation, 4);
    EXPECT_EQ(s.velocity, 12.0f);
    EXPECT_FALSE(s.direction);
    EXPECT_EQ(s.blightness, 0);
    EXPECT_EQ(s.messageText, u"雪 snow");
    EXPECT_EQ(line.options.seed, 18446744073709551615u);
    EXPECT_TRUE(line.options.fullscreen);

    EXPECT_TRUE(parse({"-direction", "auto"}).options.settings.direction);
    EXPECT_EQ(parse({"-velocity", "0"}).options.settings.velocity, 0.0f);
    EXPECT_EQ(parse({"-message", ""}).options.settings.messageText, u"");
    EXPECT_EQ(parse({"-brightness", "1", "-brightness", "3"}).options.settings.blightness, 3);  // the last one holds
}

TEST(LinuxCommandLine, MessageIsCutTo128UnitsWithoutSplittingAPair)
{
    const std::string ascii(200, 'a');
    EXPECT_EQ(parse({"-message", ascii}).options.settings.messageText, std::u16string(128, u'a'));

    // 127 units, then a character outside the BMP (two units): it would end half a pair at 128, so it goes.
    const std::string beforePair = std::string(127, 'b') + "\xF0\x9F\x8C\xA8" + "c";
    EXPECT_EQ(parse({"-message", beforePair}).options.settings.messageText, std::u16string(127, u'b'));
    // 126 units and the pair fit exactly.
    const std::string pairFits = std::string(126, 'b') + "\xF0\x9F\x8C\xA8" + "c";
    EXPECT_EQ(parse({"-message", pairFits}).options.settings.messageText, std::u16string(126, u'b') + u"\U0001F328");
}

TEST(LinuxCommandLine, EachFaultGivesOneLineNamingIt)
{
    struct Case {
        std::vector<std::string_view> arguments;
        std::string_view environment;
        std::string_view error;
    };
    const Case cases[] = {
        {{"-frobnicate"}, "", "unknown option \"-frobnicate\""},
        {{"--blightness", "2"}, "", "unknown option \"--blightness\""},
        {{"-"}, "", "unexpected argument \"-\""},
        {{"root"}, "", "unexpected argument \"root\""},
        {{"-precipitation", "5"}, "", "bad value \"5\" for -precipitation (0 to 4)"},
        {{"-precipitation", "-1"}, "", "bad value \"-1\" for -precipitation (0 to 4)"},
        {{"-precipitation", "1.0"}, "", "bad value \"1.0\" for -precipitation (0 to 4)"},
        {{"-precipitation", ""}, "", "bad value \"\" for -precipitation (0 to 4)"},
        {{"-velocity", "13"}, "", "bad value \"13\" for -velocity (0 to 12)"},
        {{"-velocity", "99999999999999999999"}, "", "bad value \"99999999999999999999\" for -velocity (0 to 12)"},
        {{"-brightness", "x"}, "", "bad value \"x\" for -brightness (0 to 4)"},
        {{"-direction", "Auto"}, "", "bad value \"Auto\" for -direction (auto or fixed)"},
        {{"-message", "\xC3\x28"}, "", "the value of -message is not valid UTF-8 text"},
        {{"-message", "\xED\xA0\x80"}, "", "the value of -message is not valid UTF-8 text"},  // a surrogate
        {{"-message", "\xC0\xAF"}, "", "the value of -message is not valid UTF-8 text"},      // overlong
        {{"-velocity"}, "", "option -velocity needs a value"},
        {{"-window-id"}, "", "option -window-id needs a value"},
        {{"-window-id", "0"}, "", "bad value \"0\" for -window-id (a window id, decimal or 0x hexadecimal)"},
        {{"-window-id", "0x"}, "", "bad value \"0x\" for -window-id (a window id, decimal or 0x hexadecimal)"},
        {{"-window-id", "0x1g"}, "", "bad value \"0x1g\" for -window-id (a window id, decimal or 0x hexadecimal)"},
        {{"-window-id", "4294967296"},
         "",
         "bad value \"4294967296\" for -window-id (a window id, decimal or 0x hexadecimal)"},
        {{"-seed", "-3"}, "", "bad value \"-3\" for -seed (a whole number)"},
        {{"-root=1"}, "", "option -root takes no value"},
        {{"--wayland=1"}, "", "option -wayland takes no value"},
        {{"--wayland", "-root"}, "", "-root draws on an X11 display; it cannot go with --wayland"},
        {{"-window-id", "12", "--wayland"}, "", "a window id draws into an X11 window; it cannot go with --wayland"},
        {{"--wayland"}, "0x2a00007", "a window id draws into an X11 window; it cannot go with --wayland"},
        {{}, "window", "bad window id \"window\" in XSCREENSAVER_WINDOW"},
        // What was typed is shown on the one line: control characters, quotes and backslashes written out.
        {{"-velocity", "1\n2"}, "", "bad value \"1\\n2\" for -velocity (0 to 12)"},
        {{"-x\t\"\\\x1b\x7f"}, "", "unknown option \"-x\\t\\\"\\\\\\x1b\\x7f\""},
        // From 0x80 up: C1 controls (a terminal takes U+009B as an escape), invalid UTF-8 and the characters that
        // reorder or break a line are written out byte by byte; other UTF-8 characters are shown as they are.
        {{"-x\xC2\x9B"
          "2J"},
         "",
         "unknown option \"-x\\xc2\\x9b2J\""},
        {{"-x\xC2\x85"}, "", "unknown option \"-x\\xc2\\x85\""},
        {{"-x\x9B"}, "", "unknown option \"-x\\x9b\""},
        {{"-x\xFF\xFE"}, "", "unknown option \"-x\\xff\\xfe\""},
        {{"-x\xE9\x9B"}, "", "unknown option \"-x\\xe9\\x9b\""},           // cut short
        {{"-x\xC0\xAF"}, "", "unknown option \"-x\\xc0\\xaf\""},           // overlong
        {{"-x\xED\xA0\x80"}, "", "unknown option \"-x\\xed\\xa0\\x80\""},  // a surrogate
        {{"-x\xE2\x80\xAE"}, "", "unknown option \"-x\\xe2\\x80\\xae\""},  // right-to-left override
        {{"-x\xE2\x80\xA8"}, "", "unknown option \"-x\\xe2\\x80\\xa8\""},  // line separator
        {{"-\xE9\x9B\xAA"}, "", "unknown option \"-\xE9\x9B\xAA\""},       // 雪, shown
        {{"-velocity", "\xEF\xBC\x95"}, "", "bad value \"\xEF\xBC\x95\" for -velocity (0 to 12)"},  // a wide 5
        // Two places to draw at once: one of them would be ignored without a word.
        {{"-root", "-fullscreen"}, "", "-root and -fullscreen are two places to draw; give one"},
        {{"-fullscreen", "--root"}, "", "-root and -fullscreen are two places to draw; give one"},
        {{"-fullscreen", "-window-id", "12"}, "", "-window-id and -fullscreen are two places to draw; give one"},
        {{"-help=1"}, "", "option -help takes no value"},
        {{"--version=2"}, "", "option -version takes no value"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.arguments, c.environment).error, c.error);
    }
}

TEST(LinuxCommandLine, TextFromTheEnvironmentIsQuotedAsOptionsAre)
{
    // The display's name from DISPLAY is shown on an error line too.
    EXPECT_EQ(quotedForTerminal("host\x1b]0;x\x07:0"), "\"host\\x1b]0;x\\x07:0\"");
    EXPECT_EQ(quotedForTerminal("\xC2\x9B:1"), "\"\\xc2\\x9b:1\"");
    EXPECT_EQ(quotedForTerminal(":0"), "\":0\"");
}

TEST(LinuxCommandLine, HelpAndVersionAreAskedForAsPeopleAskForThem)
{
    struct Case {
        std::vector<std::string_view> arguments;
        bool help, version;
    };
    const Case cases[] = {
        {{"-h"}, true, false},          {{"-help"}, true, false},
        {{"--help"}, true, false},      {{"--h"}, true, false},
        {{"--version"}, false, true},   {{"-version"}, false, true},
        {{"-root", "-h"}, true, false}, {{"-velocity", "3", "--version"}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const LinuxCommandLine line = parse(c.arguments);
        EXPECT_EQ(line.error, "");
        EXPECT_EQ(line.options.help, c.help);
        EXPECT_EQ(line.options.version, c.version);
    }
    EXPECT_FALSE(parse({}).options.help);
    EXPECT_FALSE(parse({}).options.version);
}

TEST(LinuxCommandLine, UsageSaysWhatEachNumberMeans)
{
    // The whole text: every option of the settings table with its range, what its values do and its default.
    EXPECT_EQ(linuxUsage(), "usage: nivora [options]\n"
                            "Snow that falls over the desktop and writes a message.\n"
                            "Where to draw (one of these; else a 1280 x 720 window of its own):\n"
                            "  -root                 the root window or virtual root; Ctrl+C or kill ends it\n"
                            "  -window-id ID         window ID (decimal or 0x hex), or XSCREENSAVER_WINDOW's\n"
                            "  -fullscreen           a window of its own over the whole screen\n"
                            "  --wayland, --x11      this display; else Wayland where WAYLAND_DISPLAY is set\n"
                            "The snow:\n"
                            "  -precipitation 0..4   100, 500, 1000, 2000 or 3000 flakes; default 1\n"
                            "  -velocity 0..12       the wind, -30 (left) to +30 pixels a frame; 6 is calm;\n"
                            "                        default 6\n"
                            "  -direction auto|fixed auto: the wind changes by itself; fixed: it does not;\n"
                            "                        default auto\n"
                            "  -brightness 0..4      the desktop at 0 (black), 25, 50, 75 or 100 %; default 2\n"
                            "  -message TEXT         the text the snow settles on, up to 128 characters;\n"
                            "                        default \"TOVEK Super Quorlane 2004\"\n"
                            "  -seed N               the seed of the snow, to see the same snowfall again\n"
                            "Where no idle daemon starts it:\n"
                            "  --idle DURATION       stay, and snow after DURATION idle: 5 (minutes), 30s, 2m\n"
                            "  --autostart on|off    run nivora --idle and these options with the session\n"
                            "  -help, -h             this text\n"
                            "  -version              the version\n"
                            "Options may begin with - or --; a value may follow after = (--velocity=3).\n"
                            "In a window of its own, Escape, q or closing the window ends it.\n"
                            "On Wayland, a key, a click or a mouse movement fades it out.\n");
}

// A number setting's line says what its own values do: another one beside precipitation does not borrow the
// brightness sentence ("the desktop at 0 (black), 25 or 50 %").
TEST(LinuxCommandLine, ANumberSettingsUsageIsItsOwnMeaning)
{
    const Setting<int16_t> kFlakeSize{u"flakeSize", 1,  {0, 2},
                                      "flakesize",  {}, [] { return std::string("small, normal or large flakes"); }};
    EXPECT_EQ(settingUsage(kFlakeSize), "  -flakesize 0..2       small, normal or large flakes; default 1\n");
}

// Every setting of the table says something of its own, and its usage line says it; checked here as well as at
// build time, since the sanitizer build cannot compare function addresses in a constant expression.
TEST(LinuxCommandLine, EverySettingHasAMeaningOfItsOwn)
{
    std::set<std::string> meanings;
    forEachSetting([&](const auto& f) {
        SCOPED_TRACE(std::string(f.setting.optionName));
        ASSERT_NE(f.setting.meaning, nullptr);
        const std::string meaning = f.setting.meaning();
        EXPECT_NE(meaning, "");
        EXPECT_TRUE(meanings.insert(meaning).second) << "shared with another setting: " << meaning;
        EXPECT_NE(settingUsage(f.setting).find(meaning), std::string::npos) << settingUsage(f.setting);
    });
}

// The manual page gives every setting's option in its synopsis and a paragraph of its own that tells the range and
// the default, as the usage does: a setting added to the table and forgotten in either place fails here.
TEST(LinuxCommandLine, TheManualPageHasEverySettingInItsSynopsisAndAParagraph)
{
    std::ifstream file(NIVORA_SOURCE_DIR "/resources/xscreensaver/nivora.6");
    std::stringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    ASSERT_FALSE(page.empty()) << "resources/xscreensaver/nivora.6 is missing or empty";
    const auto roff = [](std::string_view option) {
        std::string out = "\\-";
        for (const char c : option)
            out += c == '-' ? std::string("\\-") : std::string(1, c);
        return out;
    };
    forEachSetting([&](const auto& f) {
        const std::string option = roff(f.setting.optionName);
        SCOPED_TRACE(option);
        EXPECT_NE(page.find(".RB [ " + option + "\n"), std::string::npos) << "not in the synopsis";
        const size_t tag = page.find(".BI " + option + " ");
        ASSERT_NE(tag, std::string::npos) << "no paragraph";
        const size_t end = page.find(".TP", tag);
        const std::string paragraph = page.substr(tag, end == std::string::npos ? std::string::npos : end - tag);
        EXPECT_NE(paragraph.find("The default is"), std::string::npos) << paragraph;
        using Value = std::remove_cvref_t<decltype(f.setting.defaultValue)>;
        if constexpr (std::is_same_v<Value, int16_t> || std::is_same_v<Value, float>) {
            const std::string range = std::to_string(f.setting.range.minimum) + " to " +
                                      std::to_string(f.setting.range.maximum) + ":";
            EXPECT_NE(paragraph.find(range), std::string::npos) << paragraph;
            const std::string defaultText = "The default is " + std::to_string(int(f.setting.defaultValue)) + ".";
            EXPECT_NE(paragraph.find(defaultText), std::string::npos) << paragraph;
        }
    });
}

TEST(LinuxCommandLine, IdleTimesAreMinutesOrCarryTheirUnit)
{
    struct Case {
        std::string_view text;
        std::optional<int64_t> seconds;
    };
    const Case cases[] = {
        {"5", 300},
        {"30s", 30},
        {"2m", 120},
        {"1h", 3600},
        {"1s", 1},
        {"24h", 86400},
        {"1440", 86400},
        {"86400s", 86400},
        {"007", 420},
        {"0", std::nullopt},
        {"0s", std::nullopt},
        {"25h", std::nullopt},
        {"1441", std::nullopt},
        {"86401s", std::nullopt},
        {"", std::nullopt},
        {"s", std::nullopt},
        {"-5", std::nullopt},
        {"+5", std::nullopt},
        {"1.5", std::nullopt},
        {"5 m", std::nullopt},
        {"5ms", std::nullopt},
        {"5M", std::nullopt},
        {"5d", std::nullopt},
        {"4294967295h", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<std::chrono::seconds> idle = readIdleTime(c.text);
        EXPECT_EQ(idle ? std::optional(idle->count()) : std::nullopt, c.seconds);
    }
    EXPECT_EQ(idleTimeText(std::chrono::seconds(300)), "5m");
    EXPECT_EQ(idleTimeText(std::chrono::seconds(30)), "30s");
    EXPECT_EQ(idleTimeText(std::chrono::seconds(90)), "90s");
    EXPECT_EQ(idleTimeText(std::chrono::seconds(7200)), "2h");
}

// --idle and --autostart are the watcher's: every other argument goes on to the snow it starts, as it was typed.
TEST(LinuxCommandLine, IdleKeepsTheOtherArgumentsForTheSnow)
{
    struct Case {
        std::vector<std::string_view> arguments;
        std::optional<int64_t> idle;
        std::optional<bool> autostart;
        std::vector<std::string> snow;
    };
    const Case cases[] = {
        {{"--idle", "5"}, 300, std::nullopt, {}},
        {{"-idle=30s"}, 30, std::nullopt, {}},
        {{"-precipitation", "3", "--idle", "2m", "-message=Back soon", "--wayland"},
         120,
         std::nullopt,
         {"-precipitation", "3", "-message=Back soon", "--wayland"}},
        {{"--autostart", "on", "-idle", "5", "-seed", "7"}, 300, true, {"-seed", "7"}},
        {{"--autostart=off"}, std::nullopt, false, {}},
        {{"-velocity", "3"}, std::nullopt, std::nullopt, {"-velocity", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const LinuxCommandLine line = parse(c.arguments);
        ASSERT_EQ(line.error, "");
        const std::optional<std::chrono::seconds> idle = line.options.idle;
        EXPECT_EQ(idle ? std::optional(idle->count()) : std::nullopt, c.idle);
        EXPECT_EQ(line.options.autostart, c.autostart);
        EXPECT_EQ(line.options.snowArguments, c.snow);
    }
    // Where no XScreenSaver runs, its window in the environment is nothing the watcher draws into.
    const LinuxCommandLine watcher = parse({"--idle", "5"}, "0x2a00007");
    EXPECT_EQ(watcher.error, "");
    EXPECT_EQ(watcher.options.target, DrawTarget::OwnWindow);
}

TEST(LinuxCommandLine, IdleFaultsGiveOneLine)
{
    struct Case {
        std::vector<std::string_view> arguments;
        std::string_view error;
    };
    const Case cases[] = {
        {{"--idle"}, "option -idle needs a value"},
        {{"--idle", "0"}, "bad value \"0\" for -idle (minutes, or a number with s, m or h; 1s to 24h)"},
        {{"--idle", "5x"}, "bad value \"5x\" for -idle (minutes, or a number with s, m or h; 1s to 24h)"},
        {{"--idle", "2d"}, "bad value \"2d\" for -idle (minutes, or a number with s, m or h; 1s to 24h)"},
        {{"--autostart", "yes"}, "bad value \"yes\" for -autostart (on or off)"},
        {{"--autostart"}, "option -autostart needs a value"},
        {{"--autostart", "on"}, "--autostart on needs --idle DURATION: how long the user is idle before the snow"},
        {{"--idle", "5", "-root"}, "-root cannot go with --idle: it starts the snow over the whole screen"},
        {{"-window-id", "12", "--idle", "5"},
         "-window-id cannot go with --idle: it starts the snow over the whole screen"},
        {{"--autostart", "on", "--idle", "5", "-root"},
         "-root cannot go with --idle: it starts the snow over the whole screen"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.arguments).error, c.error);
    }
}

// An Exec line is read twice: as a key file's string, then split into arguments at blanks outside double quotes.
TEST(AutostartEntry, ExecArgumentsAreQuotedAsTheDesktopEntryFormatSays)
{
    struct Case {
        std::string_view argument;
        std::optional<std::string> exec;
    };
    const Case cases[] = {
        {"-precipitation", "-precipitation"},
        {"/usr/bin/nivora", "/usr/bin/nivora"},
        {"--message=雪", "--message=雪"},
        {"", "\"\""},
        {"Back soon", "\"Back soon\""},
        {"it's", "\"it's\""},
        {"say \"hi\"", "\"say \\\\\"hi\\\\\"\""},
        {"$HOME `x`", "\"\\\\$HOME \\\\`x\\\\`\""},
        {"a\\b", "\"a\\\\\\\\b\""},
        {"50%", "50%%"},
        {"a;b|c&d", "\"a;b|c&d\""},
        {"<~*?#()>", "\"<~*?#()>\""},
        {"two\nlines", "\"two\\nlines\""},
        {"tab\there", "\"tab\\there\""},
        {"cr\r", "\"cr\\r\""},
        {"bell\x07", std::nullopt},
        {"esc\x1b[2J", std::nullopt},
        {"del\x7f", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(desktopExecArgument(c.argument), c.exec);
    }
}

TEST(AutostartEntry, RunsTheWatcherWithTheIdleTimeAndTheSnowsOptions)
{
    const LinuxCommandLine line = parse(
        {"--autostart", "on", "-precipitation", "3", "--idle", "30s", "-message", "Back at 5%", "--x11"});
    ASSERT_EQ(line.error, "");
    EXPECT_EQ(autostartEntry("/opt/my nivora/nivora", line.options),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Nivora\n"
              "Comment=Snow over the desktop after 30s idle\n"
              "Exec=\"/opt/my nivora/nivora\" --idle 30s -precipitation 3 -message \"Back at 5%%\" --x11\n"
              "NoDisplay=true\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(autostartEntry("nivora", parse({"--idle", "5"}).options), "[Desktop Entry]\n"
                                                                        "Type=Application\n"
                                                                        "Name=Nivora\n"
                                                                        "Comment=Snow over the desktop after 5m idle\n"
                                                                        "Exec=nivora --idle 5m\n"
                                                                        "NoDisplay=true\n"
                                                                        "X-GNOME-Autostart-enabled=true\n");
    // A message with a control character cannot go into a key file: no entry rather than a broken one.
    EXPECT_EQ(autostartEntry("nivora", parse({"--idle", "5", "-message", "a\x1b"}).options), std::nullopt);
    EXPECT_EQ(autostartEntry("nivora", parse({"-velocity", "3"}).options), std::nullopt);
}

TEST(UnicodeText, CharactersJoinPairsAndStandInForHalves)
{
    EXPECT_EQ(charactersOf(u"a\U0001F328雪"), U"a\U0001F328雪");
    EXPECT_EQ(charactersOf(std::u16string(1, char16_t(0xD800)) + u"x"), U"\uFFFDx");
    EXPECT_EQ(charactersOf(std::u16string(1, char16_t(0xDC00))), U"\uFFFD");
    EXPECT_EQ(utf16FromUtf8("\xF4\x90\x80\x80"), std::nullopt);  // beyond U+10FFFF
    EXPECT_EQ(utf16FromUtf8("\xE9\x9B"), std::nullopt);          // cut short
    EXPECT_EQ(utf16FromUtf8("\xE9\x9B\xAA"), u"雪");
}

}  // namespace
}  // namespace nivora
