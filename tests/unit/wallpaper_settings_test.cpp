// Reading the desktops' wallpaper settings: which desktop, GNOME's URIs, options and colours, Plasma's appletsrc
// and the choice of a wallpaper package's image.
#include <gtest/gtest.h>

#include "core/desktop/wallpaper_settings.h"

namespace nivora {
namespace {

TEST(WallpaperSettings, TheCurrentDesktopIsTheFirstEntryKnown)
{
    struct Case {
        const char* value;
        WallpaperDesktop desktop;
    };
    const Case cases[] = {
        {"GNOME", WallpaperDesktop::Gnome},
        {"ubuntu:GNOME", WallpaperDesktop::Gnome},
        {"GNOME-Classic:GNOME", WallpaperDesktop::Gnome},
        {"KDE", WallpaperDesktop::Plasma},
        {"sway", WallpaperDesktop::Other},
        {"", WallpaperDesktop::Other},
        {"gnome", WallpaperDesktop::Other},
        {"Unity:KDE:GNOME", WallpaperDesktop::Plasma},
        {"X-Cinnamon", WallpaperDesktop::Other},
        {":", WallpaperDesktop::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wallpaperDesktopOf(c.value), c.desktop) << c.value;
}

TEST(WallpaperSettings, FileUrisBecomePathsAndOthersNothing)
{
    struct Case {
        const char* uri;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"file:///usr/share/backgrounds/a.png", "/usr/share/backgrounds/a.png"},
        {"file:///home/ann/My%20Pictures/snow%2520%C3%A9.jpg", "/home/ann/My Pictures/snow%20\xC3\xA9.jpg"},
        {"FILE://localhost/tmp/x.webp", "/tmp/x.webp"},
        {"/tmp/plain path.png", "/tmp/plain path.png"},
        {"file:///tmp/a.png#frag", "/tmp/a.png"},
        {"file://otherhost/tmp/a.png", std::nullopt},
        {"https://example.org/a.png", std::nullopt},
        {"relative/a.png", std::nullopt},
        {"file:///tmp/a%2", std::nullopt},
        {"file:///tmp/a%zz.png", std::nullopt},
        {"file:///tmp/a%00.png", std::nullopt},
        {"file://", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pathOfUri(c.uri), c.path) << c.uri;
}

TEST(WallpaperSettings, PictureOptionsAndColoursReadAsGnomeWritesThem)
{
    EXPECT_EQ(wallpaperOptionOf("zoom"), WallpaperOption::Zoom);
    EXPECT_EQ(wallpaperOptionOf("spanned"), WallpaperOption::Spanned);
    EXPECT_EQ(wallpaperOptionOf("wallpaper"), WallpaperOption::Wallpaper);
    EXPECT_EQ(wallpaperOptionOf("none"), WallpaperOption::None);
    EXPECT_EQ(wallpaperOptionOf("Zoom"), std::nullopt);
    EXPECT_EQ(wallpaperOptionOf(""), std::nullopt);

    struct Case {
        const char* text;
        std::optional<Pixel> pixel;
    };
    const Case cases[] = {
        {"#023c88", 0x00023C88u},  {"#FFfF00", 0x00FFFF00u}, {"#12345678abcd", 0x001256ABu},
        {"023c88", std::nullopt},  {"#023c8", std::nullopt}, {"#02 c88", std::nullopt},
        {"#0x3c88", std::nullopt}, {"", std::nullopt},       {"#12345678abcg", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pixelOfColour(c.text), c.pixel) << c.text;
}

TEST(WallpaperSettings, PlasmaImagesComeFromEachDesktopContainment)
{
    const char* appletsrc = R"([ActionPlugins][0]
RightButton;NoModifier=org.kde.contextmenu

[Containments][1]
activityId=4a1b
formfactor=0
lastScreen=0
plugin=org.kde.plasma.folder
wallpaperplugin=org.kde.image

[Containments][1][Wallpaper][org.kde.image][General]
Image=file:///usr/share/wallpapers/Next/
SlidePaths=/usr/share/wallpapers/

[Containments][2]
formfactor=2
lastScreen=0
plugin=org.kde.panel

[Containments][2][Applets][3][Configuration][General]
Image=file:///not/a/wallpaper.png

[Containments][7][Wallpaper][org.kde.image][General]
FillMode=1
Image[$e]=/home/ann/snow\sfield.jpg

[Containments][7]
lastScreen=1
wallpaperplugin=org.kde.image

[Containments][8]
lastScreen=2
wallpaperplugin=org.kde.slideshow

[Containments][8][Wallpaper][org.kde.image][General]
Image=file:///tmp/stale.png

[Containments][9]
lastScreen=x

[Containments][9][Wallpaper][org.kde.image][General]
FillMode=6
Image=/tmp/pad.png
)";
    const std::vector<PlasmaWallpaper> expected{
        {0, "file:///usr/share/wallpapers/Next/", WallpaperOption::Zoom},
        {1, "/home/ann/snow field.jpg", WallpaperOption::Scaled},
        {-1, "/tmp/pad.png", WallpaperOption::Centered},
    };
    EXPECT_EQ(plasmaWallpapers(appletsrc), expected);
    EXPECT_TRUE(plasmaWallpapers("").empty());
    EXPECT_TRUE(plasmaWallpapers("[Containments][1][Wallpaper][org.kde.image][General]\nImage=\n").empty());
    EXPECT_TRUE(plasmaWallpapers("[Containments\nImage=/a.png\n[[[]\n=\n").empty());
}

TEST(WallpaperSettings, FillModesMapToPictureOptions)
{
    struct Case {
        const char* mode;
        WallpaperOption option;
    };
    const Case cases[] = {{"0", WallpaperOption::Stretched}, {"1", WallpaperOption::Scaled},
                          {"2", WallpaperOption::Zoom},      {"3", WallpaperOption::Wallpaper},
                          {"5", WallpaperOption::Wallpaper}, {"6", WallpaperOption::Centered},
                          {"99", WallpaperOption::Zoom},     {"two", WallpaperOption::Zoom}};
    for (const Case& c : cases) {
        const std::string text = std::string(
                                     "[Containments][1][Wallpaper][org.kde.image][General]\nImage=/a.png\nFillMode=") +
                                 c.mode;
        const std::vector<PlasmaWallpaper> found = plasmaWallpapers(text);
        ASSERT_EQ(found.size(), 1u) << c.mode;
        EXPECT_EQ(found[0].option, c.option) << c.mode;
    }
}

TEST(WallpaperSettings, APackageGivesTheSmallestImageCoveringTheOutputElseTheLargest)
{
    const std::vector<std::string> names{"1280x1024.png",  "1920x1080.jpg", "3840x2160.png", "1080x1920.png",
                                         "screenshot.png", "0x0.png",       "5120x2880.webp"};
    struct Case {
        int32_t width, height;
        std::optional<std::string> name;
    };
    const Case cases[] = {
        {1920, 1080, "1920x1080.jpg"}, {1280, 720, "1280x1024.png"},  {1366, 768, "1920x1080.jpg"},
        {2560, 1440, "3840x2160.png"}, {1080, 1920, "1080x1920.png"}, {7680, 4320, "5120x2880.webp"},
        {1, 1, "1280x1024.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(packageImageFor(names, c.width, c.height), c.name) << c.width << "x" << c.height;
    EXPECT_EQ(packageImageFor({"screenshot.png", "x.png", "12x.png", "-4x3.png"}, 1920, 1080), std::nullopt);
}

}  // namespace
}  // namespace nivora
