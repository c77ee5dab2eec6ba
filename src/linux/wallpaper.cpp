// Finds the wallpaper in the desktop's own settings and lays it over the outputs.
#include "wallpaper.h"

#include <dirent.h>
#include <sys/stat.h>

#include <gio/gio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "core/desktop/wallpaper_cover.h"
#include "core/desktop/wallpaper_settings.h"
#include "wallpaper_image.h"

namespace nivora::program {
namespace {

constexpr char kDark[] = "; the snow falls over a dark background";

// A GLib object released however the reading ends.
template <class T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};

struct GnomeBackground {
    std::string uri;
    WallpaperOption option = WallpaperOption::Zoom;
    Pixel background = kBlackPixel;
};

std::string stringSetting(GSettings* settings, GSettingsSchema* schema, const char* key)
{
    if (!g_settings_schema_has_key(schema, key))
        return {};
    gchar* value = g_settings_get_string(settings, key);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

// GNOME's background through GSettings: nothing where its schemas are not installed (not GNOME).
std::optional<GnomeBackground> gnomeBackground()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return std::nullopt;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.desktop.background", TRUE);
    if (!schema)
        return std::nullopt;
    GnomeBackground found;
    {
        const std::unique_ptr<GSettings, GUnref<GSettings>> settings(g_settings_new_full(schema, nullptr, nullptr));
        found.uri = stringSetting(settings.get(), schema, "picture-uri");
        // The dark style's own picture, where the user chose the dark style and GNOME has one.
        if (GSettingsSchema* look = g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE)) {
            const std::unique_ptr<GSettings, GUnref<GSettings>> interface(g_settings_new_full(look, nullptr, nullptr));
            if (stringSetting(interface.get(), look, "color-scheme") == "prefer-dark") {
                const std::string dark = stringSetting(settings.get(), schema, "picture-uri-dark");
                if (!dark.empty())
                    found.uri = dark;
            }
            g_settings_schema_unref(look);
        }
        found.option =
            wallpaperOptionOf(stringSetting(settings.get(), schema, "picture-options")).value_or(WallpaperOption::Zoom);
        found.background = pixelOfColour(stringSetting(settings.get(), schema, "primary-color")).value_or(kBlackPixel);
    }
    g_settings_schema_unref(schema);
    return found;
}

std::string configHome()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

bool isFolder(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A wallpaper package's image for an output, or the path itself where it names no package.
std::string imageFor(const std::string& path, const WallpaperOutput& output)
{
    if (!isFolder(path))
        return path;
    const std::string images = path + (path.ends_with('/') ? "" : "/") + "contents/images/";
    std::vector<std::string> names;
    if (DIR* dir = opendir(images.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());  // readdir's order is the file system's: choose the same on every run
    const std::optional<std::string> name = packageImageFor(names, output.width, output.height);
    return name ? images + *name : path;  // a folder without sizes is refused as a folder
}

struct Laid {
    std::string path;  // the file, once chosen
    WallpaperOption option = WallpaperOption::Zoom;
    Pixel background = kBlackPixel;
};

}  // namespace

std::vector<std::optional<DesktopPicture>> wallpapersFor(const std::vector<WallpaperOutput>& outputs)
{
    std::vector<std::optional<DesktopPicture>> pictures(outputs.size());
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    const WallpaperDesktop desktop = wallpaperDesktopOf(current ? current : "");
    if (desktop == WallpaperDesktop::Other) {
        std::fprintf(stderr, "nivora: the compositor offers no screencopy (zwlr_screencopy_manager_v1)%s\n", kDark);
        return pictures;
    }

    // What each output shows: the file, how it is laid.
    std::vector<Laid> laid(outputs.size());
    std::string named;  // what the settings name, for the line where that is not a file
    if (desktop == WallpaperDesktop::Gnome) {
        const std::optional<GnomeBackground> gnome = gnomeBackground();
        if (!gnome || gnome->uri.empty() || gnome->option == WallpaperOption::None) {
            std::fprintf(stderr, "nivora: GNOME names no wallpaper (org.gnome.desktop.background)%s\n", kDark);
            return pictures;
        }
        named = gnome->uri;
        const std::optional<std::string> path = pathOfUri(gnome->uri);
        for (Laid& l : laid)
            l = {path.value_or(""), gnome->option, gnome->background};
    } else {
        const std::string file = configHome() + "/plasma-org.kde.plasma.desktop-appletsrc";
        std::ifstream in(file);
        std::ostringstream text;
        text << in.rdbuf();
        const std::vector<PlasmaWallpaper> wallpapers = plasmaWallpapers(text.str());
        if (wallpapers.empty()) {
            std::fprintf(stderr, "nivora: Plasma names no wallpaper picture in %s%s\n", file.c_str(), kDark);
            return pictures;
        }
        for (size_t i = 0; i < outputs.size(); ++i) {
            // The containment of this screen, else the first.
            const auto own = std::find_if(wallpapers.begin(), wallpapers.end(),
                                          [&](const PlasmaWallpaper& w) { return w.screen == int32_t(i); });
            const PlasmaWallpaper& w = own != wallpapers.end() ? *own : wallpapers.front();
            const std::optional<std::string> path = pathOfUri(w.image);
            laid[i] = {path ? imageFor(*path, outputs[i]) : "", w.option, kBlackPixel};
            if (!path && named.empty())
                named = w.image;
        }
    }

    std::vector<std::pair<int32_t, int32_t>> sizes;
    Rect layout = outputs.empty() ? Rect{} : outputs.front().place;
    for (const WallpaperOutput& o : outputs) {
        sizes.emplace_back(o.width, o.height);
        layout = {std::min(layout.left, o.place.left), std::min(layout.top, o.place.top),
                  std::max(layout.right, o.place.right), std::max(layout.bottom, o.place.bottom)};
    }
    const WallpaperLimits limits = wallpaperLimitsFor(sizes);
    std::map<std::string, DecodedWallpaper> decoded;  // each file once, whichever outputs show it
    std::string problem;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const Laid& l = laid[i];
        if (l.path.empty()) {
            if (problem.empty())
                problem = "the wallpaper \"" + named + "\" is not a local file";
            continue;
        }
        auto it = decoded.find(l.path);
        if (it == decoded.end())
            it = decoded.emplace(l.path, readWallpaper(l.path, limits)).first;
        if (!it->second.image) {
            if (problem.empty())
                problem = "the wallpaper " + l.path + " " + it->second.problem;
            continue;
        }
        const WallpaperOutput& o = outputs[i];
        DesktopPicture picture{std::vector<Pixel>(size_t(o.width) * size_t(o.height)), o.width, o.height};
        coverWithWallpaper(it->second.image->surface(), {l.option, l.background, o.place, layout},
                           {picture.pixels.data(), o.width, o.height, o.width});
        pictures[i] = std::move(picture);
    }
    if (!problem.empty())
        std::fprintf(stderr, "nivora: %s%s\n", problem.c_str(), kDark);
    return pictures;
}

}  // namespace nivora::program
