// FreeType behind the message layout: one face per character from the chain, synthetic bold where the face has
// none (as Windows makes it for a bold request), one-bit glyphs so that the strokes are exactly white.
#include "message_faces.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cmath>

#include "core/base/rounding.h"
#include "core/base/unicode_text.h"
#include "core/snow/snow_message.h"

namespace nivora::program {

namespace {

constexpr float kMessagePoints = 48.0f;  // the design-time font of PicText

// Sets every face of the chain to `points` at `dpi`, in whole pixels as a Windows font has them.
void setSize(std::vector<FT_Face>& faces, float points, double dpi)
{
    const auto pixels = static_cast<FT_UInt>(std::max(1.0, std::round(double(points) * dpi / 72.0)));
    for (FT_Face face : faces)
        FT_Set_Pixel_Sizes(face, 0, pixels);
}

}  // namespace

struct MessageFaces::Faces {
    FT_Library library = nullptr;
    std::vector<FT_Face> faces;

    ~Faces()
    {
        for (FT_Face face : faces)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }

    // The face that draws `c` and its glyph, loaded one-bit and bold; the first face's missing-glyph box when no
    // face has it.
    FT_GlyphSlot load(char32_t c, bool render) const
    {
        FT_Face face = faces.front();
        FT_UInt index = 0;
        for (FT_Face candidate : faces) {
            if (const FT_UInt i = FT_Get_Char_Index(candidate, c); i != 0) {
                face = candidate, index = i;
                break;
            }
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0)
            return nullptr;
        if (!(face->style_flags & FT_STYLE_FLAG_BOLD))
            FT_GlyphSlot_Embolden(face->glyph);
        if (render && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
            return nullptr;
        return face->glyph;
    }

    double width(const std::u32string& text) const
    {
        long advance = 0;
        for (const char32_t c : text)
            if (const FT_GlyphSlot slot = load(c, false))
                advance += (slot->advance.x + 32) >> 6;
        return double(advance);
    }
};

namespace {

// The layout's view of the chain at one size.
class ChainFont : public MessageFont {
public:
    ChainFont(MessageFaces::Faces& faces, const std::u32string& text, double dpi)
        : faces_(faces), text_(text), dpi_(dpi)
    {
        setFontSize(kMessagePoints);
    }
    double textWidth() override { return faces_.width(text_); }
    float fontSize() override { return points_; }
    void setFontSize(float points) override
    {
        points_ = points;
        setSize(faces_.faces, points, dpi_);
    }

private:
    MessageFaces::Faces& faces_;
    const std::u32string& text_;
    double dpi_;
    float points_ = kMessagePoints;
};

}  // namespace

const std::vector<std::string>& messageFontFiles()
{
    static const std::vector<std::string> files{
        "/usr/share/fonts/truetype/motoya-l-maruberi/MTLmr3m.ttf",
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
        "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
        "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
    };
    return files;
}

MessageFaces::MessageFaces() : faces_(std::make_unique<Faces>())
{
    if (FT_Init_FreeType(&faces_->library) != 0) {
        faces_->library = nullptr;
        return;
    }
    for (const std::string& file : messageFontFiles()) {
        FT_Face face = nullptr;
        if (FT_New_Face(faces_->library, file.c_str(), 0, &face) == 0)
            faces_->faces.push_back(face);
    }
}

MessageFaces::~MessageFaces() = default;

bool MessageFaces::empty() const
{
    return faces_->faces.empty();
}

bool MessageFaces::print(const Surface& picText, std::u16string_view message, double dpi)
{
    if (empty())
        return false;
    const std::u32string text = charactersOf(message);
    ChainFont font(*faces_, text, dpi);
    const auto drawWidth = static_cast<int16_t>(picText.width);
    const auto drawHeight = static_cast<int16_t>(picText.height);
    fitMessageFont(font, messageWidthLimit(drawWidth));
    const MessagePosition at = messagePosition(drawWidth, drawHeight, font.textWidth());

    // The position is the top of the line, as Windows prints it; glyphs hang from the first face's ascent.
    int32_t penX = roundToInt<int32_t>(at.x).value_or(0);
    const int32_t top = roundToInt<int32_t>(at.y).value_or(0);
    const int32_t baseline = top + int32_t((faces_->faces.front()->size->metrics.ascender + 63) >> 6);
    for (const char32_t c : text) {
        const FT_GlyphSlot slot = faces_->load(c, true);
        if (!slot)
            continue;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int32_t y = baseline - slot->bitmap_top + int32_t(row);
            const unsigned char* bits = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int32_t x = penX + slot->bitmap_left + int32_t(column);
                if ((bits[column / 8] & (0x80 >> (column % 8))) && picText.contains(x, y))
                    picText.at(x, y) = kWhitePixel;
            }
        }
        penX += int32_t((slot->advance.x + 32) >> 6);
    }
    return true;
}

}  // namespace nivora::program
