// The snow field: the flakes and the wind, their start from the settings, and the frames that move them and draw
// them into the snow window's pictures, full screen and in the preview box.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/random.h"
#include "core/raster.h"
#include "core/settings.h"

namespace nivora {

struct Flake {
    float x = 0;          // left edge before the sway
    float y = 0;          // top edge
    int32_t size = 0;     // kind 0..6: index of the sprite cell
    float speed = 0;      // 1..4 pixels per frame
    int32_t spriteX = 0;  // size * 6
};

enum class SnowMode : uint8_t { FullScreen, Preview };

// The drawing area as the start-up sets it.
struct SnowArea {
    int16_t drawWidth = 0;
    int16_t drawHeight = 0;
    SnowMode mode = SnowMode::FullScreen;
    float previewScaleY = 1.0f;  // preview only: preview height over screen height
};

// Views over the snow window's pictures: picMain and PicDesk are (drawWidth + 10) x (drawHeight + 10), PicText is
// drawWidth x drawHeight and holds the message in white on black.
struct SnowSurfaces {
    Surface main;
    Surface desk;
    Surface text;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;  // exclusive
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 100, 500, 1000, 2000, 3000 flakes for precipitation 0..4; 1000 for anything else.
int32_t flakeCountFor(int16_t precipitation);
// The stored wind option 0..12 as the wind in pixels per frame, -30..+30.
float windFromLevel(float level);

// Rows of the picture summed up in one changed rectangle (see changedRects).
inline constexpr int32_t kChangedBandHeight = 32;

class SnowField {
public:
    // The steps of InitData that need no device: the number of flakes, the wind in pixels, and every flake's start
    // from four draws of `random` (x, y, size, speed, in this order). `random` must outlive the field; the frames
    // draw from it when flakes start again. Safe to call again: it starts from the settings each time.
    void InitData(const SnowSettings& settings, const SnowArea& area, Random& random);

    // Hands over the pictures once the window layer has printed the message and blended the desktop. The text
    // mask is derived here from PicText's exactly white pixels; the next frame restores the whole picture.
    void attachSurfaces(const SnowSurfaces& surfaces);

    // One frame: in preview mode the preview frame, otherwise the full-screen one. Its cost follows the number of
    // flakes, not the size of the picture: only what the previous frame drew, and where flakes settled, is copied
    // back from PicDesk. The pictures and the flakes end up exactly as after the plain frame (full copy of the
    // background, then per flake a pixel read and block transfers).
    void DrawSnow();
    void DrawSnow_Preview();

    // Where picMain changed in the last frame, within the drawing area: at most one rectangle per band of
    // kChangedBandHeight rows, top to bottom. Presenting these is presenting the whole frame.
    std::span<const Rect> changedRects() const { return changed_; }

    // One byte per pixel of PicText: 1 where it is exactly white and still catches flakes.
    std::span<const uint8_t> textMask() const { return mask_; }

    const SnowArea& area() const { return area_; }
    const SnowSurfaces& surfaces() const { return surfaces_; }
    Random& random() const { return *random_; }

    std::vector<Flake> flakes;
    int32_t flakeCount = 0;
    float velocity = 0;  // the current wind in pixels per frame; the automatic wind changes it between frames

private:
    template <SnowMode Mode>
    void drawFrame();
    void restoreBackground();
    Rect stampFlake(const Surface& dst, int32_t px, int32_t py, int32_t spriteX) const;
    void noteChanged(const Rect& r);
    float restartX();

    struct FlakePosition {
        double swayed;  // the swayed left edge before rounding (a single's value in preview mode)
        int32_t px;
        int32_t py;
    };

    SnowArea area_;
    Random* random_ = nullptr;
    SnowSurfaces surfaces_;
    Rect drawRect_;  // the part of picMain that the background copy covers
    std::vector<uint8_t> mask_;
    std::vector<std::pair<int32_t, int32_t>> catchSpans_;
    std::vector<FlakePosition> positions_;
    // Rectangles (within drawRect_) where picMain differs from PicDesk after the frame: the flakes it drew and the
    // places where flakes settled into PicDesk.
    std::vector<Rect> stale_;
    std::vector<Rect> nextStale_;
    bool wholeStale_ = true;
    bool topBytesClear_ = false;  // no pixel of PicDesk inside drawRect_ uses its top byte
    std::vector<Rect> bands_;
    std::vector<Rect> changed_;
};

}  // namespace nivora
