// Glyphs are taken unhinted in font units and scaled here, so a text's ink can be fitted to given pixel rows exactly;
// the smooth rasterizer then gives each pixel the share of it that the outline covers.
#include "typesetter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace nivora::artwork {

struct Glyph {
    FT_Outline outline{};
    FT_Library library = nullptr;
    FT_BBox box{};  // exact ink box in font units; empty glyphs (space) have xMin > xMax
    long advance = 0;

    bool empty() const { return box.xMin > box.xMax; }
    ~Glyph()
    {
        if (library)
            FT_Outline_Done(library, &outline);
    }
};

namespace {

// Keeps ink a hair inside its target rows and columns, so rounding to 1/64 pixel never spills a faint edge over.
constexpr double kInset = 1.0 / 32.0;

void check(FT_Error error, const char* what)
{
    if (error)
        throw std::runtime_error(std::string("FreeType: ") + what + " failed (error " + std::to_string(error) + ")");
}

struct Placed {
    const Glyph* glyph;
    double originX;  // pixels from the pen start
};

struct Layout {
    std::vector<Placed> glyphs;
    InkSpan ink;
};

Layout layOut(Typeface& face, const TextStyle& style, std::u32string_view text)
{
    Layout layout;
    layout.ink = {std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
    double pen = 0;
    const double xScale = style.scale * style.condense;
    for (char32_t ch : text) {
        const Glyph& g = face.glyph(ch, style.embolden);
        double origin = pen;
        if (style.proportional && ch < 0x80) {
            if (g.empty()) {
                pen += 0.3 * face.unitsPerEm() * xScale;
                continue;
            }
            origin = pen - static_cast<double>(g.box.xMin) * xScale;
            pen += static_cast<double>(g.box.xMax - g.box.xMin) * xScale + style.tracking;
        } else {
            pen += static_cast<double>(g.advance) * xScale;
        }
        if (g.empty())
            continue;
        layout.glyphs.push_back({&g, origin});
        layout.ink.left = std::min(layout.ink.left, origin + static_cast<double>(g.box.xMin) * xScale);
        layout.ink.right = std::max(layout.ink.right, origin + static_cast<double>(g.box.xMax) * xScale);
    }
    if (layout.glyphs.empty())
        layout.ink = {};
    return layout;
}

struct SpanTarget {
    Coverage* ink;
};

void addSpans(int y, int count, const FT_Span* spans, void* user)
{
    auto* target = static_cast<SpanTarget*>(user);
    // The outline is set with y growing upwards from the picture's bottom edge.
    const int row = target->ink->height - 1 - y;
    for (int i = 0; i < count; ++i)
        for (int x = spans[i].x; x < spans[i].x + spans[i].len; ++x)
            target->ink->add(x, row, spans[i].coverage);
}

}  // namespace

Typeface::Typeface(const std::filesystem::path& fontFile)
{
    check(FT_Init_FreeType(&library_), "initialisation");
    if (FT_New_Face(library_, fontFile.string().c_str(), 0, &face_)) {
        FT_Done_FreeType(library_);
        throw std::runtime_error("cannot open the font " + fontFile.string());
    }
}

Typeface::~Typeface()
{
    glyphs_.clear();
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
}

double Typeface::unitsPerEm() const
{
    return face_->units_per_EM;
}

const Glyph& Typeface::glyph(char32_t ch, double embolden)
{
    const long strength = std::lround(embolden * unitsPerEm());
    auto& slot = glyphs_[{ch, strength}];
    if (slot)
        return *slot;

    const FT_UInt index = FT_Get_Char_Index(face_, ch);
    if (index == 0)
        throw std::runtime_error("the font has no glyph for U+" + std::to_string(static_cast<unsigned>(ch)));
    check(FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE), "loading a glyph");
    if (face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        throw std::runtime_error("the font's glyphs are not outlines");

    auto g = std::make_unique<Glyph>();
    const FT_Outline& source = face_->glyph->outline;
    check(FT_Outline_New(library_, static_cast<FT_UInt>(source.n_points), source.n_contours, &g->outline),
          "allocating an outline");
    g->library = library_;
    check(FT_Outline_Copy(&source, &g->outline), "copying an outline");
    if (strength != 0 && g->outline.n_points > 0)
        check(FT_Outline_Embolden(&g->outline, strength), "emboldening");
    g->advance = face_->glyph->metrics.horiAdvance;
    if (g->outline.n_points > 0) {
        check(FT_Outline_Get_BBox(&g->outline, &g->box), "measuring a glyph");
    } else {
        g->box = {1, 1, 0, 0};
    }
    slot = std::move(g);
    return *slot;
}

TextStyle fitStyle(Typeface& face, const std::vector<std::u32string_view>& texts, double top, double bottom,
                   StyleOptions options)
{
    long yMin = std::numeric_limits<long>::max();
    long yMax = std::numeric_limits<long>::min();
    for (auto text : texts)
        for (char32_t ch : text) {
            const Glyph& g = face.glyph(ch, options.embolden);
            if (g.empty())
                continue;
            yMin = std::min(yMin, static_cast<long>(g.box.yMin));
            yMax = std::max(yMax, static_cast<long>(g.box.yMax));
        }
    if (yMin >= yMax)
        throw std::invalid_argument("no ink to fit");

    TextStyle style;
    style.scale = (bottom - top - 2 * kInset) / static_cast<double>(yMax - yMin);
    style.baseline = top + kInset + static_cast<double>(yMax) * style.scale;
    style.proportional = options.proportional;
    style.tracking = options.trackingEm * face.unitsPerEm() * style.scale;
    style.embolden = options.embolden;
    style.condense = options.condense;
    return style;
}

InkSpan measure(Typeface& face, const TextStyle& style, std::u32string_view text)
{
    return layOut(face, style, text).ink;
}

InkSpan drawText(Coverage& ink, Typeface& face, const TextStyle& style, std::u32string_view text, Align align, double x)
{
    const Layout layout = layOut(face, style, text);
    double start = 0;  // where the pen starts, so that the ink lands where asked
    switch (align) {
    case Align::kLeft:
        start = x + kInset - layout.ink.left;
        break;
    case Align::kRight:
        start = x - kInset - layout.ink.right;
        break;
    case Align::kCentre:
        start = x - (layout.ink.left + layout.ink.right) / 2;
        break;
    }

    FT_Raster_Params params{};
    SpanTarget target{&ink};
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = addSpans;
    params.user = &target;
    params.clip_box = {0, 0, ink.width, ink.height};

    for (const Placed& placed : layout.glyphs) {
        const FT_Outline& source = placed.glyph->outline;
        FT_Outline scaled{};
        check(FT_Outline_New(face.library(), static_cast<FT_UInt>(source.n_points), source.n_contours, &scaled),
              "allocating an outline");
        FT_Outline_Copy(&source, &scaled);
        const double originX = start + placed.originX;
        const double originY = ink.height - style.baseline;  // the baseline, counted up from the bottom edge
        for (int i = 0; i < scaled.n_points; ++i) {
            FT_Vector& p = scaled.points[i];
            p.x = std::lround(64.0 * (originX + static_cast<double>(p.x) * style.scale * style.condense));
            p.y = std::lround(64.0 * (originY + static_cast<double>(p.y) * style.scale));
        }
        const FT_Error error = FT_Outline_Render(face.library(), &scaled, &params);
        FT_Outline_Done(face.library(), &scaled);
        check(error, "rendering a glyph");
    }
    return {start + layout.ink.left, start + layout.ink.right};
}

}  // namespace nivora::artwork
