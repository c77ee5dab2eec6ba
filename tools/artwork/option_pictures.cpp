// Every figure below is a pixel position in the 360 x 40 picture at 100 %; columns and rows are inclusive unless said
// otherwise. At a larger scale each edge between pixels moves to its scaled place rounded to a whole pixel, so solid
// marks stay crisp and every gap of the 100 % picture stays at least a pixel wide; texts are set from their outlines
// at the scaled size, fitted to the scaled rows.
#include "option_pictures.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "core/base/unicode_text.h"
#include "core/dialog/dialog_layout.h"
#include "core/dialog/option_picture_scales.h"
#include "core/dialog/setting_rows.h"

namespace nivora::artwork {
namespace {

// Headings on the left of every picture.
constexpr int kHeadingLeft = 9;
constexpr int kHeadingTop = 7;
constexpr int kHeadingBottom = 25;
constexpr int kHeadingLatinLeft = 10;
constexpr int kHeadingLatinTop = 29;
constexpr int kHeadingLatinBottom = 37;

// The value in the middle, with its unit caption below it.
constexpr int kValueTop = 8;
constexpr int kValueBottom = 26;
constexpr int kPrecipitationValueRight = 132;
constexpr int kVelocityValueRight = 116;
constexpr int kBlightnessValueRight = 120;
constexpr int kWordLeft = 90;  // the wind direction's two-glyph word
constexpr int kWordTop = 6;
constexpr int kWordBottom = 24;
constexpr int kCaptionLeft = 90;
constexpr int kCaptionTop = 28;
constexpr int kCaptionBottom = 37;

// The scale on the right.
constexpr int kScaleLeft = 164;
constexpr int kScaleRight = 356;
constexpr int kBaselineTop = 25;
constexpr int kBaselineBottom = 27;
constexpr int kPostWidth = 3;
constexpr int kPostTop = 12;
constexpr int kBlockTop = 3;
constexpr int kBlockBottom = 23;
constexpr int kLabelTop = 29;
constexpr int kLabelBottom = 36;

constexpr std::array<std::u32string_view, 2> kDirectionEnglish{U"Fixed", U"Automatic"};
constexpr std::u32string_view kPrecipitationUnit = U"flakes/screen";
constexpr std::u32string_view kVelocityUnit = U"pixels/BitBlt()";
constexpr std::u32string_view kBlightnessUnit = U"AlphaBlend";
constexpr int kVelocityZeroIndex = 6;  // the calm wind, where the velocity scale's blocks start

struct Columns {
    int left;
    int right;
};

// Mark centres are kept doubled: a centre on a half column (172.5) stands for a mark of even width (172..173).
Columns markColumns(int centreTimesTwo, int width)
{
    const int left = (centreTimesTwo - (width - 1)) / 2;
    return {left, left + width - 1};
}

enum class LabelPlace { kFromScaleStart, kFromMark, kCentred, kToScaleEnd };

struct ScaleLabel {
    std::u32string_view text;
    int mark;
    LabelPlace place;
};

struct ScaleDesign {
    std::vector<int> marksTimesTwo;  // the end posts first and last
    int innerTop;
    int innerWidth;
    std::vector<ScaleLabel> labels;
    std::optional<Columns> fixedBlock;  // stands in every picture of the scale
};

const ScaleDesign& precipitationScale()
{
    static const ScaleDesign scale{{330, 345, 385, 451, 583, 710},  // 0, 100, 500, 1000, 2000, 3000 flakes
                                   17,
                                   2,
                                   {{U"0", 0, LabelPlace::kFromScaleStart},
                                    {U"100", 1, LabelPlace::kFromMark},
                                    {U"500", 2, LabelPlace::kCentred},
                                    {U"1000", 3, LabelPlace::kCentred},
                                    {U"2000", 4, LabelPlace::kCentred},
                                    {U"3000", 5, LabelPlace::kToScaleEnd}},
                                   std::nullopt};
    return scale;
}

const ScaleDesign& velocityScale()
{
    static const ScaleDesign scale{
        {330, 362, 394, 426, 458, 490, 520, 552, 584, 616, 648, 680, 710},  // -30..30 pixels in steps of 5
        19,
        3,
        {{U"-30", 0, LabelPlace::kFromScaleStart},
         {U"-20", 2, LabelPlace::kCentred},
         {U"-10", 4, LabelPlace::kCentred},
         {U"0", 6, LabelPlace::kCentred},
         {U"10", 8, LabelPlace::kCentred},
         {U"20", 10, LabelPlace::kCentred},
         {U"30", 12, LabelPlace::kToScaleEnd}},
        Columns{257, 263}};  // outlines the 0 mark, so a calm wind still shows a block
    return scale;
}

const ScaleDesign& blightnessScale()
{
    static const ScaleDesign scale{{330, 426, 520, 616, 710},  // alpha 0, 63, 127, 191, 255
                                   19,
                                   3,
                                   {{U"0", 0, LabelPlace::kFromScaleStart},
                                    {U"63", 1, LabelPlace::kCentred},
                                    {U"127", 2, LabelPlace::kCentred},
                                    {U"191", 3, LabelPlace::kCentred},
                                    {U"255", 4, LabelPlace::kToScaleEnd}},
                                   std::nullopt};
    return scale;
}

std::size_t segmentCount(const ScaleDesign& scale)
{
    return scale.marksTimesTwo.size() - 1;
}

int markWidth(const ScaleDesign& scale, std::size_t mark)
{
    return mark == 0 || mark + 1 == scale.marksTimesTwo.size() ? kPostWidth : scale.innerWidth;
}

Columns markAt(const ScaleDesign& scale, std::size_t mark)
{
    return markColumns(scale.marksTimesTwo[mark], markWidth(scale, mark));
}

// The block of segment k (between marks k and k + 1) keeps one background column free on each side, from the marks
// and from the fixed block; where it meets the fixed block it gives way to it.
Columns segmentBlock(const ScaleDesign& scale, std::size_t segment)
{
    Columns block{markAt(scale, segment).right + 2, markAt(scale, segment + 1).left - 2};
    if (scale.fixedBlock) {
        const Columns fixed = *scale.fixedBlock;
        if (block.left <= fixed.right + 1 && block.right >= fixed.left - 1) {
            if (block.left + block.right > fixed.left + fixed.right) {
                block.left = fixed.right + 2;
            } else {
                block.right = fixed.left - 2;
            }
        }
    }
    return block;
}

struct Styles {
    TextStyle heading;
    TextStyle headingLatin;
    TextStyle value;
    TextStyle word;
    TextStyle caption;
    TextStyle label;
};

// Design coordinates to pixels at one scale: an edge between pixels goes to its scaled place, rounded to the nearest
// whole pixel (halves to even), so edges that meet at 100 % still meet and edges apart stay apart.
class Grid {
public:
    explicit Grid(double scale) : scale_(scale) {}
    double scale() const { return scale_; }
    int edge(double designEdge) const { return static_cast<int>(std::nearbyint(designEdge * scale_)); }

private:
    double scale_;
};

Styles fitStyles(Typeface& face, const Grid& grid)
{
    // The headings, and the words of the yes/no rows, as the core's row table writes them.
    std::vector<std::u32string> japanese, english, words;
    for (int row = 1; row <= kRowCount; ++row) {
        const SettingRow& r = kSettingRows[static_cast<std::size_t>(row - 1)];
        japanese.push_back(charactersOf(r.heading));
        english.push_back(charactersOf(r.englishHeading));
        if (rowKind(row) == RowKind::Toggle)
            for (int i = 0; i < optionPictureCount(row); ++i)
                words.push_back(charactersOf(r.valueLabel(i)));
    }
    const StyleOptions latin{.proportional = true, .trackingEm = 0.09, .embolden = 0.03};
    const StyleOptions small{.proportional = true, .trackingEm = 0.10, .embolden = 0.03, .condense = 0.8};
    Styles s;
    // Rows top..bottom: from the top edge of the first to the bottom edge of the last.
    const auto rows = [&](const std::vector<std::u32string_view>& texts, int top, int bottom, StyleOptions options) {
        return fitStyle(face, texts, grid.edge(top), grid.edge(bottom + 1), options);
    };
    const auto views = [](const std::vector<std::u32string>& texts) {
        return std::vector<std::u32string_view>(texts.begin(), texts.end());
    };
    s.heading = rows(views(japanese), kHeadingTop, kHeadingBottom, {});
    s.headingLatin = rows(views(english), kHeadingLatinTop, kHeadingLatinBottom, latin);
    s.value = rows({U"0123456789-"}, kValueTop, kValueBottom, {.proportional = true, .trackingEm = 0.06});
    s.word = rows(views(words), kWordTop, kWordBottom, {});
    s.caption = rows({kPrecipitationUnit, kVelocityUnit, kBlightnessUnit, kDirectionEnglish[0], kDirectionEnglish[1]},
                     kCaptionTop, kCaptionBottom, latin);
    s.label = rows({U"0123456789-"}, kLabelTop, kLabelBottom, small);
    return s;
}

class PictureBuilder {
public:
    PictureBuilder(Typeface& face, const Styles& styles, const Grid& grid)
        : face_(face), styles_(styles), grid_(grid), ink_(grid.edge(kRowWidth), grid.edge(kRowHeight))
    {}

    void heading(const SettingRow& row)
    {
        drawText(ink_, face_, styles_.heading, charactersOf(row.heading), Align::kLeft, grid_.edge(kHeadingLeft));
        drawText(ink_, face_, styles_.headingLatin, charactersOf(row.englishHeading), Align::kLeft,
                 grid_.edge(kHeadingLatinLeft));
    }

    void valueRightAligned(std::u32string_view value, int rightColumn)
    {
        drawText(ink_, face_, styles_.value, value, Align::kRight, grid_.edge(rightColumn + 1));
    }

    // The minus sign keeps one place for every negative value: before a field as wide as the widest two digits,
    // so "-5" shows a gap where a tens digit would stand.
    void signedValue(int value, int rightColumn, std::u32string_view widestMagnitude)
    {
        const std::u32string magnitude = digits(std::abs(value));
        valueRightAligned(magnitude, rightColumn);
        if (value >= 0)
            return;
        const double fieldLeft = grid_.edge(rightColumn + 1) - measure(face_, styles_.value, widestMagnitude).width();
        const double minusEnd = fieldLeft - styles_.value.tracking;
        drawText(ink_, face_, styles_.value, U"-", Align::kRight, std::floor(minusEnd));
    }

    // The caption from the column `left`.
    void caption(std::u32string_view text, int left)
    {
        drawText(ink_, face_, styles_.caption, text, Align::kLeft, grid_.edge(left));
    }

    // The caption centred on `centre`, in pixels of this picture.
    void captionCentredOn(std::u32string_view text, double centre)
    {
        drawText(ink_, face_, styles_.caption, text, Align::kCentre, centre);
    }

    InkSpan word(std::u32string_view text)
    {
        return drawText(ink_, face_, styles_.word, text, Align::kLeft, grid_.edge(kWordLeft));
    }

    // `filled` tells for each segment whether its block shows.
    void scale(const ScaleDesign& design, const std::vector<bool>& filled)
    {
        fill(kScaleLeft, kBaselineTop, kScaleRight, kBaselineBottom);
        for (std::size_t m = 0; m < design.marksTimesTwo.size(); ++m) {
            const Columns c = markAt(design, m);
            const bool post = m == 0 || m + 1 == design.marksTimesTwo.size();
            fill(c.left, post ? kPostTop : design.innerTop, c.right, kBaselineTop - 1);
        }
        if (design.fixedBlock)
            fill(design.fixedBlock->left, kBlockTop, design.fixedBlock->right, kBlockBottom);
        for (std::size_t s = 0; s < filled.size(); ++s) {
            if (!filled[s])
                continue;
            const Columns b = segmentBlock(design, s);
            fill(b.left, kBlockTop, b.right, kBlockBottom);
        }
        for (const ScaleLabel& label : design.labels) {
            const Columns mark = markAt(design, static_cast<std::size_t>(label.mark));
            const TextStyle& style = styles_.label;
            switch (label.place) {
            case LabelPlace::kFromScaleStart:
                drawText(ink_, face_, style, label.text, Align::kLeft, grid_.edge(kScaleLeft));
                break;
            case LabelPlace::kFromMark:
                drawText(ink_, face_, style, label.text, Align::kLeft, grid_.edge(mark.left));
                break;
            case LabelPlace::kCentred:  // on the mark as drawn
                drawText(ink_, face_, style, label.text, Align::kCentre,
                         (grid_.edge(mark.left) + grid_.edge(mark.right + 1)) / 2.0);
                break;
            case LabelPlace::kToScaleEnd:
                drawText(ink_, face_, style, label.text, Align::kRight, grid_.edge(kScaleRight + 1));
                break;
            }
        }
    }

    Image finish() const { return blendWhite(ink_, kAccent); }

    static std::u32string digits(int n)
    {
        std::u32string out;
        for (char c : std::to_string(n))
            out.push_back(static_cast<char32_t>(c));
        return out;
    }

private:
    // Solid ink over the design's inclusive rectangle x0..x1, y0..y1, at this picture's scale.
    void fill(int x0, int y0, int x1, int y1)
    {
        ink_.fill(grid_.edge(x0), grid_.edge(y0), grid_.edge(x1 + 1) - 1, grid_.edge(y1 + 1) - 1);
    }

    Typeface& face_;
    const Styles& styles_;
    const Grid& grid_;
    Coverage ink_;
};

// The blocks of the segments 0..last of a scale: the rest stay empty.
std::vector<bool> filledUpTo(const ScaleDesign& scale, int last)
{
    std::vector<bool> filled(segmentCount(scale));
    for (int s = 0; s <= last; ++s)
        filled[static_cast<std::size_t>(s)] = true;
    return filled;
}

// What picture `element` of a row shows beside the heading; `value` is the value as the core writes it.
using DrawRow = void (*)(PictureBuilder& p, int element, std::u32string_view value);

void drawFlakeCount(PictureBuilder& p, int element, std::u32string_view value)
{
    p.valueRightAligned(value, kPrecipitationValueRight);
    p.caption(kPrecipitationUnit, kCaptionLeft);
    p.scale(precipitationScale(), filledUpTo(precipitationScale(), element));
}

void drawWind(PictureBuilder& p, int element, std::u32string_view)
{
    p.signedValue(static_cast<int>(windFromLevel(static_cast<float>(element))), kVelocityValueRight, U"30");
    p.caption(kVelocityUnit, kCaptionLeft);
    // Blocks run from the 0 mark towards the value.
    std::vector<bool> filled(segmentCount(velocityScale()));
    for (int s = std::min(element, kVelocityZeroIndex); s < std::max(element, kVelocityZeroIndex); ++s)
        filled[static_cast<std::size_t>(s)] = true;
    p.scale(velocityScale(), filled);
}

void drawWindMode(PictureBuilder& p, int element, std::u32string_view value)
{
    const InkSpan word = p.word(value);
    if (element == 0) {
        p.captionCentredOn(kDirectionEnglish[0], (word.left + word.right) / 2);  // under its word
    } else {
        p.caption(kDirectionEnglish[1], kCaptionLeft);
    }
}

void drawBrightness(PictureBuilder& p, int element, std::u32string_view value)
{
    p.valueRightAligned(value, kBlightnessValueRight);
    p.caption(kBlightnessUnit, kCaptionLeft);
    p.scale(blightnessScale(), filledUpTo(blightnessScale(), element - 1));
}

void drawHeadingOnly(PictureBuilder&, int, std::u32string_view) {}

// Each row's drawing, in the order of the core's row table.
constexpr std::array<DrawRow, kRowCount> kRowDrawings = {drawFlakeCount, drawWind, drawWindMode, drawBrightness,
                                                         drawHeadingOnly};
static_assert(std::ranges::none_of(kRowDrawings, [](DrawRow d) { return d == nullptr; }),
              "every row of the settings window needs its drawing");

// The pictures of one scale, in the order of the rows, each row by index.
std::vector<NamedPicture> drawScale(Typeface& face, std::int32_t percent)
{
    const Grid grid(percent / 100.0);
    const Styles styles = fitStyles(face, grid);
    std::vector<NamedPicture> out;
    for (int row = 1; row <= kRowCount; ++row) {
        const SettingRow& r = kSettingRows[static_cast<std::size_t>(row - 1)];
        for (int i = 0; i < optionPictureCount(row); ++i) {
            PictureBuilder p(face, styles, grid);
            p.heading(r);
            const std::u32string value = r.valueLabel ? charactersOf(r.valueLabel(i)) : std::u32string{};
            kRowDrawings[static_cast<std::size_t>(row - 1)](p, i, value);
            out.push_back({row, i, percent, p.finish()});
        }
    }
    return out;
}

}  // namespace

std::vector<NamedPicture> drawOptionPictures(Typeface& face)
{
    std::vector<NamedPicture> out;
    for (std::int32_t percent : kStoredPictureScales) {
        std::vector<NamedPicture> scale = drawScale(face, percent);
        out.insert(out.end(), std::make_move_iterator(scale.begin()), std::make_move_iterator(scale.end()));
    }
    return out;
}

}  // namespace nivora::artwork
