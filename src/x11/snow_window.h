// The snow on X11: one window (its own, the root or XScreenSaver's), the pictures of each monitor it covers, the snow
// session that fills them, and what the X server tells it.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "core/snow/snow_screens.h"
#include "core/snow/snow_session.h"
#include "desktop_picture.h"
#include "message_faces.h"
#include "shared_picture.h"
#include "snow_pictures.h"

namespace nivora::x11 {

class SnowWindow {
public:
    // `stopFd` becomes readable when the program is told to end (SIGTERM, SIGINT).
    SnowWindow(Display* display, LinuxOptions options, int stopFd);
    ~SnowWindow();
    SnowWindow(const SnowWindow&) = delete;
    SnowWindow& operator=(const SnowWindow&) = delete;

    // Finds or makes the window, takes the desktop picture and builds the snow; prints one line and returns false
    // when it cannot.
    bool InitData();
    // Frames and events until the window is closed, the program is told to end or the window goes away; the exit
    // status.
    int run();

private:
    // One monitor's pictures, for the session's screen of the same index.
    struct MonitorPictures {
        std::unique_ptr<SharedPicture> picMain;  // what is seen
        program::ScreenPictures kept;            // PicDesk, until the session lets go
    };

    bool findTarget();
    void takeDesktop();
    Rect windowInRoot() const;
    bool buildSession();
    bool buildPictures(size_t i);
    bool build();
    void carryOut(const SessionStep& step);
    void present(size_t i, std::span<const Rect> rects) const;
    void repaint(const Rect& exposed) const;
    void handle(const XEvent& event);
    void updateVisibility();
    bool visible() const { return mapped_ && !obscured_; }

    Display* display_;
    LinuxOptions options_;
    int stopFd_;
    Window root_ = 0;
    Window window_ = 0;  // where the snow is drawn
    bool ownWindow_ = false;
    XVisualInfo visual_{};
    GC gc_ = nullptr;
    Atom wmDeleteWindow_ = 0;
    int width_ = 0;
    int height_ = 0;
    double dpi_ = 96;
    bool shared_ = true;  // MIT-SHM until the server refuses it

    std::optional<DesktopPicture> desktop_;
    program::MessageFaces faces_;
    std::optional<SnowSession> session_;
    std::vector<MonitorPictures> monitors_;
    bool mapped_ = true;
    bool obscured_ = false;
    bool ended_ = false;
    int status_ = 0;  // of the program once the loop ends
};

// The display's resolution for text: the Xft.dpi resource, else 96.
double displayDpi(Display* display);

}  // namespace nivora::x11
