// nivora_artwork: writes the option pictures and the program icon that the saver embeds, the setup's page picture,
// and a contact sheet of them.
//   nivora_artwork [--font FILE] [--sheet FILE.png] RESOURCE_DIR
// writes the option pictures as RESOURCE_DIR/options/<per cent>/<row>.png, their resource script
// RESOURCE_DIR/options/option_pictures.rc and pixel digests RESOURCE_DIR/options/pixel_digests.inc, and the icon
// RESOURCE_DIR/nivora.ico, and the setup's picture as RESOURCE_DIR/setup/wizard-<per cent>.bmp. The same font gives
// the same bytes on every run.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "contact_sheet.h"
#include "file_formats.h"
#include "icon.h"
#include "core/dialog/option_picture_scales.h"
#include "option_pictures.h"
#include "picture_index.h"
#include "setup_picture.h"
#include "typesetter.h"

#ifndef NIVORA_ARTWORK_DEFAULT_FONT
#define NIVORA_ARTWORK_DEFAULT_FONT ""
#endif

namespace {

int usage()
{
    std::cerr << "usage: nivora_artwork [--font FILE] [--sheet FILE.png] RESOURCE_DIR\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    using namespace nivora::artwork;
    using nivora::optionPictureFile;

    fs::path font = NIVORA_ARTWORK_DEFAULT_FONT;
    fs::path sheet;
    fs::path resources;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--font" || arg == "--sheet") && i + 1 < argc) {
            (arg == "--font" ? font : sheet) = argv[++i];
        } else if (!arg.starts_with("-") && resources.empty()) {
            resources = arg;
        } else {
            return usage();
        }
    }
    if (resources.empty())
        return usage();
    if (font.empty()) {
        std::cerr << "nivora_artwork: no font given (--font FILE)\n";
        return 2;
    }

    try {
        Typeface face(font);
        const std::vector<NamedPicture> pictures = drawOptionPictures(face);
        const std::vector<IconImage> icons = drawIconImages();

        const fs::path options = resources / "options";
        const std::vector<PictureStrip> strips = stripsOf(pictures);
        for (const auto& strip : strips) {
            const fs::path file = options / optionPictureFile(strip.row, strip.percent);
            fs::create_directories(file.parent_path());
            writeFile(file, encodePng(strip.image));
        }
        const std::string script = resourceScript(strips);
        writeFile(options / "option_pictures.rc", Bytes(script.begin(), script.end()));
        const std::string digests = digestTable(pictures);
        writeFile(options / "pixel_digests.inc", Bytes(digests.begin(), digests.end()));
        writeFile(resources / "nivora.ico", encodeIco(icons));
        const fs::path setup = resources / "setup";
        fs::create_directories(setup);
        for (const auto& picture : drawSetupPictures(face, icons.back()))
            writeFile(setup / ("wizard-" + std::to_string(picture.percent) + ".bmp"), encodeBmp(picture.image));
        if (!sheet.empty())
            writeFile(sheet, encodePng(drawContactSheet(pictures, icons)));
    } catch (const std::exception& e) {
        std::cerr << "nivora_artwork: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
