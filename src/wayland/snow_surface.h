// The snow on one output: a surface over the whole output (on the layer shell's overlay layer, else a full-screen
// window: surface_role.h), its pictures at the output's scale, and the buffers that show them. The compositor paces it
// with frame callbacks: while the last frame shown has not been called back, what changes waits, gathered, for the next
// one.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/snow/snow_session.h"
#include "globals.h"
#include "output.h"
#include "message_faces.h"
#include "screencopy.h"
#include "shm_buffers.h"
#include "snow_pictures.h"
#include "surface_role.h"

namespace nivora::wayland {

class SnowSurface final : RoleEvents {
public:
    SnowSurface(const Globals& globals, const RolePlace& place);
    ~SnowSurface() override;
    SnowSurface(const SnowSurface&) = delete;
    SnowSurface& operator=(const SnowSurface&) = delete;

    wl_surface* surface() const { return surface_; }
    const SurfaceRole& role() const { return *role_; }
    // The compositor has told the surface's size.
    bool configured() const { return width_ > 0 && height_ > 0; }
    // The compositor closed the surface: the saver ends.
    bool closed() const { return closed_; }
    // The compositor resized it after it was built: the saver ends.
    bool resized() const { return resized_; }
    // The preferred fractional scale is not the one the surface was built at (compositors tell it once the surface
    // is shown on the output, and KWin tells one before and another after): it must be built again.
    bool rescaled() const { return rescaled_; }

    // Whether an output of width x height pixels has room for its buffers in the compositor's shared memory; when
    // not, says so in one line.
    static bool buffersFit(int64_t width, int64_t height);

    // The output as the snow sees it: its buffer's pixels and their scale. That is the logical size at the
    // preferred fractional scale where one is known; else the output's own pixels where its integer scale does not
    // give them (a fractional scale the compositor cannot tell, as sway 1.7's 1.5 told as 2) and `viewporter`
    // can show them at the logical size; else the logical size at the integer scale. Nothing when the size is
    // beyond a drawing area, said in one line.
    std::optional<ListedMonitor> monitor(const OutputInfo& output, wp_viewporter* viewporter);

    // Makes screen `i`'s pictures for `session`, over the output's `desktop` (none: black) and with the message
    // printed, and the buffers. False, with one line said, when there is no memory for them.
    bool attach(SnowSession& session, size_t i, const OutputPicture* desktop, program::MessageFaces& faces);
    // PicDesk is read no more: a whole output of pixels less.
    void releaseDesk() { kept_.releaseDesk(); }

    // What the last frame changed, to be shown with the next present.
    void changed(const Presentation& presentation);
    // Shows what changed since the last frame shown (the whole picture below full opacity, as the fade blends it)
    // and asks to be called back, unless the last one has not been called back yet or every buffer is held.
    void present(uint8_t opacity);
    // The last frame shown has not been called back: the compositor has not shown it yet, or shows nothing now.
    bool waitingForFrame() const { return frameCallback_ != nullptr; }
    // Changes wait to be shown.
    bool unshown() const { return unshownWhole_ || !unshown_.empty(); }

private:
    static const wl_callback_listener kFrameListener;
    static const wp_fractional_scale_v1_listener kFractionalListener;
    void roleConfigured(int32_t width, int32_t height) override;
    void roleClosed() override;
    static void onFrameDone(void* data, wl_callback*, uint32_t);
    static void onPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale);

    wl_surface* surface_ = nullptr;
    std::unique_ptr<SurfaceRole> role_;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frameCallback_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    int32_t width_ = 0;  // logical, as configured
    int32_t height_ = 0;
    uint32_t preferredScale_ = 0;  // in 120ths, where fractional scales are offered
    int32_t integerScale_ = 1;
    bool built_ = false;
    bool closed_ = false;
    bool resized_ = false;
    bool rescaled_ = false;
    uint32_t builtScale_ = 0;  // the preferred fractional scale built at, in 120ths; 0 before one was known
    bool blending_ = false;    // the fade's buffers are shown: no longer opaque

    int32_t drawWidth_ = 0;
    int32_t drawHeight_ = 0;
    int32_t stride_ = 0;            // picMain's row, margin included
    std::vector<Pixel> picMain_;    // what is seen; the buffers take what changed of it
    program::ScreenPictures kept_;  // PicDesk, until the session lets go of it
    std::vector<Rect> unshown_;     // what changed since the last buffer was committed
    bool unshownWhole_ = true;
    std::unique_ptr<ShmBuffers> buffers_;  // made anew with each build
};

}  // namespace nivora::wayland
