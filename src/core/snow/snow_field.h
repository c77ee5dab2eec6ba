// The snow field: the flakes and the wind, their start from the settings, and the frames that move them and draw
// them into the snow window's pictures, full screen and in the preview box.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/snow/random.h"
#include "core/base/raster.h"
#include "core/settings/settings.h"
#include "core/snow/snow_changes.h"
#include "core/snow/snow_drawing.h"
#include "core/snow/snow_motion.h"
#include "core/snow/snow_text_mask.h"

namespace nivora {

// How much larger than the drawing area picMain and PicDesk are, right and below: a flake at the area's edge is
// drawn whole without a bounds test.
inline constexpr int32_t kPictureMargin = 10;

// Views over the snow window's pictures: picMain and PicDesk are (drawWidth + kPictureMargin) x (drawHeight +
// kPictureMargin), PicText is drawWidth x drawHeight and holds the message in white on black.
struct SnowSurfaces {
    Surface main;
    Surface desk;
    Surface text;
};

class SnowField {
public:
    // The steps of InitData that need no device: the number of flakes, the wind in pixels, and every flake's start
    // from four draws of `random` (x, y, size, speed, in this order). `random` must outlive the field; the frames
    // draw from it when flakes start again. Safe to call again: it starts from the settings each time.
    void InitData(const SnowSettings& settings, const SnowArea& area, Random& random);

    // Hands over the pictures once the window layer has printed the message and blended the desktop. The text mask
    // is taken here from PicText's exactly white pixels; PicText is neither read nor written after this returns,
    // so the window may free it. picMain and PicDesk are kept, and nothing but the frames may draw into them. The
    // next frame restores the whole picture.
    void attachSurfaces(const SnowSurfaces& surfaces);

    // One frame: in preview mode the preview frame, otherwise the full-screen one. Its cost follows the number of
    // flakes, not the size of the picture: the flakes of the previous frame are taken off picMain by putting back
    // what they covered, and the places where flakes settled are copied from PicDesk. picMain, PicDesk and the
    // flakes end up exactly as after the reference frame (snow_reference.h), and the text mask as its PicText.
    void DrawSnow();
    void DrawSnow_Preview();

    // Where picMain changed in the last frame, within the drawing area: the places of the flakes taken away and
    // drawn and of the flakes that settled, merged band by band (see snow_changes.h). Presenting these rectangles
    // of picMain is presenting the whole frame.
    std::span<const Rect> changedRects() const { return changes_.rects(); }

    // Where flakes still settle: PicText's exactly white pixels as the frames have thinned them out.
    const TextMask& textMask() const { return mask_; }

    // The part of PicDesk that frames still read once the first one has copied it whole into picMain: where snow can
    // settle, the message's box and a flake's reach beyond it. Nothing before the first frame; an empty rectangle
    // where no message is.
    std::optional<Rect> deskStillRead() const;
    // Hands over PicDesk cut down to deskStillRead(), holding the pixels it had there: the window may free the rest,
    // a whole screen of 32-bit pixels per monitor. Frames go on exactly as before.
    void cutDesk(const Surface& part);

    // The area as the frames use it: its scale held to what the flakes can be drawn at, and 1 in the preview.
    const SnowArea& area() const { return area_; }
    // The flake strips at the area's scale.
    const FlakeSprites& sprites() const { return sprites_; }
    Random& random() const { return *random_; }

    std::vector<Flake> flakes;
    int32_t flakeCount = 0;
    float velocity = 0;  // the current wind in pixels per frame; the automatic wind changes it between frames

private:
    template <SnowMode Mode>
    void drawFrame();
    void restoreBackground();
    void copyFromDesk(const Rect& r, int32_t top, int32_t bottom);
    // Calls draw(i) for each flake of the frame that is not settling, in flake order.
    template <typename Draw>
    void forEachFalling(size_t count, Draw&& draw) const
    {
        size_t nextSettled = 0;
        for (size_t i = 0; i < count; ++i) {
            if (nextSettled < settled_.size() && settled_[nextSettled] == i) {
                ++nextSettled;
                continue;
            }
            draw(i);
        }
    }
    void prefetchFlake(std::span<const Flake> inPlay, size_t i) const;
    void chooseSettling(std::span<const Flake> inPlay);
    void drawBands(std::span<const Flake> inPlay);
    template <SnowMode Mode>
    void settleFlakes(std::span<Flake> inPlay);
    void drawPreviewFlakes(std::span<const Flake> inPlay);
    Rect flakeBoxIn(const Surface& dst, int32_t px, int32_t py, int32_t spriteX) const;
    bool cellInside(int32_t px, int32_t py) const;  // the flake's whole cell lies in the drawing area

    SnowArea area_;
    FlakeSprites sprites_;
    Random* random_ = nullptr;
    Surface main_;
    Surface desk_;
    Rect deskBounds_;       // PicDesk as the window made it, in picMain's coordinates
    int32_t deskLeft_ = 0;  // where desk_ lies within it: (0, 0) until cut down
    int32_t deskTop_ = 0;
    bool deskCut_ = false;
    Rect drawRect_;               // the part of picMain that the background copy covers
    bool wholeStale_ = true;      // picMain must be copied whole from PicDesk
    bool topBytesClear_ = false;  // no pixel of PicDesk inside drawRect_ uses its top byte
    TextMask mask_;
    std::vector<FlakePosition> positions_;
    std::vector<uint32_t> settled_;   // this frame's settling flakes, in flake order
    std::vector<Rect> settledRects_;  // where they changed PicDesk inside drawRect_: picMain's next frame copies them
    FlakeLayer layer_;
    // The full-screen frame's flakes to draw, and per band of kBandRows rows the ones it holds.
    static constexpr int32_t kBandRows = 64;
    struct Drawn {
        uint32_t flake;
        uint32_t firstBand;
        uint32_t lastBand;
        bool inside;  // stamped by its own pixels
    };
    std::vector<Drawn> drawn_;
    std::vector<size_t> bandFirst_;  // per band, its first entry in inBand_; one more at the end
    std::vector<size_t> bandFill_;
    std::vector<uint32_t> inBand_;  // indices into drawn_, band by band, in flake order within a band
    ChangeTracker changes_;
};

// After a frame: when the field reads only part of PicDesk from now on (deskStillRead), copies that part of `desk`
// into `part` and hands it to the field, so the window may free PicDesk. False before the first frame, when there is
// nothing to cut yet; `part` must outlive the field's frames.
bool cutDeskInto(SnowField& field, const ConstSurface& desk, std::vector<Pixel>& part);

}  // namespace nivora
