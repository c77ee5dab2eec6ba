// XScreenSaver's settings file for the X11 program: each row of the settings table is one widget there, with the
// row's option name, range and default, and every argument the settings program may pass is one the program takes.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "core/settings/settings.h"

namespace nivora {
namespace {

// One start tag of the file: its name and attributes. The file is ours and plain; that it is well-formed XML is
// checked by xmllint (the test xscreensaver_config_parses).
struct Element {
    std::string tag;
    std::map<std::string, std::string> attributes;
};

bool nameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
}

// The start tags of the text, in order, read by hand: std::regex trips GCC 12's uninitialised-use warning under the
// sanitizers. Comments, declarations and end tags are passed over.
std::vector<Element> readElements(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string content = text.str();
    std::vector<Element> elements;
    size_t i = 0;
    const auto skipSpace = [&] {
        while (i < content.size() && std::isspace(static_cast<unsigned char>(content[i])))
            ++i;
    };
    const auto readName = [&] {
        const size_t start = i;
        while (i < content.size() && nameChar(content[i]))
            ++i;
        return content.substr(start, i - start);
    };
    while ((i = content.find('<', i)) != std::string::npos) {
        ++i;
        if (i >= content.size() || !(std::isalpha(static_cast<unsigned char>(content[i])) || content[i] == '_'))
            continue;
        Element element{readName(), {}};
        for (skipSpace(); i < content.size() && content[i] != '>' && content[i] != '/'; skipSpace()) {
            const std::string name = readName();
            skipSpace();
            if (name.empty() || i >= content.size() || content[i] != '=')
                break;  // not an attribute: the file is checked as XML elsewhere
            ++i;
            skipSpace();
            if (i >= content.size() || content[i] != '"')
                break;
            const size_t end = content.find('"', i + 1);
            if (end == std::string::npos)
                break;
            element.attributes[name] = content.substr(i + 1, end - i - 1);
            i = end + 1;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

const std::vector<Element>& configElements()
{
    static const std::vector<Element> elements = readElements(NIVORA_SOURCE_DIR "/resources/xscreensaver/nivora.xml");
    return elements;
}

// The elements of one tag whose attribute `name` is `value`.
std::vector<Element> elementsWhere(std::string_view tag, std::string_view name, std::string_view value)
{
    std::vector<Element> found;
    for (const Element& e : configElements()) {
        const auto a = e.attributes.find(std::string(name));
        if (e.tag == tag && a != e.attributes.end() && a->second == value)
            found.push_back(e);
    }
    return found;
}

std::string attribute(const Element& e, const std::string& name)
{
    const auto a = e.attributes.find(name);
    return a == e.attributes.end() ? "(none)" : a->second;
}

// "-name value" as the settings file writes an option (GCC 12 warns falsely on chains of string +).
std::string optionWith(std::string_view optionName, std::string_view value)
{
    std::string text("-");
    text.append(optionName).append(" ").append(value);
    return text;
}

std::string optionArgument(std::string_view optionName)
{
    return optionWith(optionName, "%");
}

void expectSlider(std::string_view optionName, SettingRange range, int defaultValue)
{
    const std::vector<Element> sliders = elementsWhere("number", "arg", optionArgument(optionName));
    ASSERT_EQ(sliders.size(), 1u) << "one slider for -" << optionName;
    const Element& slider = sliders.front();
    EXPECT_EQ(attribute(slider, "type"), "slider");
    EXPECT_EQ(attribute(slider, "low"), std::to_string(range.minimum));
    EXPECT_EQ(attribute(slider, "high"), std::to_string(range.maximum));
    EXPECT_EQ(attribute(slider, "default"), std::to_string(defaultValue));
}

void expectChoice(std::string_view optionName, const SettingWords& words, bool defaultValue)
{
    // XScreenSaver's convention: the default choice passes nothing, the other passes its word.
    ASSERT_EQ(elementsWhere("select", "id", optionName).size(), 1u) << "one choice for -" << optionName;
    const std::vector<Element> defaultChoice = elementsWhere("option", "id", words[defaultValue]);
    ASSERT_EQ(defaultChoice.size(), 1u);
    EXPECT_EQ(attribute(defaultChoice.front(), "arg-set"), "(none)");
    const std::vector<Element> otherChoice = elementsWhere("option", "id", words[!defaultValue]);
    ASSERT_EQ(otherChoice.size(), 1u);
    EXPECT_EQ(attribute(otherChoice.front(), "arg-set"), optionWith(optionName, words[!defaultValue]));
}

void expectTextField(std::string_view optionName)
{
    // XScreenSaver's text field has no default: it leaves the option out when empty, and the program's own
    // default applies.
    EXPECT_EQ(elementsWhere("string", "arg", optionArgument(optionName)).size(), 1u)
        << "one text field for -" << optionName;
}

TEST(XScreenSaverConfig, NamesEverySettingWithItsRangeAndDefault)
{
    ASSERT_FALSE(configElements().empty()) << "resources/xscreensaver/nivora.xml is missing or empty";
    EXPECT_EQ(attribute(configElements().front(), "name"), "nivora");
    forEachSetting([](const auto& f) {
        const auto& s = f.setting;
        SCOPED_TRACE(std::string(s.optionName));
        using Value = std::decay_t<decltype(s.defaultValue)>;
        if constexpr (std::is_same_v<Value, bool>)
            expectChoice(s.optionName, s.words, s.defaultValue);
        else if constexpr (std::is_same_v<Value, std::u16string_view>)
            expectTextField(s.optionName);
        else
            expectSlider(s.optionName, s.range, static_cast<int>(s.defaultValue));
    });
}

TEST(XScreenSaverConfig, EveryArgumentItPassesIsOneTheProgramTakes)
{
    // What the settings program would write into the command: the start argument, each slider at both ends, each
    // choice and the text field with a message of spaces.
    std::vector<std::vector<std::string>> commands;
    size_t widgets = 0;
    for (const Element& e : configElements()) {
        const std::string arg = attribute(e, "arg"), argSet = attribute(e, "arg-set");
        if (e.tag == "command") {
            commands.push_back({arg});
        } else if (e.tag == "number") {
            ++widgets;
            const std::string name = arg.substr(0, arg.find(' '));
            commands.push_back({name, attribute(e, "low")});
            commands.push_back({name, attribute(e, "high")});
        } else if (e.tag == "option" && argSet != "(none)") {
            commands.push_back({argSet.substr(0, argSet.find(' ')), argSet.substr(argSet.find(' ') + 1)});
        } else if (e.tag == "select" || e.tag == "string") {
            ++widgets;
            if (e.tag == "string")
                commands.push_back({arg.substr(0, arg.find(' ')), "Snow on the hills"});
        }
    }
    EXPECT_EQ(widgets, kSettingCount) << "one widget per setting, and none for anything else";
    for (const std::vector<std::string>& command : commands) {
        const std::vector<std::string_view> arguments(command.begin(), command.end());
        SCOPED_TRACE(command.front());
        EXPECT_EQ(parseLinuxCommandLine(arguments, "").error, "");
    }
}

TEST(XScreenSaverConfig, TheManualPageNamesEveryOptionOfTheUsage)
{
    // Every option the usage lists (lines "  -name ...") is a tag of the manual page, written as roff writes a dash,
    // and each setting's default is given there.
    std::ifstream file(NIVORA_SOURCE_DIR "/resources/xscreensaver/nivora.6");
    std::stringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    ASSERT_FALSE(page.empty()) << "resources/xscreensaver/nivora.6 is missing or empty";
    std::istringstream usage(linuxUsage());
    size_t options = 0;
    for (std::string line; std::getline(usage, line);) {
        if (line.rfind("  -", 0) != 0)
            continue;
        for (std::istringstream words(line.substr(2)); words;) {
            std::string word;
            words >> word;
            if (word.empty() || word[0] != '-')
                break;
            if (word.back() == ',')
                word.pop_back();
            std::string roff;
            for (const char c : word)
                roff += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(page.find(roff), std::string::npos) << word;
            ++options;
        }
    }
    EXPECT_EQ(options, kSettingCount + 11)
        << "the settings, three targets, --wayland, --x11, -seed, --idle, --autostart, -help, -h and -version";
    EXPECT_NE(page.find("The default is 1."), std::string::npos);
    EXPECT_NE(page.find("100, 500, 1000, 2000 or 3000 flakes"), std::string::npos);
    EXPECT_NE(page.find("TOVEK Super Quorlane 2004"), std::string::npos);
}

}  // namespace
}  // namespace nivora
