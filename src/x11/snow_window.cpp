// The snow window on X11: finding or making the window, the desktop picture, the monitors' pictures, the session's
// frames sent to the server, and the server's events.
#include "snow_window.h"

#include <poll.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "event_loop.h"
#include "frame_hold.h"
#include "x11_main.h"
#include "x_errors.h"

namespace nivora::x11 {

namespace {

constexpr int kOwnWidth = 1280;  // the own window when it does not cover the whole screen
constexpr int kOwnHeight = 720;

constexpr long kEvents = ExposureMask | StructureNotifyMask | VisibilityChangeMask;

// The window manager's virtual root, where it keeps one over the real root (as vroot.h finds it), else the root.
// Any client may set __SWM_VROOT: a window it names that does not exist is said and passed over.
Window virtualRoot(Display* display, Window root)
{
    const Atom swmVroot = XInternAtom(display, "__SWM_VROOT", False);
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = root;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && found == root; ++i) {
            Atom type = None;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, children[i], swmVroot, 0, 1, False, XA_WINDOW, &type, &format, &items,
                                   &after, &data) == Success &&
                type == XA_WINDOW && items == 1 && data)
                found = *reinterpret_cast<Window*>(data);
            if (data)
                XFree(data);
        }
        if (children)
            XFree(children);
    }
    if (found != root) {
        const ErrorTrap trap(display);
        XWindowAttributes attributes{};
        const Status exists = XGetWindowAttributes(display, found, &attributes);
        if (!trap.passed() || !exists) {
            std::fprintf(stderr,
                         "nivora: __SWM_VROOT names window 0x%lx, which does not exist; drawing on the root "
                         "window\n",
                         found);
            found = root;
        }
    }
    return found;
}

// The monitors XRandR reports, in root coordinates; none on a server without the extension, asked first so that
// Xlib prints nothing of its own.
std::vector<ListedMonitor> randrMonitors(Display* display, Window root)
{
    std::vector<ListedMonitor> found;
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase))
        return found;
    int count = 0;
    XRRMonitorInfo* list = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; i < count; ++i)
        found.push_back(
            {{list[i].x, list[i].y, list[i].x + list[i].width, list[i].y + list[i].height}, list[i].primary != 0});
    if (list)
        XRRFreeMonitors(list);
    return found;
}

// The display, closed however the run ends.
struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// What desktops expect of a top-level window: its process, for "end the program"; its host, which makes the pid
// meaningful; its class, for rules and docks; its icon name.
void describeOwnWindow(Display* display, Window window)
{
    XStoreName(display, window, "Nivora");
    XSetIconName(display, window, "Nivora");
    XClassHint hint{const_cast<char*>("nivora"), const_cast<char*>("Nivora")};
    XSetClassHint(display, window, &hint);
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) {
        char* hostText = host;
        XTextProperty machine{};
        if (XStringListToTextProperty(&hostText, 1, &machine)) {
            XSetWMClientMachine(display, window, &machine);
            XFree(machine.value);
        }
    }
    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

}  // namespace

int runSnow(const LinuxOptions& options, int stopFd)
{
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "nivora: cannot open display %s\n", quotedForTerminal(XDisplayName(nullptr)).c_str());
        return 1;
    }
    installErrorHandlers();
    SnowWindow window(display.get(), options, stopFd);
    return window.InitData() ? window.run() : 1;
}

double displayDpi(Display* display)
{
    double dpi = 96;
    XrmInitialize();
    if (const char* resources = XResourceManagerString(display)) {
        const XrmDatabase database = XrmGetStringDatabase(resources);
        char* type = nullptr;
        XrmValue value{};
        if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
            const double read = std::atof(value.addr);
            if (read >= 24 && read <= 960)  // anything else is a typing error, not a screen
                dpi = read;
        }
        XrmDestroyDatabase(database);
    }
    return dpi;
}

SnowWindow::SnowWindow(Display* display, LinuxOptions options, int stopFd)
    : display_(display), options_(std::move(options)), stopFd_(stopFd)
{}

SnowWindow::~SnowWindow()
{
    monitors_.clear();  // the shared pictures leave the server before the window does
    if (gc_)
        XFreeGC(display_, gc_);
    if (ownWindow_ && window_)
        XDestroyWindow(display_, window_);
    // The root keeps the last frame until something paints it: cleared with exposures, the background comes back
    // and the windows on it paint themselves again.
    if (options_.target == DrawTarget::Root && window_)
        XClearArea(display_, window_, 0, 0, 0, 0, True);
    XSync(display_, False);
}

bool SnowWindow::InitData()
{
    if (!findTarget())
        return false;
    dpi_ = displayDpi(display_);
    if (!buildSession())
        return false;
    if (SnowSession::wantsDesktop(options_.settings))
        takeDesktop();  // at brightness 0 nothing of the desktop is shown: it is not taken either
    if (ended_)
        return true;  // told to end, or the window went, while the helper ran: no frame is made
    program::warnWithoutFont(faces_, options_.settings);
    for (size_t i = 0; i < monitors_.size(); ++i)
        if (!buildPictures(i))
            return false;
    program::applyTestSeams(*session_);
    if (ownWindow_)
        XMapRaised(display_, window_);
    return true;
}

bool SnowWindow::findTarget()
{
    root_ = DefaultRootWindow(display_);
    const int screen = DefaultScreen(display_);
    switch (options_.target) {
    case DrawTarget::Window: {
        window_ = options_.windowId;
        XWindowAttributes attributes{};
        const ErrorTrap trap(display_);
        const Status found = XGetWindowAttributes(display_, window_, &attributes);
        if (!trap.passed() || !found) {
            std::fprintf(stderr, "nivora: there is no window 0x%lx on display %s\n", window_, DisplayString(display_));
            return false;
        }
        if (attributes.c_class == InputOnly) {
            std::fprintf(stderr, "nivora: window 0x%lx is InputOnly: nothing can be drawn in it\n", window_);
            return false;
        }
        root_ = attributes.root;
        endQuietlyWhenGone(window_);
        break;
    }
    case DrawTarget::Root:
        window_ = virtualRoot(display_, root_);
        break;
    case DrawTarget::OwnWindow: {
        ownWindow_ = true;
        const int width = options_.fullscreen ? DisplayWidth(display_, screen) : kOwnWidth;
        const int height = options_.fullscreen ? DisplayHeight(display_, screen) : kOwnHeight;
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(display_, screen);
        attributes.event_mask = kEvents | KeyPressMask;
        window_ = XCreateWindow(display_, root_, 0, 0, unsigned(width), unsigned(height), 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        describeOwnWindow(display_, window_);
        wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &wmDeleteWindow_, 1);
        if (options_.fullscreen) {
            const Atom fullscreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
            XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&fullscreen), 1);
        }
        mapped_ = false;  // until the server maps it
        break;
    }
    }

    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    width_ = attributes.width;
    height_ = attributes.height;
    if (!ownWindow_) {
        mapped_ = attributes.map_state == IsViewable;
        XSelectInput(display_, window_, kEvents);
    }
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(display_, VisualIDMask, &wanted, &count);
    if (info && count > 0)
        visual_ = info[0];
    if (info)
        XFree(info);
    if (!takesCorePixels(visual_)) {
        std::fprintf(stderr, "nivora: window 0x%lx is not 24-bit true colour, which the snow needs\n", window_);
        return false;
    }
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    return true;
}

Rect SnowWindow::windowInRoot() const
{
    int x = 0, y = 0;
    Window child = 0;
    if (window_ != root_)
        XTranslateCoordinates(display_, window_, root_, 0, 0, &x, &y, &child);
    return {x, y, x + width_, y + height_};
}

void SnowWindow::takeDesktop()
{
    if (options_.target == DrawTarget::Window) {
        HelperImage image = imageFromHelper(display_, window_, windowInRoot(), stopFd_);
        desktop_ = std::move(image.picture);
        switch (image.outcome) {
        case HelperOutcome::Picture:
        case HelperOutcome::NotChosen:  // the user's choice: a dark background, said nowhere
            break;
        case HelperOutcome::Failed:
            std::fprintf(stderr, "nivora: xscreensaver-getimage gave no picture of the desktop; the snow falls over "
                                 "a dark background\n");
            break;
        case HelperOutcome::TimedOut:
            std::fprintf(stderr,
                         "nivora: xscreensaver-getimage gave no picture within %d s; the snow falls over a "
                         "dark background\n",
                         int(kHelperTime.count()));
            break;
        case HelperOutcome::Stopped:
        case HelperOutcome::WindowGone:
            ended_ = true;
            break;
        }
        return;
    }
    // Standalone and on the root: the screen as it is before the first frame.
    const Rect screen{0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                      DisplayHeight(display_, DefaultScreen(display_))};
    desktop_ = captureScreen(display_, root_, screen);
    if (!desktop_)
        std::fprintf(stderr, "nivora: the screen could not be read; the snow falls over a dark background\n");
}

// The screens of the monitors the window shows, at X11's one scale for the whole display (Xft.dpi), and the session
// over them: made once, reshaped when the window changes size (the same generator, the wind as it blows, the
// clocks).
bool SnowWindow::buildSession()
{
    std::optional<std::vector<SnowScreen>> screens = snowScreensInWindow(windowInRoot(), randrMonitors(display_, root_),
                                                                         displayScaleOfDpi(dpi_));
    if (!screens) {
        std::fprintf(stderr, "nivora: the window (%d x %d) is too large or too small for the snow\n", width_, height_);
        return false;
    }
    program::buildSession(session_, options_, std::move(*screens), window_);
    monitors_.clear();
    monitors_.resize(session_->screenCount());
    return true;
}

bool SnowWindow::buildPictures(size_t i)
{
    MonitorPictures& m = monitors_[i];
    const SnowScreen& screen = session_->screen(i);
    const int32_t width = screen.area.drawWidth, height = screen.area.drawHeight;
    const int32_t pictureWidth = session_->pictureWidth(i), pictureHeight = session_->pictureHeight(i);

    m.picMain = std::make_unique<SharedPicture>(display_, visual_.visual, visual_.depth, pictureWidth, pictureHeight,
                                                shared_);
    if (!m.picMain->valid()) {
        std::fprintf(stderr, "nivora: no memory for a picture of %d x %d\n", pictureWidth, pictureHeight);
        return false;
    }
    shared_ = m.picMain->shared();

    // The desktop as this monitor shows it; what the picture does not cover stays black.
    std::vector<Pixel> shown;
    if (desktop_) {
        shown.assign(size_t(width) * size_t(height), kBlackPixel);
        desktop_->copyTo(program::surfaceOf(shown, width, height), screen.bounds);
    }
    m.kept.attach(*session_, i, m.picMain->surface(),
                  shown.empty() ? ConstSurface{} : program::surfaceOf(shown, width, height), faces_, dpi_);
    return true;
}

bool SnowWindow::build()
{
    if (!buildSession())
        return false;
    for (size_t i = 0; i < monitors_.size(); ++i)
        if (!buildPictures(i))
            return false;
    return true;
}

// The desks let go first, then the frame, as the session asks.
void SnowWindow::carryOut(const SessionStep& step)
{
    for (const size_t i : step.releasedDesks)
        monitors_[i].kept.releaseDesk();
    if (!step.drawn)
        return;
    for (size_t i = 0; i < monitors_.size(); ++i)
        present(i, session_->presentation(i).rects);
    // The server reads shared pictures when it handles the requests: it must be done before the next frame draws
    // into them. Pictures sent with XPutImage are copies: flushing is enough.
    if (shared_)
        XSync(display_, False);
    else
        XFlush(display_);
    if (step.held)
        announceHeld(display_, window_, session_->frameCount());
}

void SnowWindow::present(size_t i, std::span<const Rect> rects) const
{
    const SnowScreen& screen = session_->screen(i);
    if (visible())
        monitors_[i].picMain->put(window_, gc_, screen.windowX, screen.windowY, rects);
}

void SnowWindow::repaint(const Rect& exposed) const
{
    for (size_t i = 0; i < monitors_.size(); ++i) {
        const SnowScreen& screen = session_->screen(i);
        const Rect shown{screen.windowX, screen.windowY, screen.windowX + screen.area.drawWidth,
                         screen.windowY + screen.area.drawHeight};
        const Rect r = clipRect(shown, exposed);
        if (isEmpty(r))
            continue;
        const Rect inPicture{r.left - shown.left, r.top - shown.top, r.right - shown.left, r.bottom - shown.top};
        monitors_[i].picMain->put(window_, gc_, shown.left, shown.top, {&inPicture, 1});
    }
}

// Nobody sees the snow: no frame is made, and the clocks keep what was left of their waits.
void SnowWindow::updateVisibility()
{
    const int64_t now = program::clockNow();
    const PauseChange change = visible() ? session_->resume(PauseReason::Hidden, now)
                                         : session_->pause(PauseReason::Hidden, now);
    if (change == PauseChange::Resume)
        repaint({0, 0, width_, height_});
}

void SnowWindow::handle(const XEvent& event)
{
    switch (event.type) {
    case Expose:
        if (visible())
            repaint({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                     event.xexpose.y + event.xexpose.height});
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_ &&
            (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
            // A new size: new monitors' pictures and fields, over the desktop picture taken at the start.
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            if (!build()) {
                ended_ = true;
                status_ = 1;
            } else if (visible())
                repaint({0, 0, width_, height_});
        }
        break;
    case MapNotify:
        mapped_ = true;
        updateVisibility();
        break;
    case UnmapNotify:
        mapped_ = false;
        updateVisibility();
        break;
    case VisibilityNotify:
        obscured_ = event.xvisibility.state == VisibilityFullyObscured;
        updateVisibility();
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_) {
            if (ownWindow_)
                window_ = 0;
            ended_ = true;
        }
        break;
    case KeyPress: {
        const KeySym key = XLookupKeysym(const_cast<XKeyEvent*>(&event.xkey), 0);
        if (ownWindow_ && (key == XK_Escape || key == XK_q || key == XK_Q))
            ended_ = true;
        break;
    }
    case ClientMessage:
        if (ownWindow_ && event.xclient.format == 32 && Atom(event.xclient.data.l[0]) == wmDeleteWindow_)
            ended_ = true;
        break;
    default:
        break;
    }
}

int SnowWindow::run()
{
    if (ended_)
        return status_;
    const int64_t start = program::clockNow();
    if (!visible())
        session_->pause(PauseReason::Hidden, start);
    carryOut(session_->start(start));  // the first frame at once, as the window is shown

    const int connection = ConnectionNumber(display_);
    while (!ended_) {
        while (!ended_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            handle(event);
        }
        if (ended_)
            break;
        carryOut(session_->run(program::clockNow()));
        // Flushes, and takes in what the server has sent meanwhile (read while syncing, or arrived since): an event
        // left in Xlib's buffers would not wake the wait, and while paused nothing else would.
        if (XPending(display_) > 0)
            continue;
        if (program::waitFor(connection, POLLIN, stopFd_, session_->waitFrom(program::clockNow())).stop)
            ended_ = true;
    }
    return status_;
}

}  // namespace nivora::x11
