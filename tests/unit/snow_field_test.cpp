// The snow field's start and the motion of single flakes, checked on the fast frames and on the reference ones alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/base/rounding.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_reference.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using snowtest::Image;

enum class Path { Fast, Reference };
constexpr Path kPaths[] = {Path::Fast, Path::Reference};
const char* name(Path p)
{
    return p == Path::Fast ? "fast frame" : "reference frame";
}

constexpr Pixel kDeskColour = 0x00203040u;

// A small snow window with hand-placed flakes.
struct Stage {
    Random random{99};
    SnowField field;
    Image main, desk, text;

    Stage(int16_t w, int16_t h, SnowMode mode = SnowMode::FullScreen, float windLevel = 6, float scaleY = 1.0f)
        : main(w + 10, h + 10), desk(w + 10, h + 10, kDeskColour), text(w, h, kBlackPixel)
    {
        SnowSettings settings;
        settings.velocity = windLevel;
        field.InitData(settings, {w, h, mode, scaleY}, random);
        field.flakes.clear();
        field.flakeCount = 0;
    }
    void add(float x, float y, int32_t size, float speed)
    {
        field.flakes.push_back({x, y, size, speed, size * kFlakeCellSize});
        field.flakeCount = static_cast<int32_t>(field.flakes.size());
    }
    void attach() { field.attachSurfaces({main.view(), desk.view(), text.view()}); }
    void frame(Path p)
    {
        if (p == Path::Fast) {
            field.DrawSnow();
        } else {
            RasterDevice device(SnowSurfaces{main.view(), desk.view(), text.view()});
            drawSnowReference(field, device);
        }
    }
    Flake& flake(size_t i = 0) { return field.flakes[i]; }
    // Whether (x, y) still catches flakes: the fast frames keep that in their mask, the reference in PicText.
    bool catches(Path p, int32_t x, int32_t y) const
    {
        return p == Path::Fast ? field.textMask().catches(x, y) : getPixel(text.view(), x, y) == kWhiteColorRef;
    }
};

// With speed 1, size 0 and y = 80 the angle is 180 degrees: the sway is below a millionth of a pixel.
constexpr float kNoSwayY = 80;

TEST(SnowField, FlakeCountFollowsThePrecipitation)
{
    struct Case {
        int16_t precipitation;
        int32_t flakes;
    };
    const Case cases[] = {{0, 100}, {1, 500}, {2, 1000}, {3, 2000}, {4, 3000}, {5, 1000}, {-1, 1000}, {32767, 1000}};
    for (const Case& c : cases) {
        EXPECT_EQ(flakeCountFor(c.precipitation), c.flakes) << c.precipitation;
        SnowSettings settings;
        settings.precipitation = c.precipitation;
        Random random(1);
        SnowField field;
        field.InitData(settings, {100, 80, SnowMode::FullScreen, 1.0f}, random);
        EXPECT_EQ(field.flakeCount, c.flakes);
        EXPECT_EQ(field.flakes.size(), static_cast<size_t>(c.flakes));
    }
}

TEST(SnowField, WindOptionBecomesPixelsPerFrame)
{
    struct Case {
        float level, wind;
    };
    // A hand-edited stored level outside the dialog's 0..12 is taken at the nearer end, as the dialog shows it; one
    // that is no number is calm, the default. A level between two steps keeps its wind.
    const Case cases[] = {{0, -30},      {1, -25},         {6, 0},         {11, 25},   {12, 30},
                          {6.5f, 2.5f},  {13, 30},         {-1, -30},      {1e6f, 30}, {-1e6f, -30},
                          {3.4e38f, 30}, {-INFINITY, -30}, {INFINITY, 30}, {NAN, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(windFromLevel(c.level), c.wind) << c.level;
        SnowSettings settings;
        settings.velocity = c.level;
        Random random(1);
        SnowField field;
        field.InitData(settings, {100, 80, SnowMode::FullScreen, 1.0f}, random);
        EXPECT_EQ(field.velocity, c.wind);
    }
}

TEST(SnowField, FlakesStartAboveTheTopEdgeFromFourDrawsEach)
{
    struct Case {
        int16_t width, height, precipitation;
        uint64_t seed;
    };
    const Case cases[] = {{1920, 1080, 4, 1}, {152, 112, 1, 2}, {1, 1, 0, 3}, {0, 0, 0, 4}};
    for (const Case& c : cases) {
        SnowSettings settings;
        settings.precipitation = c.precipitation;
        Random random(c.seed);
        SnowField field;
        field.InitData(settings, {c.width, c.height, SnowMode::FullScreen, 1.0f}, random);
        int largest = 0;
        for (const Flake& f : field.flakes) {
            EXPECT_GE(f.x, 0);
            EXPECT_LE(f.x, std::max(0, c.width - 1));
            EXPECT_EQ(f.x, std::floor(f.x));
            EXPECT_LE(f.y, 0);
            EXPECT_GE(f.y, -15.0f * std::max(0, c.height - 1));
            EXPECT_EQ(std::fmod(f.y, 15.0f), 0.0f);
            EXPECT_GE(f.size, 0);
            EXPECT_LE(f.size, 6);
            EXPECT_TRUE(f.speed == 1 || f.speed == 2 || f.speed == 3 || f.speed == 4);
            EXPECT_EQ(f.spriteX, f.size * 6);
            largest += f.size == 6;
        }
        EXPECT_LT(largest * 40, field.flakeCount + 40);  // the largest kind is rare
        // Exactly four draws per flake: the generator stands where a fresh one does after 4 n draws.
        Random fresh(c.seed);
        for (int32_t i = 0; i < 4 * field.flakeCount; ++i)
            fresh.next();
        EXPECT_EQ(random.nextBits(), fresh.nextBits());
    }
}

TEST(SnowField, SeededStartIsPinned)
{
    // The same seed starts the same snow on every platform: a change of the draws' order or arithmetic shows here.
    struct Case {
        size_t index;
        Flake flake;
    };
    const Case cases[] = {
        {0, {1095, -12840, 1, 3, 6}}, {1, {962, -5580, 3, 1, 18}},    {2, {1084, -14955, 5, 2, 30}},
        {3, {717, -6120, 5, 1, 30}},  {2999, {557, -5865, 2, 4, 12}},
    };
    SnowSettings settings;
    settings.precipitation = 4;
    Random random(2004);
    SnowField field;
    field.InitData(settings, {1920, 1080, SnowMode::FullScreen, 1.0f}, random);
    for (const Case& c : cases) {
        const Flake& f = field.flakes[c.index];
        EXPECT_EQ(f.x, c.flake.x) << c.index;
        EXPECT_EQ(f.y, c.flake.y) << c.index;
        EXPECT_EQ(f.size, c.flake.size) << c.index;
        EXPECT_EQ(f.speed, c.flake.speed) << c.index;
        EXPECT_EQ(f.spriteX, c.flake.spriteX) << c.index;
    }
}

TEST(SnowField, StartReachesEveryKindSpeedColumnAndHeight)
{
    // A start that never made the largest flake, speed 4, or flakes right of the middle would pass the range checks
    // above; here every kind, every speed, each tenth of the width and each tenth of the column of air is reached.
    struct Case {
        int16_t width, height;
        uint64_t seed;
    };
    const Case cases[] = {{1920, 1080, 1}, {3840, 2160, 2}, {800, 600, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        SnowSettings settings;
        settings.precipitation = 4;
        Random random(c.seed);
        SnowField field;
        field.InitData(settings, {c.width, c.height, SnowMode::FullScreen, 1.0f}, random);
        int kinds[kFlakeKinds] = {}, speeds[5] = {}, columns[10] = {}, heights[10] = {};
        for (const Flake& f : field.flakes) {
            ++kinds[f.size];
            ++speeds[static_cast<int>(f.speed)];
            ++columns[static_cast<int>(f.x) * 10 / c.width];
            ++heights[static_cast<int>(-f.y / 15) * 10 / c.height];
        }
        for (int kind = 0; kind < kFlakeKinds; ++kind)
            EXPECT_GT(kinds[kind], kind == 6 ? 5 : 400) << "kind " << kind;  // 6: 0.8 % of 3000, else 16.5 %
        EXPECT_LT(kinds[6], 60);
        for (int speed = 1; speed <= 4; ++speed)
            EXPECT_GT(speeds[speed], 600) << "speed " << speed;
        for (int tenth = 0; tenth < 10; ++tenth) {
            EXPECT_GT(columns[tenth], 200) << "columns of tenth " << tenth;
            EXPECT_GT(heights[tenth], 200) << "heights of tenth " << tenth;
        }
    }
}

TEST(SnowField, FixedWindStaysStillThroughTheFrames)
{
    // With the automatic wind off nothing but the frames runs: after two seconds the wind is what it was, and each
    // flake (far above, so it neither wraps nor starts again) drifted exactly its kind's share of it every frame.
    for (Path path : kPaths) {
        SCOPED_TRACE(name(path));
        Stage stage(2000, 50, SnowMode::FullScreen, 9);  // 15 pixels per frame to the right
        stage.add(0, -5000, 0, 1);
        stage.add(0, -5000, 6, 4);
        stage.attach();
        const float before = stage.field.velocity;
        for (int frame = 0; frame < 100; ++frame)
            stage.frame(path);
        EXPECT_EQ(stage.field.velocity, before);
        EXPECT_FLOAT_EQ(stage.flake(0).x, 125);   // 1.25 a frame
        EXPECT_FLOAT_EQ(stage.flake(1).x, 1250);  // 12.5 a frame
    }
}

TEST(SnowField, FlakesDriftWithTheWindByKind)
{
    struct Case {
        SnowMode mode;
        float windLevel;
        int32_t size;
        float speed;
        float drift;  // per frame
    };
    const Case cases[] = {
        {SnowMode::FullScreen, 6, 6, 4, 0},        {SnowMode::FullScreen, 12, 0, 1, 2.5f},
        {SnowMode::FullScreen, 0, 6, 4, -25},      {SnowMode::FullScreen, 7, 2, 3, 5 * 5 / 12.0f},
        {SnowMode::Preview, 12, 0, 1, 30 / 72.0f}, {SnowMode::Preview, 0, 6, 4, -300 / 72.0f},
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(name(path));
            Stage stage(200, 100, c.mode, c.windLevel);
            stage.add(100, -50, c.size, c.speed);
            stage.attach();
            stage.frame(path);
            EXPECT_FLOAT_EQ(stage.flake().x, 100 + c.drift);
        }
    }
}

TEST(SnowField, SwayedPlacesArePinned)
{
    // Where a flake is drawn after one frame's drift: its x swayed by speed * (size + 1) * sin(kind * 100 + y
    // degrees) / (|wind| / 10 + 2), worked out once by hand.
    struct Case {
        SnowMode mode;
        float wind;
        Flake flake;
        float x;        // after the drift
        double swayed;  // to a millionth of a pixel
        int32_t px, py;
    };
    const Case cases[] = {
        {SnowMode::FullScreen, 0, {10, 10, 6, 1, 36}, 10, 9.392222, 9, 10},
        {SnowMode::FullScreen, 0, {100, 0, 6, 4, 36}, 100, 86.212683, 86, 0},
        {SnowMode::FullScreen, 30, {100, 45, 2, 3, 12}, 112.5f, 112.343123, 112, 45},
        {SnowMode::FullScreen, -30, {50, 90, 0, 2, 0}, 45, 44.624123, 45, 90},
        {SnowMode::FullScreen, 0, {30, 2.5f, 1, 1, 6}, 30, 29.617317, 30, 2},
        {SnowMode::FullScreen, 0, {10, 38.25f, 6, 1, 36}, 10, 11.096064, 11, 38},
        {SnowMode::Preview, 0, {0, 10, 0, 1, 0}, 0, 0.469846, 0, 10},
        {SnowMode::Preview, 30, {20, 260, 3, 4, 18}, 22.916666f, 20.145390, 20, 260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "flake at " << c.flake.x << ", " << c.flake.y << ", wind " << c.wind);
        Flake flake = c.flake;
        FlakePosition position{};
        if (c.mode == SnowMode::Preview)
            moveFlakes<SnowMode::Preview>({&flake, 1}, c.wind, 1.0, {&position, 1});
        else
            moveFlakes<SnowMode::FullScreen>({&flake, 1}, c.wind, 1.0, {&position, 1});
        EXPECT_FLOAT_EQ(flake.x, c.x);
        EXPECT_NEAR(position.swayed, c.swayed, 1e-6);
        EXPECT_EQ(position.px, c.px);
        EXPECT_EQ(position.py, c.py);
    }
}

TEST(SnowField, FlakesWrapOnlyPastTheMargin)
{
    struct Case {
        SnowMode mode;
        float x;
        int shift;  // what the frame adds to x
    };
    // drawWidth 40: the full-screen margin is 30 pixels on px, the preview's 5 on the unrounded position.
    const Case cases[] = {
        {SnowMode::FullScreen, 70, 0},   {SnowMode::FullScreen, 71, -70},  {SnowMode::FullScreen, -30, 0},
        {SnowMode::FullScreen, -31, 70}, {SnowMode::FullScreen, 70.4f, 0}, {SnowMode::Preview, 45, 0},
        {SnowMode::Preview, 45.4f, -45}, {SnowMode::Preview, -5, 0},       {SnowMode::Preview, -5.4f, 45},
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << name(path) << ", x " << c.x);
            Stage stage(40, 100, c.mode, 6);
            stage.add(c.x, kNoSwayY, 0, 1);
            stage.attach();
            stage.frame(path);
            EXPECT_EQ(stage.flake().x, static_cast<float>(static_cast<double>(c.x) + c.shift));
        }
    }
}

TEST(SnowField, FlakesAtTheEndsOfThe32BitRangeAreClippedAndWrapAsOnTheReferenceFrame)
{
    struct Case {
        SnowMode mode;
        float x;
        float y;
    };
    const Case cases[] = {
        {SnowMode::FullScreen, -2147483648.0f, 10},         {SnowMode::FullScreen, -2147483520.0f, 10},
        {SnowMode::FullScreen, 2147483520.0f, 10},          {SnowMode::FullScreen, -3e9f, 10},
        {SnowMode::FullScreen, 1e30f, -2147483648.0f},      {SnowMode::FullScreen, 10, -2147483648.0f},
        {SnowMode::FullScreen, 10, 2147483520.0f},          {SnowMode::Preview, -2147483648.0f, 10},
        {SnowMode::Preview, 2147483520.0f, -2147483648.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "x " << c.x << ", y " << c.y);
        Stage fast(40, 30, c.mode, 6), plain(40, 30, c.mode, 6);
        for (Stage* stage : {&fast, &plain}) {
            for (int32_t size = 0; size < kFlakeKinds; ++size)
                stage->add(c.x, c.y, size, 1);
            std::fill(stage->text.pixels.begin(), stage->text.pixels.end(), kWhitePixel);
            stage->attach();
        }
        fast.frame(Path::Fast);
        plain.frame(Path::Reference);
        for (size_t i = 0; i < fast.field.flakes.size(); ++i) {
            EXPECT_EQ(fast.flake(i).x, plain.flake(i).x) << "kind " << i;
            EXPECT_EQ(fast.flake(i).y, plain.flake(i).y) << "kind " << i;
        }
        EXPECT_EQ(fast.main.pixels, plain.main.pixels);
        EXPECT_EQ(fast.desk.pixels, plain.desk.pixels);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x)
                EXPECT_EQ(fast.catches(Path::Fast, x, y), plain.catches(Path::Reference, x, y)) << x << ", " << y;
    }
}

TEST(SnowField, FlakesFallBySizeThirdsPlusSpeedScaledInPreview)
{
    struct Case {
        SnowMode mode;
        float scaleY;
        int32_t size;
        float speed;
        float y, afterFrame;
    };
    const Case cases[] = {
        {SnowMode::FullScreen, 1, 0, 1, 10, 11},
        {SnowMode::FullScreen, 1, 4, 2, 10, static_cast<float>(10 + 4 / 3.0 + 2)},
        {SnowMode::FullScreen, 1, 6, 4, -30, -24},
        {SnowMode::Preview, 0.1f, 0, 1, 10, static_cast<float>(10 + 1 * static_cast<double>(0.1f))},
        {SnowMode::Preview, 112.0f / 768.0f, 5, 3, 20,
         static_cast<float>(20 + (5 / 3.0 + 3) * static_cast<double>(112.0f / 768.0f))},
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(name(path));
            Stage stage(40, 100, c.mode, 6, c.scaleY);
            stage.add(20, c.y, c.size, c.speed);
            stage.attach();
            stage.frame(path);
            EXPECT_EQ(stage.flake().y, c.afterFrame);
        }
    }
}

TEST(SnowField, FlakeLeavingTheBottomStartsAgainAtItsSizeWithAFreshX)
{
    struct Case {
        SnowMode mode;
        int32_t size;
        float y;
        bool restarts;
    };
    const Case cases[] = {{SnowMode::FullScreen, 3, 98, false},  // 98 + 1 + 1 = 100: not past the edge
                          {SnowMode::FullScreen, 3, 98.5f, true},
                          {SnowMode::FullScreen, 6, 100, true},
                          {SnowMode::Preview, 4, 100, true}};
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(name(path));
            Stage stage(40, 100, c.mode);
            stage.add(20, c.y, c.size, 1);
            stage.attach();
            Random probe = stage.random;
            stage.frame(path);
            if (c.restarts) {
                EXPECT_EQ(stage.flake().y, static_cast<float>(c.size));
                EXPECT_EQ(stage.flake().x, static_cast<float>(roundHalfEven(probe.next() * 40.0)));
            } else {
                EXPECT_GT(stage.flake().y, 99);
                EXPECT_EQ(stage.random.nextBits(), probe.nextBits());  // nothing was drawn
            }
        }
    }
}

TEST(SnowField, SettlingFlakeIsStampedIntoTheBackgroundAndThinsTheMaskColumn)
{
    // The text mask: one white column. Rows that stay white afterwards tell where the black 1 x 4 column went.
    struct Case {
        float y;
        int32_t px;  // x 10 swayed by 7 sin(700 + y degrees) / 2
        int32_t py;
        std::vector<int> blackRows;  // rows of the column that stop catching
    };
    const Case cases[] = {
        {10, 9, 10, {9, 11, 12}},
        {2.5f, 9, 2, {3, 4, 5}},     // y - 1 = 1.5 rounds to 2 like y itself: no row above turns black
        {3.5f, 9, 4, {2, 3, 5}},     // y - 1 = 2.5 rounds to 2, two rows above the landing row 4
        {0, 9, 0, {1, 2}},           // the column starts above the picture
        {38.25f, 11, 38, {37, 39}},  // and ends below it
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << name(path) << ", y " << c.y);
            Stage stage(30, 40);
            stage.add(10, c.y, 6, 1);
            const int32_t px = c.px;
            for (int32_t row = 0; row < 40; ++row)
                stage.text.at(px, row) = kWhitePixel;
            stage.attach();
            const Image deskBefore = stage.desk;
            Random probe = stage.random;
            stage.frame(path);

            for (int32_t row = 0; row < 40; ++row) {
                const bool black = std::find(c.blackRows.begin(), c.blackRows.end(), row) != c.blackRows.end();
                EXPECT_EQ(stage.catches(path, px, row), !black) << "row " << row;
            }
            EXPECT_EQ(stage.flake().y, 0);
            EXPECT_EQ(stage.flake().x, static_cast<float>(roundHalfEven(probe.next() * 30.0)));
            for (int32_t y = 0; y < 6; ++y) {
                for (int32_t x = 0; x < 6; ++x) {
                    const Pixel s = flakeSpriteStrip()[static_cast<size_t>(y * kFlakeStripWidth + 36 + x)];
                    if (px + x < stage.desk.width && c.py + y < stage.desk.height) {
                        EXPECT_EQ(stage.desk.at(px + x, c.py + y), s != 0 ? s : deskBefore.at(px + x, c.py + y));
                    }
                    if (px + x < 30 && c.py + y < 40) {  // not drawn into this frame's picture
                        EXPECT_EQ(stage.main.at(px + x, c.py + y), kDeskColour);
                    }
                }
            }
        }
    }
}

TEST(SnowField, NothingSettlesAboveTheTopEdgeOrOnAlmostWhite)
{
    struct Case {
        const char* what;
        float y;
        Pixel maskColour;
    };
    const Case cases[] = {{"above the top edge", -3, kWhitePixel},
                          {"light grey", 10, 0x00FEFEFEu},
                          {"white but for blue", 10, 0x00FFFFFEu},
                          {"black", 10, kBlackPixel}};
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << name(path) << ", " << c.what);
            Stage stage(30, 40);
            stage.add(10, c.y, 6, 1);
            std::fill(stage.text.pixels.begin(), stage.text.pixels.end(), c.maskColour);
            stage.attach();
            const Image deskBefore = stage.desk;
            stage.frame(path);
            EXPECT_EQ(stage.desk.pixels, deskBefore.pixels);
            EXPECT_EQ(stage.flake().y, c.y + 3);  // 6 / 3 + 1
        }
    }
}

TEST(SnowField, PreviewPixelCatchesOneFlakeOnly)
{
    for (Path path : kPaths) {
        SCOPED_TRACE(name(path));
        Stage stage(30, 40, SnowMode::Preview);
        stage.add(0, 10, 0, 1);
        stage.add(0, 10, 0, 1);  // the same place: it arrives after the first has settled
        const int32_t px = 0;     // 0 swayed by sin(110 degrees) / 2
        std::fill(stage.text.pixels.begin(), stage.text.pixels.end(), kWhitePixel);
        stage.attach();
        stage.frame(path);
        EXPECT_EQ(stage.desk.at(px, 10), greyPixel(180));
        EXPECT_FALSE(stage.catches(path, px, 10));
        EXPECT_TRUE(stage.catches(path, px, 9));
        EXPECT_TRUE(stage.catches(path, px, 11));
        EXPECT_EQ(stage.flake(0).y, 0);   // settled
        EXPECT_EQ(stage.flake(1).y, 11);  // fell on
        EXPECT_EQ(stage.main.at(px, 10), kWhitePixel);
        EXPECT_EQ(stage.main.at(px, 11), greyPixel(180));
    }
}

TEST(SnowField, WithoutAMessageTheBackgroundNeverChanges)
{
    for (Path path : kPaths) {
        SCOPED_TRACE(name(path));
        SnowSettings settings;
        settings.precipitation = 3;
        Random random(5);
        SnowField field;
        field.InitData(settings, {60, 40, SnowMode::FullScreen, 1.0f}, random);
        Image main(70, 50), desk(70, 50, kDeskColour), text(60, 40, kBlackPixel);
        field.attachSurfaces({main.view(), desk.view(), text.view()});
        RasterDevice device(SnowSurfaces{main.view(), desk.view(), text.view()});
        for (int frame = 0; frame < 500; ++frame) {
            if (path == Path::Fast)
                field.DrawSnow();
            else
                drawSnowReference(field, device);
        }
        EXPECT_TRUE(std::all_of(desk.pixels.begin(), desk.pixels.end(), [](Pixel p) { return p == kDeskColour; }));
        EXPECT_FALSE(
            std::all_of(main.pixels.begin(), main.pixels.begin() + 70 * 40, [](Pixel p) { return p == kDeskColour; }));
    }
}

TEST(SnowField, DeskIsCutToWhatFramesReadOnlyAfterTheFirstFrame)
{
    Stage s(60, 40);
    for (int32_t x = 20; x < 24; ++x)
        s.text.at(x, 30) = kWhitePixel;
    for (int32_t y = 0; y < s.desk.height; ++y)
        for (int32_t x = 0; x < s.desk.width; ++x)
            s.desk.at(x, y) = static_cast<Pixel>(y * 256 + x);
    s.attach();
    std::vector<Pixel> part;
    EXPECT_FALSE(cutDeskInto(s.field, s.desk.view(), part));
    s.frame(Path::Fast);
    ASSERT_TRUE(cutDeskInto(s.field, s.desk.view(), part));
    // The message's pixels (20..23, 30) and the reach of a 6-pixel flake settling on the last of them.
    const Rect kept{20, 30, 30, 37};
    EXPECT_EQ(s.field.deskStillRead(), kept);
    const auto width = kept.right - kept.left;
    ASSERT_EQ(part.size(), static_cast<size_t>(width * (kept.bottom - kept.top)));
    for (int32_t y = kept.top; y < kept.bottom; ++y)
        for (int32_t x = kept.left; x < kept.right; ++x)
            ASSERT_EQ(part[static_cast<size_t>((y - kept.top) * width + (x - kept.left))], s.desk.at(x, y));
}

}  // namespace
}  // namespace nivora
