// Sets short lines of text into a coverage map with FreeType, fitted to exact pixel rows and anchored to exact columns.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "image.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace nivora::artwork {

// One glyph's outline in font units, kept unhinted so it can be scaled and placed to a fraction of a pixel.
struct Glyph;

class Typeface {
public:
    explicit Typeface(const std::filesystem::path& fontFile);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    // The glyph of one character, its strokes thickened on every side by `embolden` em / 2.
    const Glyph& glyph(char32_t ch, double embolden);
    double unitsPerEm() const;
    FT_LibraryRec_* library() const { return library_; }

private:
    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
    std::map<std::pair<char32_t, long>, std::unique_ptr<Glyph>> glyphs_;
};

// How one kind of text is set: its size, baseline and spacing.
struct TextStyle {
    double scale = 0;           // pixels per font unit
    double baseline = 0;        // pixels from the picture's top edge
    bool proportional = false;  // Latin glyphs spaced by their ink rather than the font's fixed half-width advance
    double tracking = 0;        // pixels between the ink of neighbouring proportional glyphs
    double embolden = 0;        // em
    double condense = 1;        // horizontal scale relative to the vertical one
};

struct StyleOptions {
    bool proportional = false;
    double trackingEm = 0;
    double embolden = 0;
    double condense = 1;
};

// Size and baseline such that the ink of every text of `texts`, taken together, spans exactly from the edge `top`
// down to the edge `bottom` (rows top..bottom - 1 when both are whole).
TextStyle fitStyle(Typeface& face, const std::vector<std::u32string_view>& texts, double top, double bottom,
                   StyleOptions options);

// The horizontal extent of a text's ink when its pen starts at 0, in pixels.
struct InkSpan {
    double left = 0;
    double right = 0;
    double width() const { return right - left; }
};
InkSpan measure(Typeface& face, const TextStyle& style, std::u32string_view text);

enum class Align { kLeft, kRight, kCentre };

// Sets `text` so that its ink starts at x (kLeft), ends at x (kRight) or is centred on x (kCentre), x being a
// continuous coordinate where column k spans k to k + 1. Returns where its ink lies.
InkSpan drawText(Coverage& ink, Typeface& face, const TextStyle& style, std::u32string_view text, Align align,
                 double x);

}  // namespace nivora::artwork
