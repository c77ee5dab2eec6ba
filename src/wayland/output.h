// One output of the compositor as nivora sees it: its mode, integer scale and place in the layout (from xdg-output
// where offered, else from wl_output's geometry), and whether any of it changed after the snow was built on it.
#pragma once

#include <wayland-client.h>

#include <cstdint>

#include "core/base/output_transform.h"
#include "core/snow/snow_changes.h"
#include "globals.h"

namespace nivora::wayland {

struct OutputInfo {
    int32_t modeWidth = 0;  // pixels of the current mode
    int32_t modeHeight = 0;
    int32_t scale = 1;  // wl_output's integer scale
    int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    int32_t x = 0;  // the layout's logical coordinates
    int32_t y = 0;
    int32_t logicalWidth = 0;  // 0 until xdg-output tells
    int32_t logicalHeight = 0;
    bool placedByXdgOutput = false;
    friend bool operator==(const OutputInfo&, const OutputInfo&) = default;

    // Its place in the layout, in logical pixels.
    Rect logicalBounds() const;
    // Its pixels as the layout shows them: the mode turned by the transform.
    int32_t pixelWidth() const;
    int32_t pixelHeight() const;
};

class Output {
public:
    Output(wl_output* output, uint32_t name, const Globals& globals);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    wl_output* get() const { return output_; }
    uint32_t name() const { return name_; }
    // What the output said by its last done event.
    const OutputInfo& info() const { return done_; }
    bool described() const { return described_; }
    // From now on a change of what the output says is a change of the outputs.
    void settle() { settled_ = true; }
    bool changed() const { return changed_; }

private:
    friend struct OutputEvents;
    static const wl_output_listener kOutputListener;
    static const zxdg_output_v1_listener kXdgListener;
    void onDone();

    wl_output* output_;
    uint32_t name_;
    zxdg_output_v1* xdgOutput_ = nullptr;
    OutputInfo pending_;
    OutputInfo done_;
    bool described_ = false;
    bool settled_ = false;
    bool changed_ = false;
};

}  // namespace nivora::wayland
