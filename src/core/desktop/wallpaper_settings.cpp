// Reads the desktops' wallpaper settings as GNOME and Plasma write them.
#include "core/desktop/wallpaper_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace nivora {
namespace {

constexpr std::string_view kSpaces = " \t\r";

std::string_view trimmed(std::string_view s)
{
    const size_t first = s.find_first_not_of(kSpaces);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kSpaces) + 1 - first);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::optional<int32_t> number(std::string_view s)
{
    int32_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// KConfig's escapes in values: \s, \t, \n, \r and \\.
std::string unescaped(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += value[i];
            break;
        }
    }
    return out;
}

// "[Containments][12][Wallpaper]" as its parts: "Containments", "12", "Wallpaper".
std::vector<std::string_view> groupParts(std::string_view header)
{
    std::vector<std::string_view> parts;
    while (header.size() >= 2 && header.front() == '[') {
        const size_t close = header.find(']');
        if (close == std::string_view::npos)
            return {};
        parts.push_back(header.substr(1, close - 1));
        header.remove_prefix(close + 1);
    }
    if (!header.empty())
        return {};
    return parts;
}

WallpaperOption optionOfFillMode(int32_t mode)
{
    switch (mode) {
    case 0:
        return WallpaperOption::Stretched;
    case 1:
        return WallpaperOption::Scaled;
    case 3:
    case 4:
    case 5:
        return WallpaperOption::Wallpaper;
    case 6:
        return WallpaperOption::Centered;
    default:
        return WallpaperOption::Zoom;
    }
}

}  // namespace

WallpaperDesktop wallpaperDesktopOf(std::string_view currentDesktop)
{
    while (!currentDesktop.empty()) {
        const size_t colon = currentDesktop.find(':');
        const std::string_view entry = currentDesktop.substr(0, colon);
        if (entry == "GNOME" || entry == "GNOME-Classic" || entry == "GNOME-Flashback")
            return WallpaperDesktop::Gnome;
        if (entry == "KDE")
            return WallpaperDesktop::Plasma;
        if (colon == std::string_view::npos)
            break;
        currentDesktop.remove_prefix(colon + 1);
    }
    return WallpaperDesktop::Other;
}

std::optional<WallpaperOption> wallpaperOptionOf(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, WallpaperOption>, 7> kNames{{
        {"none", WallpaperOption::None},
        {"wallpaper", WallpaperOption::Wallpaper},
        {"centered", WallpaperOption::Centered},
        {"scaled", WallpaperOption::Scaled},
        {"stretched", WallpaperOption::Stretched},
        {"zoom", WallpaperOption::Zoom},
        {"spanned", WallpaperOption::Spanned},
    }};
    for (const auto& [text, option] : kNames)
        if (text == name)
            return option;
    return std::nullopt;
}

std::optional<std::string> pathOfUri(std::string_view uri)
{
    if (uri.starts_with('/'))
        return std::string(uri);
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size() || !equalsIgnoringCase(uri.substr(0, kScheme.size()), kScheme))
        return std::nullopt;
    uri.remove_prefix(kScheme.size());
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && !equalsIgnoringCase(host, "localhost"))
        return std::nullopt;
    uri.remove_prefix(slash);
    // A query or fragment is no part of a file's name.
    uri = uri.substr(0, uri.find_first_of("?#"));
    std::string path;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        if (i + 2 >= uri.size() || hexDigit(uri[i + 1]) < 0 || hexDigit(uri[i + 2]) < 0)
            return std::nullopt;
        const char c = static_cast<char>(hexDigit(uri[i + 1]) * 16 + hexDigit(uri[i + 2]));
        if (c == '\0')
            return std::nullopt;
        path += c;
        i += 2;
    }
    return path;
}

std::optional<Pixel> pixelOfColour(std::string_view text)
{
    text = trimmed(text);
    if (!text.starts_with('#') || (text.size() != 7 && text.size() != 13))
        return std::nullopt;
    const size_t digits = (text.size() - 1) / 3;  // 2 or 4 a channel: the first two are the byte
    Pixel pixel = 0;
    for (size_t channel = 0; channel < 3; ++channel) {
        for (size_t k = 0; k < digits; ++k)
            if (hexDigit(text[1 + channel * digits + k]) < 0)
                return std::nullopt;
        const int high = hexDigit(text[1 + channel * digits]), low = hexDigit(text[2 + channel * digits]);
        pixel = pixel << 8 | static_cast<Pixel>(high * 16 + low);
    }
    return pixel;
}

std::vector<PlasmaWallpaper> plasmaWallpapers(std::string_view appletsrc)
{
    struct Containment {
        std::string id;
        PlasmaWallpaper wallpaper;
        bool imagePlugin = true;  // Plasma's default wallpaper plugin
        bool hasImage = false;
    };
    std::vector<Containment> found;
    const auto containment = [&](std::string_view id) -> Containment& {
        for (Containment& c : found)
            if (c.id == id)
                return c;
        found.push_back({std::string(id), {}, true, false});
        return found.back();
    };
    enum class Group { Other, Containment, Image } group = Group::Other;
    Containment* current = nullptr;
    while (!appletsrc.empty()) {
        const size_t end = appletsrc.find('\n');
        const std::string_view line = trimmed(appletsrc.substr(0, end));
        appletsrc.remove_prefix(end == std::string_view::npos ? appletsrc.size() : end + 1);
        if (line.empty() || line.starts_with('#'))
            continue;
        if (line.starts_with('[')) {
            const std::vector<std::string_view> parts = groupParts(line);
            group = Group::Other;
            if (parts.size() >= 2 && parts[0] == "Containments") {
                if (parts.size() == 2) {
                    group = Group::Containment;
                    current = &containment(parts[1]);
                } else if (parts.size() == 5 && parts[2] == "Wallpaper" && parts[3] == "org.kde.image" &&
                           parts[4] == "General") {
                    group = Group::Image;
                    current = &containment(parts[1]);
                }
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (group == Group::Other || equals == std::string_view::npos)
            continue;
        std::string_view key = trimmed(line.substr(0, equals));
        if (const size_t flags = key.find("[$"); flags != std::string_view::npos)  // "Image[$e]": flags, no locale
            key = key.substr(0, flags);
        const std::string value = unescaped(trimmed(line.substr(equals + 1)));
        if (group == Group::Containment) {
            if (key == "lastScreen")
                current->wallpaper.screen = number(value).value_or(-1);
            else if (key == "wallpaperplugin")
                current->imagePlugin = value == "org.kde.image";
        } else if (key == "Image") {
            current->wallpaper.image = value;
            current->hasImage = !value.empty();
        } else if (key == "FillMode") {
            current->wallpaper.option = optionOfFillMode(number(value).value_or(2));
        }
    }
    std::vector<PlasmaWallpaper> wallpapers;
    for (const Containment& c : found)
        if (c.imagePlugin && c.hasImage)
            wallpapers.push_back(c.wallpaper);
    return wallpapers;
}

std::optional<std::string> packageImageFor(const std::vector<std::string>& names, int32_t width, int32_t height)
{
    struct Sized {
        const std::string* name;
        int64_t width, height;
    };
    std::optional<Sized> covering, largest;
    for (const std::string& name : names) {
        const std::string_view stem = std::string_view(name).substr(0, name.rfind('.'));
        const size_t x = stem.find('x');
        if (x == std::string_view::npos)
            continue;
        const std::optional<int32_t> w = number(stem.substr(0, x)), h = number(stem.substr(x + 1));
        if (!w || !h || *w <= 0 || *h <= 0)
            continue;
        const Sized s{&name, *w, *h};
        const int64_t pixels = s.width * s.height;
        if (s.width >= width && s.height >= height && (!covering || pixels < covering->width * covering->height))
            covering = s;
        if (!largest || pixels > largest->width * largest->height)
            largest = s;
    }
    if (covering)
        return *covering->name;
    if (largest)
        return *largest->name;
    return std::nullopt;
}

}  // namespace nivora
