// Where the desktop names its wallpaper, read as the desktop reads it: which desktop this is, GNOME's file URIs and
// picture options, Plasma's wallpaper per containment, and the image of a Plasma wallpaper package that suits an
// output. Text in, values out: the files and settings themselves are read by the Linux program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/raster.h"

namespace nivora {

enum class WallpaperDesktop { Other, Gnome, Plasma };

// From XDG_CURRENT_DESKTOP, a list separated by colons ("ubuntu:GNOME", "KDE"): the first entry nivora knows.
WallpaperDesktop wallpaperDesktopOf(std::string_view currentDesktop);

// How a picture covers an output, by GNOME's names for picture-options.
enum class WallpaperOption { None, Wallpaper, Centered, Scaled, Stretched, Zoom, Spanned };

// GNOME's picture-options value ("zoom", "spanned" ...); nothing for a name GNOME does not have.
std::optional<WallpaperOption> wallpaperOptionOf(std::string_view name);

// A local file from a file:// URI (percent escapes decoded, an empty or "localhost" host) or an absolute path as it
// is; nothing for another scheme, another host, a relative path or an escape that is not one (or decodes to NUL).
std::optional<std::string> pathOfUri(std::string_view uri);

// GNOME's primary-color, "#rrggbb" or "#rrrrggggbbbb" (a case-insensitive hex colour), as a pixel; nothing otherwise.
std::optional<Pixel> pixelOfColour(std::string_view text);

// One desktop containment's wallpaper in plasma-org.kde.plasma.desktop-appletsrc.
struct PlasmaWallpaper {
    int32_t screen = -1;  // lastScreen, -1 where not given
    std::string image;    // Image=, a file URI or a path: a picture or a wallpaper package's folder
    WallpaperOption option = WallpaperOption::Zoom;
    friend bool operator==(const PlasmaWallpaper&, const PlasmaWallpaper&) = default;
};

// The image wallpapers (plugin org.kde.image) of the containments in `appletsrc`'s text, in the file's order of
// containments; containments with another wallpaper plugin (a slideshow, a colour) or no Image= are left out.
// FillMode is Qt's Image.fillMode: Stretch, PreserveAspectFit, PreserveAspectCrop (Plasma's default), the three
// tilings, Pad.
std::vector<PlasmaWallpaper> plasmaWallpapers(std::string_view appletsrc);

// Which file of a wallpaper package's contents/images/ (names such as "1920x1080.png") suits an output of width x
// height pixels: the smallest that covers it, else the largest; nothing when no name reads as a size. Equal sizes
// go to the first name in `names`' order.
std::optional<std::string> packageImageFor(const std::vector<std::string>& names, int32_t width, int32_t height);

}  // namespace nivora
