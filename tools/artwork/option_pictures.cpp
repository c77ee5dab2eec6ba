// Every figure below is a pixel position in the 360 x 40 picture; columns and rows are inclusive unless said otherwise.
#include "option_pictures.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>

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

struct Heading {
    std::u32string_view japanese;
    std::u32string_view english;
};
constexpr Heading kPrecipitationHeading{U"降雪量", U"Precipitation"};
constexpr Heading kVelocityHeading{U"風速", U"Velocity"};
constexpr Heading kDirectionHeading{U"風向", U"Direction"};
constexpr Heading kBlightnessHeading{U"明度", U"Brightness"};
constexpr Heading kMessageHeading{U"雪文字", U"Message"};
constexpr std::array kHeadings{kPrecipitationHeading, kVelocityHeading, kDirectionHeading, kBlightnessHeading,
                               kMessageHeading};

constexpr std::array<std::u32string_view, 5> kPrecipitationValues{U"100", U"500", U"1000", U"2000", U"3000"};
constexpr std::array<std::u32string_view, 5> kBlightnessValues{U"0", U"63", U"127", U"191", U"255"};
constexpr std::array<std::u32string_view, 2> kDirectionWords{U"固定", U"自動"};
constexpr std::array<std::u32string_view, 2> kDirectionEnglish{U"Fixed", U"Automatic"};
constexpr std::u32string_view kPrecipitationUnit = U"flakes/screen";
constexpr std::u32string_view kVelocityUnit = U"pixels/BitBlt()";
constexpr std::u32string_view kBlightnessUnit = U"AlphaBlend";
constexpr int kVelocityCount = 13;  // wind options 0..12 show -30..30 in steps of 5
constexpr int kVelocityZeroIndex = 6;

struct Columns {
    int left;
    int right;
};

// Mark centres are kept doubled: a centre on a half column (172.5) stands for a mark of even width (172..173).
Columns markColumns(int centreTimesTwo, int width) {
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

const ScaleDesign& precipitationScale() {
    static const ScaleDesign scale{
        {330, 345, 385, 451, 583, 710},  // 0, 100, 500, 1000, 2000, 3000 flakes
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

const ScaleDesign& velocityScale() {
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

const ScaleDesign& blightnessScale() {
    static const ScaleDesign scale{
        {330, 426, 520, 616, 710},  // alpha 0, 63, 127, 191, 255
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

int markWidth(const ScaleDesign& scale, std::size_t mark) {
    return mark == 0 || mark + 1 == scale.marksTimesTwo.size() ? kPostWidth : scale.innerWidth;
}

Columns markAt(const ScaleDesign& scale, std::size_t mark) {
    return markColumns(scale.marksTimesTwo[mark], markWidth(scale, mark));
}

// The block of segment k (between marks k and k + 1) keeps one background column free on each side, from the marks
// and from the fixed block; where it meets the fixed block it gives way to it.
Columns segmentBlock(const ScaleDesign& scale, std::size_t segment) {
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

Styles fitStyles(Typeface& face) {
    std::vector<std::u32string_view> japanese;
    std::vector<std::u32string_view> english;
    for (const Heading& h : kHeadings) {
        japanese.push_back(h.japanese);
        english.push_back(h.english);
    }
    const StyleOptions latin{.proportional = true, .trackingEm = 0.09, .embolden = 0.03};
    const StyleOptions small{.proportional = true, .trackingEm = 0.10, .embolden = 0.03, .condense = 0.8};
    Styles s;
    s.heading = fitStyle(face, japanese, kHeadingTop, kHeadingBottom, {});
    s.headingLatin = fitStyle(face, english, kHeadingLatinTop, kHeadingLatinBottom, latin);
    s.value = fitStyle(face, {U"0123456789-"}, kValueTop, kValueBottom, {.proportional = true, .trackingEm = 0.06});
    s.word = fitStyle(face, {kDirectionWords.begin(), kDirectionWords.end()}, kWordTop, kWordBottom, {});
    s.caption = fitStyle(face, {kPrecipitationUnit, kVelocityUnit, kBlightnessUnit, kDirectionEnglish[0],
                                kDirectionEnglish[1]},
                         kCaptionTop, kCaptionBottom, latin);
    s.label = fitStyle(face, {U"0123456789-"}, kLabelTop, kLabelBottom, small);
    return s;
}

class PictureBuilder {
public:
    PictureBuilder(Typeface& face, const Styles& styles)
        : face_(face), styles_(styles), ink_(kPictureWidth, kPictureHeight) {}

    void heading(const Heading& h) {
        drawText(ink_, face_, styles_.heading, h.japanese, Align::kLeft, kHeadingLeft);
        drawText(ink_, face_, styles_.headingLatin, h.english, Align::kLeft, kHeadingLatinLeft);
    }

    void valueRightAligned(std::u32string_view value, int rightColumn) {
        drawText(ink_, face_, styles_.value, value, Align::kRight, rightColumn);
    }

    // The minus sign keeps one place for every negative value: before a field as wide as the widest two digits,
    // so "-5" shows a gap where a tens digit would stand.
    void signedValue(int value, int rightColumn, std::u32string_view widestMagnitude) {
        const std::u32string magnitude = digits(std::abs(value));
        valueRightAligned(magnitude, rightColumn);
        if (value >= 0) return;
        const double fieldLeft = rightColumn + 1 - measure(face_, styles_.value, widestMagnitude).width();
        const double minusEnd = fieldLeft - styles_.value.tracking;
        drawText(ink_, face_, styles_.value, U"-", Align::kRight, std::floor(minusEnd) - 1);
    }

    void caption(std::u32string_view text, Align align, double x) {
        drawText(ink_, face_, styles_.caption, text, align, x);
    }

    InkSpan word(std::u32string_view text) {
        return drawText(ink_, face_, styles_.word, text, Align::kLeft, kWordLeft);
    }

    // `filled` tells for each segment whether its block shows.
    void scale(const ScaleDesign& design, const std::vector<bool>& filled) {
        ink_.fill(kScaleLeft, kBaselineTop, kScaleRight, kBaselineBottom);
        for (std::size_t m = 0; m < design.marksTimesTwo.size(); ++m) {
            const Columns c = markAt(design, m);
            const bool post = m == 0 || m + 1 == design.marksTimesTwo.size();
            ink_.fill(c.left, post ? kPostTop : design.innerTop, c.right, kBaselineTop - 1);
        }
        if (design.fixedBlock) ink_.fill(design.fixedBlock->left, kBlockTop, design.fixedBlock->right, kBlockBottom);
        for (std::size_t s = 0; s < filled.size(); ++s) {
            if (!filled[s]) continue;
            const Columns b = segmentBlock(design, s);
            ink_.fill(b.left, kBlockTop, b.right, kBlockBottom);
        }
        for (const ScaleLabel& label : design.labels) {
            const Columns mark = markAt(design, static_cast<std::size_t>(label.mark));
            switch (label.place) {
                case LabelPlace::kFromScaleStart:
                    drawText(ink_, face_, styles_.label, label.text, Align::kLeft, kScaleLeft);
                    break;
                case LabelPlace::kFromMark:
                    drawText(ink_, face_, styles_.label, label.text, Align::kLeft, mark.left);
                    break;
                case LabelPlace::kCentred:
                    drawText(ink_, face_, styles_.label, label.text, Align::kCentre, (mark.left + mark.right + 1) / 2.0);
                    break;
                case LabelPlace::kToScaleEnd:
                    drawText(ink_, face_, styles_.label, label.text, Align::kRight, kScaleRight);
                    break;
            }
        }
    }

    Image finish() const { return blendWhite(ink_, kAccent); }

    static std::u32string digits(int n) {
        std::u32string out;
        for (char c : std::to_string(n)) out.push_back(static_cast<char32_t>(c));
        return out;
    }

private:
    Typeface& face_;
    const Styles& styles_;
    Coverage ink_;
};

std::string fileName(const char* stem, int index) { return std::string(stem) + "_" + std::to_string(index) + ".bmp"; }

}  // namespace

std::vector<NamedPicture> drawOptionPictures(Typeface& face) {
    const Styles styles = fitStyles(face);
    std::vector<NamedPicture> out;

    for (int i = 0; i < static_cast<int>(kPrecipitationValues.size()); ++i) {
        PictureBuilder p(face, styles);
        p.heading(kPrecipitationHeading);
        p.valueRightAligned(kPrecipitationValues[static_cast<std::size_t>(i)], kPrecipitationValueRight);
        p.caption(kPrecipitationUnit, Align::kLeft, kCaptionLeft);
        std::vector<bool> filled(5);
        for (int s = 0; s <= i; ++s) filled[static_cast<std::size_t>(s)] = true;
        p.scale(precipitationScale(), filled);
        out.push_back({fileName("precipitation", i), p.finish()});
    }

    for (int i = 0; i < kVelocityCount; ++i) {
        PictureBuilder p(face, styles);
        p.heading(kVelocityHeading);
        p.signedValue(5 * i - 30, kVelocityValueRight, U"30");
        p.caption(kVelocityUnit, Align::kLeft, kCaptionLeft);
        // Blocks run from the 0 mark towards the value.
        std::vector<bool> filled(kVelocityCount - 1);
        for (int s = std::min(i, kVelocityZeroIndex); s < std::max(i, kVelocityZeroIndex); ++s)
            filled[static_cast<std::size_t>(s)] = true;
        p.scale(velocityScale(), filled);
        out.push_back({fileName("velocity", i), p.finish()});
    }

    for (int i = 0; i < static_cast<int>(kDirectionWords.size()); ++i) {
        PictureBuilder p(face, styles);
        p.heading(kDirectionHeading);
        const InkSpan word = p.word(kDirectionWords[static_cast<std::size_t>(i)]);
        if (i == 0) {
            p.caption(kDirectionEnglish[0], Align::kCentre, (word.left + word.right) / 2);  // under its word
        } else {
            p.caption(kDirectionEnglish[1], Align::kLeft, kCaptionLeft);
        }
        out.push_back({fileName("direction", i), p.finish()});
    }

    for (int i = 0; i < static_cast<int>(kBlightnessValues.size()); ++i) {
        PictureBuilder p(face, styles);
        p.heading(kBlightnessHeading);
        p.valueRightAligned(kBlightnessValues[static_cast<std::size_t>(i)], kBlightnessValueRight);
        p.caption(kBlightnessUnit, Align::kLeft, kCaptionLeft);
        std::vector<bool> filled(4);
        for (int s = 0; s < i; ++s) filled[static_cast<std::size_t>(s)] = true;
        p.scale(blightnessScale(), filled);
        out.push_back({fileName("blightness", i), p.finish()});
    }

    PictureBuilder message(face, styles);
    message.heading(kMessageHeading);
    out.push_back({"message.bmp", message.finish()});
    return out;
}

}  // namespace nivora::artwork
