// wl_output's and xdg-output's events gathered until their done event, as one description of the output.
#include "output.h"

namespace nivora::wayland {

Rect OutputInfo::logicalBounds() const
{
    int32_t width = logicalWidth, height = logicalHeight;
    if (width <= 0 || height <= 0) {  // no xdg-output: the mode at the integer scale
        width = pixelWidth() / scale;
        height = pixelHeight() / scale;
    }
    return {x, y, x + width, y + height};
}

int32_t OutputInfo::pixelWidth() const
{
    return swapsSides(OutputTransform(transform)) ? modeHeight : modeWidth;
}

int32_t OutputInfo::pixelHeight() const
{
    return swapsSides(OutputTransform(transform)) ? modeWidth : modeHeight;
}

namespace {

void onGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t transform);
void onMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t);
void onOutputDone(void* data, wl_output*);
void onScale(void* data, wl_output*, int32_t factor);

void onLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y);
void onLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height);
void onXdgDone(void* data, zxdg_output_v1*);
void onXdgName(void*, zxdg_output_v1*, const char*) {}
void onXdgDescription(void*, zxdg_output_v1*, const char*) {}

}  // namespace

// The listeners reach the output's private state through these friends of the file.
struct OutputEvents {
    static OutputInfo& pending(void* data) { return static_cast<Output*>(data)->pending_; }
    static void done(void* data) { static_cast<Output*>(data)->onDone(); }
};

namespace {

void onGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t transform)
{
    OutputInfo& p = OutputEvents::pending(data);
    if (!p.placedByXdgOutput) {  // xdg-output's position, where known, is the layout's
        p.x = x;
        p.y = y;
    }
    // A value beyond the eight would turn nothing the right way: the output is taken as it scans.
    p.transform = isOutputTransform(transform) ? transform : WL_OUTPUT_TRANSFORM_NORMAL;
}
void onMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        OutputInfo& p = OutputEvents::pending(data);
        p.modeWidth = width;
        p.modeHeight = height;
    }
}
void onOutputDone(void* data, wl_output*)
{
    OutputEvents::done(data);
}
void onScale(void* data, wl_output*, int32_t factor)
{
    OutputEvents::pending(data).scale = factor > 0 ? factor : 1;
}
// Before version 3 xdg-output ends its own descriptions, which may come after wl_output's.
void onXdgDone(void* data, zxdg_output_v1*)
{
    OutputEvents::done(data);
}
void onLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    OutputInfo& p = OutputEvents::pending(data);
    p.x = x;
    p.y = y;
    p.placedByXdgOutput = true;
}
void onLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    OutputInfo& p = OutputEvents::pending(data);
    p.logicalWidth = width;
    p.logicalHeight = height;
}

}  // namespace

// Bound at version 3 at most: the name and description of version 4 never come.
const wl_output_listener Output::kOutputListener = {&onGeometry, &onMode, &onOutputDone, &onScale, nullptr, nullptr};
const zxdg_output_v1_listener Output::kXdgListener = {&onLogicalPosition, &onLogicalSize, &onXdgDone, &onXdgName,
                                                      &onXdgDescription};

Output::Output(wl_output* output, uint32_t name, const Globals& globals) : output_(output), name_(name)
{
    wl_output_add_listener(output_, &kOutputListener, this);
    if (globals.xdgOutputs) {
        xdgOutput_ = zxdg_output_manager_v1_get_xdg_output(globals.xdgOutputs, output_);
        zxdg_output_v1_add_listener(xdgOutput_, &kXdgListener, this);
    }
}

Output::~Output()
{
    if (xdgOutput_)
        zxdg_output_v1_destroy(xdgOutput_);
    if (wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output_);
    else
        wl_output_destroy(output_);
}

void Output::onDone()
{
    // A description that says again what was said changes nothing (compositors repeat it, for one when a display
    // is switched off or on).
    if (settled_ && !(pending_ == done_))
        changed_ = true;
    done_ = pending_;
    described_ = true;
}

}  // namespace nivora::wayland
