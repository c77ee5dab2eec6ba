// nivora on X11, driven as XScreenSaver and a user drive it: into a window made here over a drawn picture, on the
// root window, as a window of its own, with bad options, and stopped by signals. Frames are compared pixel for
// pixel with the core's frames of the same seed. NIVORA_BIN names the folder of nivora and nivora_test; DISPLAY is
// a display of the tests' own.
// GoogleTest first: Xlib defines None, a name GoogleTest uses.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "core/snow/snow_field.h"
#include "desktop_picture.h"
#include "message_faces.h"
#include "snow_window.h"
#include "x_errors.h"

extern char** environ;

namespace nivora::x11 {
namespace {

using child_process::bin;
using program::MessageFaces;
using child_process::Child;
using child_process::Clock;
using child_process::eventually;
using child_process::holdsFor;
using child_process::start;

// The picture under the snow: a gradient with a few blocks of flat colour, every pixel known.
Pixel drawnPixel(int x, int y)
{
    if (x >= 20 && x < 120 && y >= 20 && y < 80)
        return 0x00C08040u;
    if (x >= 300 && x < 420 && y >= 40 && y < 140)
        return 0x00FFFFFFu;
    return Pixel(uint32_t(x * 255 / 639) << 16 | uint32_t(y * 255 / 479) << 8 | 0x60u);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    Pixel at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// An unmapped window has no pixels to read: an empty picture then, not the end of the tests.
Picture readDrawable(Display* d, Drawable drawable, int width, int height)
{
    const ErrorTrap trap(d);
    XImage* image = XGetImage(d, drawable, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    Picture p{width, height, {}};
    if (image) {
        p.pixels = corePixels(image);
        XDestroyImage(image);
    }
    return p;
}

void writePpm(const std::string& name, const Picture& p)
{
    const std::string folder = NIVORA_OUTPUT_DIR;
    std::system(("mkdir -p '" + folder + "'").c_str());
    std::ofstream out(folder + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    for (const Pixel px : p.pixels)
        out << char(px >> 16) << char(px >> 8) << char(px);
}

// Shared-memory segments that `pid` made and that still exist.
int segmentsOf(pid_t pid)
{
    std::ifstream list("/proc/sysvipc/shm");
    std::string line;
    std::getline(list, line);  // the heading
    int count = 0;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        long key = 0, id = 0, perms = 0, size = 0, cpid = 0;
        fields >> key >> id >> perms >> size >> cpid;
        count += cpid == pid;
    }
    return count;
}

SnowSettings testSettings()
{
    SnowSettings s;
    s.precipitation = 4;
    s.velocity = 8;  // the option; nivora turns it into the wind of 10 pixels a frame
    s.direction = false;
    s.blightness = 2;
    s.messageText = u"Snow 雪";
    return s;
}

const std::vector<std::string> kTestOptions{"-seed",      "7",     "-precipitation", "4",        "-velocity", "8",
                                            "-direction", "fixed", "-brightness",    "2",        "-message",  "Snow 雪"};

class X11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr) << "no display: run through scripts/x11_test.sh";
        root = DefaultRootWindow(d);
    }
    void TearDown() override
    {
        if (d)
            XCloseDisplay(d);
    }

    // An override-redirect window at (x, y) showing the drawn picture's part there, mapped.
    Window pictureWindow(int x, int y, int width, int height)
    {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = BlackPixel(d, DefaultScreen(d));
        const Window w = XCreateWindow(d, root, x, y, unsigned(width), unsigned(height), 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
        const Pixmap pixmap = picturePixmap(x, y, width, height);
        XSetWindowBackgroundPixmap(d, w, pixmap);
        XFreePixmap(d, pixmap);
        XSelectInput(d, w, StructureNotifyMask);
        XMapRaised(d, w);
        XEvent e;
        XWindowEvent(d, w, StructureNotifyMask, &e);
        while (e.type != MapNotify)
            XWindowEvent(d, w, StructureNotifyMask, &e);
        XSync(d, False);
        return w;
    }

    Pixmap picturePixmap(int x, int y, int width, int height)
    {
        const Pixmap pixmap = XCreatePixmap(d, root, unsigned(width), unsigned(height), 24);
        std::vector<Pixel> pixels(size_t(width) * size_t(height));
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                pixels[size_t(row) * size_t(width) + size_t(column)] = drawnPixel(x + column, y + row);
        XImage* image = XCreateImage(d, DefaultVisual(d, DefaultScreen(d)), 24, ZPixmap, 0,
                                     reinterpret_cast<char*>(pixels.data()), unsigned(width), unsigned(height), 32,
                                     width * 4);
        image->byte_order = LSBFirst;
        const GC gc = XCreateGC(d, pixmap, 0, nullptr);
        XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height));
        XFreeGC(d, gc);
        image->data = nullptr;
        XDestroyImage(image);
        return pixmap;
    }

    // The window of the -window-id tests, at (kX, kY) over the picture, with no frames held yet.
    static constexpr int kX = 80, kY = 60, kWidth = 480, kHeight = 360;
    Window targetOverPicture()
    {
        pictureWindow(0, 0, 640, 480);
        const Window target = pictureWindow(kX, kY, kWidth, kHeight);
        XDeleteProperty(d, target, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
        XSync(d, False);
        return target;
    }

    // The test build drawing into `target` with the test options and these environment variables.
    // `more` options follow the test options and win over them.
    std::unique_ptr<Child> startOn(Window target, const std::vector<std::string>& environment,
                                   const std::vector<std::string>& more = {})
    {
        std::vector<std::string> options{"-window-id", std::to_string(target)};
        options.insert(options.end(), kTestOptions.begin(), kTestOptions.end());
        options.insert(options.end(), more.begin(), more.end());
        return start(bin("nivora_test"), options, environment);
    }

    std::optional<unsigned long> heldFrames(Window w)
    {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::optional<unsigned long> frames;
        if (XGetWindowProperty(d, w, XInternAtom(d, "_NIVORA_HELD_FRAMES", False), 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &after, &data) == Success &&
            type == XA_CARDINAL && items == 1)
            frames = *reinterpret_cast<unsigned long*>(data);
        if (data)
            XFree(data);
        return frames;
    }

    // The core's frame `frames` of a window of this size over the picture at (x, y), the snow and the message at
    // `dpi`, 96 where the display sets no Xft.dpi: what nivora must show.
    Picture coreFrame(const SnowSettings& settings, uint64_t seed, int x, int y, int width, int height, int frames,
                      double dpi = 96)
    {
        const auto w = int16_t(width), h = int16_t(height);
        std::vector<Pixel> main(size_t(width + 10) * size_t(height + 10)), desk(main.size()),
            text(size_t(width) * size_t(height));
        const uint8_t alpha = brightnessAlpha(settings.blightness).value_or(0);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                desk[size_t(row) * size_t(width + 10) + size_t(column)] =
                    alpha ? blendOverBlack(drawnPixel(x + column, y + row), alpha) : kBlackPixel;
        MessageFaces faces;
        faces.print({text.data(), width, height, width}, settings.messageText, dpi);
        Random random(seed);
        SnowField field;
        field.InitData(settings, {w, h, SnowMode::FullScreen, 1.0f, displayScaleOfDpi(dpi)}, random);
        field.attachSurfaces({{main.data(), width + 10, height + 10, width + 10},
                              {desk.data(), width + 10, height + 10, width + 10},
                              {text.data(), width, height, width}});
        for (int i = 0; i < frames; ++i)
            field.DrawSnow();
        Picture p{width, height, {}};
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                p.pixels.push_back(main[size_t(row) * size_t(width + 10) + size_t(column)] & 0x00FFFFFFu);
        return p;
    }

    // Whether `shown` is `expected` pixel for pixel; pictures of both are left behind when not.
    ::testing::AssertionResult samePictures(const std::string& name, const Picture& shown, const Picture& expected)
    {
        if (shown.pixels.size() != expected.pixels.size())
            return ::testing::AssertionFailure() << "no picture read";
        size_t differ = 0, first = 0;
        for (size_t i = 0; i < shown.pixels.size(); ++i)
            if (shown.pixels[i] != expected.pixels[i] && differ++ == 0)
                first = i;
        if (differ == 0)
            return ::testing::AssertionSuccess();
        writePpm(name + "-shown", shown);
        writePpm(name + "-expected", expected);
        return ::testing::AssertionFailure()
               << differ << " pixels differ, the first at (" << first % size_t(shown.width) << ", "
               << first / size_t(shown.width) << "): " << std::hex << shown.pixels[first] << " instead of "
               << expected.pixels[first] << "; see " << NIVORA_OUTPUT_DIR << "/" << name << "-*.ppm";
    }

    Display* d = nullptr;
    Window root = 0;
};

TEST_F(X11Test, WindowIdFramesAreTheCoresFramesOverTheDimmedPicture)
{
    const int x = 80, y = 60, width = 480, height = 360;
    pictureWindow(0, 0, 640, 480);
    const Window target = pictureWindow(x, y, width, height);

    std::vector<Picture> shownFrames;
    for (const int frames : {40, 160}) {
        XDeleteProperty(d, target, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
        XSync(d, False);
        std::vector<std::string> options{"-window-id", std::to_string(target)};
        options.insert(options.end(), kTestOptions.begin(), kTestOptions.end());
        auto nivora = start(bin("nivora_test"), options, {"NIVORA_HOLD_AFTER_FRAMES=" + std::to_string(frames)});
        ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }));
        ASSERT_TRUE(nivora->running()) << nivora->err;
        EXPECT_EQ(heldFrames(target), static_cast<unsigned long>(frames));

        const Picture shown = readDrawable(d, target, width, height);
        const Picture expected = coreFrame(testSettings(), 7, x, y, width, height, frames);
        EXPECT_TRUE(samePictures("window-id-" + std::to_string(frames), shown, expected)) << nivora->err;
        // The flat block of RGB(192, 128, 64) dimmed at alpha 127, where no flake is.
        for (const auto& [px, py] : {std::pair{0, 0}, {39, 19}, {10, 5}}) {
            if (expected.at(px, py) == blendOverBlack(0x00C08040u, 127)) {
                EXPECT_EQ(shown.at(px, py), 0x00604020u) << px << ", " << py;
            }
        }
        shownFrames.push_back(shown);
        // Painted over (the window's own background comes back), it paints the held frame again on Expose.
        XClearArea(d, target, 0, 0, 0, 0, True);
        XSync(d, False);
        EXPECT_TRUE(eventually([&] { return readDrawable(d, target, width, height).pixels == expected.pixels; }));
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");  // xscreensaver-getimage gave the desktop
    }
    // Flakes move between the two frames, and by the later one snow has settled on the message: its pixels hold
    // flake greys where the dimmed picture has none.
    EXPECT_NE(shownFrames[0].pixels, shownFrames[1].pixels);
    const Picture later = coreFrame(testSettings(), 7, x, y, width, height, 160);
    Random random(7);
    SnowField field;
    field.InitData(testSettings(), {int16_t(width), int16_t(height), SnowMode::FullScreen, 1.0f}, random);
    std::vector<Pixel> text(size_t(width) * size_t(height));
    MessageFaces faces;
    ASSERT_TRUE(faces.print({text.data(), width, height, width}, u"Snow 雪", 96));
    size_t messagePixels = 0, snowOnMessage = 0;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (text[size_t(py) * size_t(width) + size_t(px)] == kWhitePixel) {
                ++messagePixels;
                snowOnMessage += shownFrames[1].at(px, py) != blendOverBlack(drawnPixel(x + px, y + py), 127);
            }
    EXPECT_GT(messagePixels, 500u);
    EXPECT_GT(snowOnMessage, 20u) << "of " << messagePixels << " message pixels";
}

// A display whose Xft.dpi is 144 (150 %) gets the core's snow at scale 1.5: flakes and their motion half as large
// again, the message at 48 points at 144 dpi.
TEST_F(X11Test, AtXftDpi144TheFramesAreTheCoresFramesAtScaleOneAndAHalf)
{
    const Window target = targetOverPicture();
    const Atom resources = XInternAtom(d, "RESOURCE_MANAGER", False);
    const std::string dpi = "Xft.dpi:\t144\n";
    XChangeProperty(d, root, resources, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(dpi.data()), int(dpi.size()));
    XSync(d, False);
    auto nivora = startOn(target, {"NIVORA_HOLD_AFTER_FRAMES=120"});
    const bool held = eventually([&] { return heldFrames(target).has_value() || !nivora->running(); });
    XDeleteProperty(d, root, resources);
    XSync(d, False);
    ASSERT_TRUE(held);
    ASSERT_TRUE(nivora->running()) << nivora->err;
    const Picture shown = readDrawable(d, target, kWidth, kHeight);
    EXPECT_TRUE(
        samePictures("window-id-144dpi", shown, coreFrame(testSettings(), 7, kX, kY, kWidth, kHeight, 120, 144)));
    EXPECT_NE(shown.pixels, coreFrame(testSettings(), 7, kX, kY, kWidth, kHeight, 120, 96).pixels)
        << "the frame at 96 dpi must differ, or this test shows nothing";
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// Nobody sees a window that another covers whole: no frame is made until it shows again, and none is made up then.
TEST_F(X11Test, ACoveredWindowMakesNoFramesUntilItShowsAgain)
{
    const Window target = targetOverPicture();
    // 150 frames are 3 s at 50 a second: held within the 4 s the window stays covered, unless it pauses.
    auto nivora = startOn(target, {"NIVORA_HOLD_AFTER_FRAMES=150"});
    // The flat block at the corner dimmed: nivora's frames have begun, after xscreensaver-getimage, which draws the
    // desktop into the window and raises it.
    ASSERT_TRUE(eventually([&] {
        const Picture shown = readDrawable(d, target, kWidth, kHeight);
        return !shown.pixels.empty() && shown.at(0, 0) == 0x00604020u;
    }))
        << "the first frame is shown";
    const Window cover = pictureWindow(kX - 10, kY - 10, kWidth + 20, kHeight + 20);
    EXPECT_TRUE(holdsFor([&] { return !heldFrames(target).has_value() && nivora->running(); },
                         std::chrono::milliseconds(4000)))
        << "frames went on under the cover";
    XDestroyWindow(d, cover);
    XSync(d, False);
    ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    EXPECT_TRUE(eventually([&] {
        return readDrawable(d, target, kWidth, kHeight).pixels ==
               coreFrame(testSettings(), 7, kX, kY, kWidth, kHeight, 150).pixels;
    })) << "the snow goes on where it stopped";
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// The benchmark's frames run ahead: the first frame shown is the whole picture after them, not only what it changed.
// At brightness 0 no helper runs, so no Expose repaints the window whole and hides a first frame shown in part.
TEST_F(X11Test, FramesRunAheadAreShownWholeInTheFirstFrame)
{
    const Window target = targetOverPicture();
    auto nivora = startOn(target, {"NIVORA_FRAMES_AHEAD=300", "NIVORA_HOLD_AFTER_FRAMES=1"}, {"-brightness", "0"});
    ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    SnowSettings dark = testSettings();
    dark.blightness = 0;
    EXPECT_TRUE(samePictures("frames-ahead-301", readDrawable(d, target, kWidth, kHeight),
                             coreFrame(dark, 7, kX, kY, kWidth, kHeight, 301)));
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

TEST_F(X11Test, RootFramesAreTheCoresFramesOverTheScreen)
{
    const Pixmap background = picturePixmap(0, 0, 640, 480);
    XSetWindowBackgroundPixmap(d, root, background);
    XClearWindow(d, root);
    XSync(d, False);
    XDeleteProperty(d, root, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
    std::vector<std::string> options{"--root"};
    options.insert(options.end(), kTestOptions.begin(), kTestOptions.end());
    auto nivora = start(bin("nivora_test"), options, {"NIVORA_HOLD_AFTER_FRAMES=60"});
    ASSERT_TRUE(eventually([&] { return heldFrames(root).has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    const Picture shown = readDrawable(d, root, 640, 480);
    EXPECT_TRUE(samePictures("root-60", shown, coreFrame(testSettings(), 7, 0, 0, 640, 480, 60)));
    kill(nivora->pid, SIGINT);
    EXPECT_EQ(nivora->wait(), 0);
    // The desktop as it was: the root's background, not the last frame.
    EXPECT_TRUE(eventually([&] {
        const Picture now = readDrawable(d, root, 640, 480);
        return !now.pixels.empty() && now.at(30, 30) == 0x00C08040u && now.at(350, 100) == kWhitePixel &&
               now.at(600, 400) == drawnPixel(600, 400) && now.at(5, 470) == drawnPixel(5, 470);
    })) << "the root shows the last frame after the end";
    XSetWindowBackground(d, root, BlackPixel(d, DefaultScreen(d)));
    XClearWindow(d, root);
    XFreePixmap(d, background);
    XDeleteProperty(d, root, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
    XSync(d, False);
}

TEST_F(X11Test, AResizedWindowIsBuiltAgainOverTheDimmedPicture)
{
    // Both sides, or one only: each is a new size. (x, y) lies where the window has grown.
    struct Case {
        int width, height, x, y;
    };
    for (const Case c : {Case{500, 360, 450, 300}, Case{300, 360, 150, 300}, Case{500, 200, 450, 100}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        pictureWindow(0, 0, 640, 480);  // the desktop
        const Window target = pictureWindow(40, 40, 300, 200);  // (2, 3) in it lies on the flat RGB(192, 128, 64)
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target), "-precipitation", "0"});
        ASSERT_TRUE(eventually([&] { return segmentsOf(nivora->pid) > 0 || !nivora->running(); })) << nivora->err;
        XResizeWindow(d, target, unsigned(c.width), unsigned(c.height));
        XSync(d, False);
        // The whole window is snow again: the picture taken at the start stays dimmed where it was, and where the
        // window has grown beyond it, the background it shows gives way to a dark one.
        EXPECT_TRUE(eventually([&] {
            const Picture shown = readDrawable(d, target, c.width, c.height);
            return !shown.pixels.empty() && shown.at(c.x, c.y) == kBlackPixel && shown.at(2, 3) == 0x00604020u;
        }));
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");
        XDestroyWindow(d, target);
    }
}

// A stand-in for xscreensaver-getimage running `script` (sh), found first on the path as XScreenSaver's own is. The
// script finds its folder, for files it leaves, as $here.
struct FakeHelper {
    std::string folder;
    explicit FakeHelper(const std::string& script)
    {
        char name[] = "/tmp/nivora-helper-XXXXXX";
        folder = mkdtemp(name) ? name : "";
        const std::string helper = folder + "/xscreensaver-getimage";
        std::ofstream(helper) << "#!/bin/sh\nhere=$(dirname \"$0\")\n" << script << "\n";
        chmod(helper.c_str(), 0755);
    }
    ~FakeHelper() { std::system(("rm -rf '" + folder + "'").c_str()); }
    std::string path() const
    {
        const char* path = std::getenv("PATH");
        return "PATH=" + folder + ":" + (path ? path : "");
    }
    bool left(const std::string& file) const { return access((folder + "/" + file).c_str(), F_OK) == 0; }
    // Whether the helper that wrote its pid into $here/pid still runs; it is ended either way.
    bool leftRunning() const
    {
        pid_t pid = 0;
        std::ifstream(folder + "/pid") >> pid;
        if (pid <= 0 || kill(pid, 0) != 0)
            return false;
        kill(pid, SIGKILL);
        return true;
    }
};

// The share of `p` that is black: above 0.9 where the snow falls over the dark background, with its few flakes.
double blackShare(const Picture& p)
{
    return p.pixels.empty() ? 0 : double(std::count(p.pixels.begin(), p.pixels.end(), kBlackPixel)) /
                                      double(p.pixels.size());
}

TEST_F(X11Test, WithoutAPictureFromTheHelperTheSnowFallsOverADarkBackgroundAndSaysSo)
{
    struct Case {
        const char* script;
        const char* line;
    };
    const Case cases[] = {
        {"exit 1", "nivora: xscreensaver-getimage gave no picture of the desktop; the snow falls over a dark "
                   "background\n"},
        // A helper that never ends, deaf to SIGTERM: after the time limit, SIGKILL.
        {"echo $$ >\"$here/pid\"; trap '' TERM; exec sleep 1000",
         "nivora: xscreensaver-getimage gave no picture within 5 s; the snow falls over a dark background\n"},
    };
    pictureWindow(0, 0, 640, 480);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const Window target = pictureWindow(100, 100, 200, 150);
        const FakeHelper helper(c.script);
        auto nivora = start(bin("nivora"),
                            {"-window-id", std::to_string(target), "-precipitation", "0", "-message", ""},
                            {helper.path()});
        // The window's own picture gives way to black, but for the hundred flakes.
        EXPECT_TRUE(eventually([&] { return blackShare(readDrawable(d, target, 200, 150)) > 0.9; }));
        EXPECT_TRUE(nivora->running());
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, c.line);
        EXPECT_FALSE(helper.leftRunning()) << "the helper still runs";
        XDestroyWindow(d, target);
    }
}

// Told to end while the helper runs, it ends at once, draws nothing, and leaves no helper behind, even one that
// ignores SIGTERM.
TEST_F(X11Test, ASignalWhileTheHelperRunsEndsItWithoutAFrame)
{
    for (const char* script : {"touch \"$here/started\"; exec sleep 1000",
                               "touch \"$here/started\"; echo $$ >\"$here/pid\"; trap '' TERM; exec sleep 1000"}) {
        SCOPED_TRACE(script);
        const Window target = targetOverPicture();
        const Picture before = readDrawable(d, target, kWidth, kHeight);
        const FakeHelper helper(script);
        auto nivora = startOn(target, {helper.path()});
        ASSERT_TRUE(eventually([&] { return helper.left("started") || !nivora->running(); }));
        const auto sent = Clock::now();
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        std::printf("ended %lld ms after SIGTERM\n", static_cast<long long>(std::chrono::duration_cast<
                                                          std::chrono::milliseconds>(Clock::now() - sent).count()));
        EXPECT_EQ(nivora->err, "");
        EXPECT_EQ(readDrawable(d, target, kWidth, kHeight).pixels, before.pixels) << "a frame was drawn";
        EXPECT_EQ(segmentsOf(nivora->pid), 0);
        EXPECT_FALSE(helper.leftRunning()) << "the helper still runs";
        XDestroyWindow(d, target);
    }
}

// Whether the process is gone: no such process, or a zombie that nobody has reaped yet.
bool processGone(pid_t pid)
{
    if (kill(pid, 0) != 0)
        return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

// The helper runs in a process group of its own: what it started ends with it, even a child deaf to SIGTERM, at the
// time limit, when nivora is told to end, and when the helper ends by itself and leaves the child behind.
TEST_F(X11Test, WhatTheHelperStartedEndsWithIt)
{
    const std::string child = "sh -c 'trap \"\" TERM; echo $$ >\"$1/child.partial\"; mv \"$1/child.partial\" "
                              "\"$1/child\"; exec sleep 1000' sh \"$here\" &\n";
    struct Case {
        const char* what;
        std::string script;
        bool signal;  // nivora is sent SIGTERM once the child runs
    };
    const Case cases[] = {
        {"at the time limit", child + "trap '' TERM; while [ ! -e \"$here/child\" ]; do :; done; exec sleep 1000", false},
        {"at a signal", child + "exec sleep 1000", true},
        {"when the helper ends by itself", child + "while [ ! -e \"$here/child\" ]; do :; done; exit 1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Window target = pictureWindow(100, 100, 200, 150);
        const FakeHelper helper(c.script);
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target)}, {helper.path()});
        ASSERT_TRUE(eventually([&] { return helper.left("child") || !nivora->running(); }));
        pid_t pid = 0;
        std::ifstream(helper.folder + "/child") >> pid;
        ASSERT_GT(pid, 0);
        if (c.signal)
            kill(nivora->pid, SIGTERM);
        EXPECT_TRUE(eventually([&] { return processGone(pid); })) << "the helper's child still runs";
        if (!processGone(pid))
            kill(pid, SIGKILL);
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        XDestroyWindow(d, target);
    }
}

// The top-level window named "Nivora", once it is mapped.
std::optional<Window> ownWindow(Display* d)
{
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    std::optional<Window> found;
    if (XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            XWindowAttributes a{};
            if (XFetchName(d, children[i], &name) && name && std::string(name) == "Nivora" &&
                XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
                found = children[i];
            if (name)
                XFree(name);
        }
        if (children)
            XFree(children);
    }
    return found;
}

TEST_F(X11Test, OwnWindowEndsOnEscapeQAndClose)
{
    enum class Way { Escape, Q, Close };
    for (const Way way : {Way::Escape, Way::Q, Way::Close}) {
        SCOPED_TRACE(int(way));
        auto nivora = start(bin("nivora"), {"-seed", "1"});
        std::optional<Window> w;
        ASSERT_TRUE(eventually([&] { return (w = ownWindow(d)).has_value() || !nivora->running(); }));
        ASSERT_TRUE(w) << nivora->err;
        XWindowAttributes a{};
        XGetWindowAttributes(d, *w, &a);
        EXPECT_EQ(a.width, 1280);
        EXPECT_EQ(a.height, 720);
        XEvent e{};
        if (way == Way::Close) {
            e.xclient.type = ClientMessage;
            e.xclient.window = *w;
            e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
            e.xclient.format = 32;
            e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
            XSendEvent(d, *w, False, NoEventMask, &e);
        } else {
            e.xkey.type = KeyPress;
            e.xkey.window = *w;
            e.xkey.root = root;
            e.xkey.display = d;
            e.xkey.keycode = XKeysymToKeycode(d, way == Way::Escape ? XK_Escape : XK_q);
            e.xkey.same_screen = True;
            XSendEvent(d, *w, False, KeyPressMask, &e);
        }
        XFlush(d);
        EXPECT_EQ(nivora->wait(), 0) << nivora->err;
        EXPECT_EQ(nivora->err, "");
    }
}

TEST_F(X11Test, FullScreenWindowCoversTheScreen)
{
    auto nivora = start(bin("nivora"), {"--fullscreen"});
    std::optional<Window> w;
    ASSERT_TRUE(eventually([&] { return (w = ownWindow(d)).has_value() || !nivora->running(); }));
    ASSERT_TRUE(w) << nivora->err;
    XWindowAttributes a{};
    XGetWindowAttributes(d, *w, &a);
    EXPECT_EQ(a.width, 640);  // the tests' display
    EXPECT_EQ(a.height, 480);
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// `nivora --idle 2s` without XScreenSaver: the server's idle time (MIT-SCREEN-SAVER) starts the snow in a window
// over the whole screen; once the snow has ended, only input and another idle time bring it back; SIGTERM ends the
// watcher and its snow.
TEST_F(X11Test, IdleStartsTheFullScreenSnowAfterTheIdleTimeAndAgainOnlyAfterInput)
{
    // A move to a new place each time: xdotool waits for a move to where the pointer already is forever.
    int place = 0;
    const auto input = [&] {
        place += 10;
        return start("xdotool", {"mousemove", "--sync", std::to_string(place), std::to_string(place)})->wait() == 0;
    };
    const auto moved = Clock::now();
    ASSERT_TRUE(input());
    auto watcher = start(bin("nivora"), {"--idle", "2s", "-seed", "1"});
    // The snow's window comes and goes while it is looked for: an error on it is "not there".
    const auto snowWindow = [&]() -> std::optional<Window> {
        const ErrorTrap trap(d);
        const std::optional<Window> found = ownWindow(d);
        return trap.passed() ? found : std::nullopt;
    };
    std::optional<Window> w;
    ASSERT_TRUE(eventually([&] { return (w = snowWindow()).has_value() || !watcher->running(); }));
    ASSERT_TRUE(w) << watcher->err;
    EXPECT_GE(Clock::now() - moved, std::chrono::seconds(2)) << "the snow came before the idle time";
    XWindowAttributes a{};
    XGetWindowAttributes(d, *w, &a);
    EXPECT_EQ(a.width, 640);  // the tests' display
    EXPECT_EQ(a.height, 480);

    // Escape sent to the window ends the snow but is no input to the server: the user is still idle, so the snow
    // does not come back by itself.
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.window = *w;
    e.xkey.root = root;
    e.xkey.display = d;
    e.xkey.keycode = XKeysymToKeycode(d, XK_Escape);
    e.xkey.same_screen = True;
    XSendEvent(d, *w, False, KeyPressMask, &e);
    XFlush(d);
    ASSERT_TRUE(eventually([&] { return !snowWindow().has_value(); }));
    EXPECT_TRUE(holdsFor([&] { return watcher->running() && !snowWindow(); }, std::chrono::milliseconds(3000)))
        << watcher->err;

    const auto movedAgain = Clock::now();
    ASSERT_TRUE(input());
    ASSERT_TRUE(eventually([&] { return (w = snowWindow()).has_value() || !watcher->running(); }));
    ASSERT_TRUE(w) << watcher->err;
    EXPECT_GE(Clock::now() - movedAgain, std::chrono::seconds(2)) << "the snow came again before the idle time";

    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
    EXPECT_TRUE(eventually([&] { return !snowWindow().has_value(); })) << "the snow outlived its watcher";
    EXPECT_EQ(watcher->err, "");
}

// --autostart on writes the session's autostart entry for this program in one piece, off removes it; where the
// folder cannot be written, one line and status 1.
TEST_F(X11Test, AutostartOnWritesTheEntryAndOffRemovesIt)
{
    char folder[] = "/tmp/nivora-autostart-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string config = std::string(folder) + "/config";
    const std::string entry = config + "/autostart/nivora.desktop";
    char* program = realpath(bin("nivora").c_str(), nullptr);
    ASSERT_NE(program, nullptr);
    const std::string expected = std::string("[Desktop Entry]\n"
                                             "Type=Application\n"
                                             "Name=Nivora\n"
                                             "Comment=Snow over the desktop after 5m idle\n"
                                             "Exec=") +
                                 program +
                                 " --idle 5m -precipitation 3 -message \"Back soon\"\n"
                                 "NoDisplay=true\n"
                                 "X-GNOME-Autostart-enabled=true\n";
    free(program);
    const std::vector<std::string> environment{"XDG_CONFIG_HOME=" + config};

    auto on = start(bin("nivora"), {"--autostart", "on", "--idle", "5", "-precipitation", "3", "-message", "Back soon"},
                    environment);
    EXPECT_EQ(on->wait(), 0) << on->err;
    std::ifstream written(entry);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>()), expected);
    struct stat file {};
    ASSERT_EQ(stat(entry.c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 0777, 0644u);

    for (int time = 0; time < 2; ++time) {  // a second time finds nothing to remove, which is no fault
        auto off = start(bin("nivora"), {"--autostart", "off"}, environment);
        EXPECT_EQ(off->wait(), 0) << off->err;
        EXPECT_NE(access(entry.c_str(), F_OK), 0);
    }

    // A file where the folder should be: nothing written, one line.
    const std::string blocked = std::string(folder) + "/blocked";
    std::ofstream(blocked) << "";
    auto refused = start(bin("nivora"), {"--autostart", "on", "--idle", "5"}, {"XDG_CONFIG_HOME=" + blocked});
    EXPECT_EQ(refused->wait(), 1);
    EXPECT_EQ(refused->err, "nivora: \"" + blocked + "/autostart\": Not a directory\n");

    std::remove(blocked.c_str());
    rmdir((config + "/autostart").c_str());
    rmdir(config.c_str());
    rmdir(folder);
}

TEST_F(X11Test, BadOptionsEndWithStatusTwoAndOneLineBeforeAnyWindow)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string line;
    };
    const Case cases[] = {
        {{"-frobnicate"}, "nivora: unknown option \"-frobnicate\"\n"},
        {{"--precipitation", "9"}, "nivora: bad value \"9\" for -precipitation (0 to 4)\n"},
        {{"-direction", "sideways"}, "nivora: bad value \"sideways\" for -direction (auto or fixed)\n"},
        {{"-brightness"}, "nivora: option -brightness needs a value\n"},
        {{"-window-id", "0xZZ"},
         "nivora: bad value \"0xZZ\" for -window-id (a window id, decimal or 0x hexadecimal)\n"},
    };
    for (const Case& c : cases) {
        auto nivora = start(bin("nivora"), c.arguments);
        EXPECT_EQ(nivora->wait(), 2);
        EXPECT_EQ(nivora->err, c.line);
    }
    EXPECT_FALSE(ownWindow(d));
}

TEST_F(X11Test, AMissingWindowOrDisplayEndsWithAClearLine)
{
    auto noWindow = start(bin("nivora"), {"-window-id", "0x7fffff0"});
    EXPECT_EQ(noWindow->wait(), 1);
    EXPECT_NE(noWindow->err.find("nivora: there is no window 0x7fffff0"), std::string::npos) << noWindow->err;

    auto badEnvironment = start(bin("nivora"), {"--root"}, {"XSCREENSAVER_WINDOW=nonsense"});
    EXPECT_EQ(badEnvironment->wait(), 2);
    EXPECT_EQ(badEnvironment->err, "nivora: bad window id \"nonsense\" in XSCREENSAVER_WINDOW\n");

    auto noDisplay = start(bin("nivora"), {"-root"}, {"DISPLAY=:9876"});
    EXPECT_EQ(noDisplay->wait(), 1);
    EXPECT_EQ(noDisplay->err, "nivora: cannot open display \":9876\"\n");
}

TEST_F(X11Test, SignalsEndItAtOnceWithNoSharedMemoryLeft)
{
    const Window target = pictureWindow(100, 100, 320, 240);
    for (const int signal : {SIGTERM, SIGINT}) {
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target), "-precipitation", "4"},
                            {"XSCREENSAVER_WINDOW="});
        // Running: the picture is in shared memory, and frames change the window.
        ASSERT_TRUE(eventually([&] { return segmentsOf(nivora->pid) > 0 || !nivora->running(); }));
        ASSERT_TRUE(nivora->running());
        const Picture before = readDrawable(d, target, 320, 240);
        ASSERT_TRUE(eventually([&] { return readDrawable(d, target, 320, 240).pixels != before.pixels; }));
        const auto sent = Clock::now();
        kill(nivora->pid, signal);
        EXPECT_EQ(nivora->wait(), 0) << nivora->err;
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
        std::printf("ended %lld ms after signal %d\n", static_cast<long long>(took), signal);
        EXPECT_EQ(segmentsOf(nivora->pid), 0);
    }
}

// A display of a test's own, 320 x 240, with `options` for the server; its number in `number`.
std::unique_ptr<Child> startServer(std::string& number, std::vector<std::string> options = {})
{
    int fds[2];
    if (pipe(fds) != 0)
        return nullptr;
    std::vector<std::string> arguments{"-displayfd", std::to_string(fds[1]), "-screen", "0", "320x240x24",
                                       "-nolisten", "tcp", "-noreset"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    auto server = start("/usr/bin/Xvfb", arguments);
    close(fds[1]);
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    return server;
}

TEST_F(X11Test, WithoutSharedMemoryTheFramesGoThroughXPutImageAlike)
{
    std::string number;
    auto server = startServer(number, {"-extension", "MIT-SHM"});
    ASSERT_FALSE(number.empty());
    Display* const ours = d;
    d = XOpenDisplay((":" + number).c_str());
    ASSERT_NE(d, nullptr);
    root = DefaultRootWindow(d);
    const Window target = pictureWindow(0, 0, 320, 240);
    std::vector<std::string> options{"-window-id", std::to_string(target)};
    options.insert(options.end(), kTestOptions.begin(), kTestOptions.end());
    auto nivora = start(bin("nivora_test"), options,
                        {"DISPLAY=:" + number, "NIVORA_HOLD_AFTER_FRAMES=50", "XSCREENSAVER_WINDOW="});
    ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }));
    EXPECT_EQ(segmentsOf(nivora->pid), 0);
    // Nothing lies under the window on this display: the desktop the helper gives is black.
    const Picture expected = [&] {
        SnowSettings dark = testSettings();
        dark.blightness = 0;
        return coreFrame(dark, 7, 0, 0, 320, 240, 50);
    }();
    EXPECT_TRUE(samePictures("no-shm-50", readDrawable(d, target, 320, 240), expected));
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
    XCloseDisplay(d);
    d = ours;
    root = DefaultRootWindow(d);
}

TEST_F(X11Test, ALostConnectionEndsItWithAMessage)
{
    // A display of this test's own, ended under the running program.
    std::string number;
    auto server = startServer(number);
    ASSERT_FALSE(number.empty());
    auto nivora = start(bin("nivora"), {"-root"}, {"DISPLAY=:" + number});
    Display* other = XOpenDisplay((":" + number).c_str());
    ASSERT_NE(other, nullptr);
    const Picture before = readDrawable(other, DefaultRootWindow(other), 320, 240);
    EXPECT_TRUE(eventually([&] {
        return readDrawable(other, DefaultRootWindow(other), 320, 240).pixels != before.pixels;
    }));
    XCloseDisplay(other);
    kill(server->pid, SIGTERM);
    server->wait();
    EXPECT_EQ(nivora->wait(), 1);
    EXPECT_EQ(nivora->err, "nivora: lost the connection to the X display\n");
}

// Started without some of fds 0-2, as a careless launcher may, it still draws, warns nowhere harmful, and ends on
// SIGTERM. The helper's failure makes it write a warning at once.
TEST_F(X11Test, WithStandardFdsClosedItDrawsAndEndsOnSignal)
{
    const std::vector<int> cases[] = {{0, 1, 2}, {1, 2}, {2}};
    const FakeHelper helper("exit 1");
    for (const std::vector<int>& closed : cases) {
        SCOPED_TRACE(closed.size());
        const Window target = pictureWindow(100, 100, 320, 240);
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target), "-precipitation", "4"},
                            {helper.path()}, closed);
        ASSERT_TRUE(eventually([&] { return blackShare(readDrawable(d, target, 320, 240)) > 0.5; }));
        const Picture before = readDrawable(d, target, 320, 240);
        EXPECT_TRUE(eventually([&] { return readDrawable(d, target, 320, 240).pixels != before.pixels; }))
            << "frames went on";
        EXPECT_TRUE(nivora->running());
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        XDestroyWindow(d, target);
    }
}

// The text of property `name` on `w`, its items separated by NULs as Xlib keeps them.
std::optional<std::string> textProperty(Display* d, Window w, const char* name)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::string> text;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) == Success &&
        type != None && format == 8)
        text = std::string(reinterpret_cast<const char*>(data), items);
    if (data)
        XFree(data);
    return text;
}

TEST_F(X11Test, OwnWindowNamesItsProcessClassAndIcon)
{
    auto nivora = start(bin("nivora"), {"-seed", "1"});
    std::optional<Window> w;
    ASSERT_TRUE(eventually([&] { return (w = ownWindow(d)).has_value() || !nivora->running(); }));
    ASSERT_TRUE(w) << nivora->err;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<unsigned long> pid;
    if (XGetWindowProperty(d, *w, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type, &format,
                           &items, &after, &data) == Success &&
        type == XA_CARDINAL && items == 1)
        pid = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    EXPECT_EQ(pid, static_cast<unsigned long>(nivora->pid));
    EXPECT_EQ(textProperty(d, *w, "WM_CLASS"), std::string("nivora\0Nivora\0", 14));
    EXPECT_EQ(textProperty(d, *w, "WM_ICON_NAME"), "Nivora");
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(textProperty(d, *w, "WM_CLIENT_MACHINE"), std::string(host));
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// A window another client destroys is a normal end: status 0 and nothing said, while the helper runs (whatever it
// then answers) and while the snow falls.
TEST_F(X11Test, AWindowThatGoesAwayEndsItQuietly)
{
    for (const char* answer : {"exit 0", "exit 1"}) {
        SCOPED_TRACE(answer);
        const FakeHelper helper(std::string("touch \"$here/started\"\nwhile [ ! -e \"$here/go\" ]; do sleep 0.02; "
                                            "done\n") + answer);
        const Window target = pictureWindow(100, 100, 320, 240);
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target)}, {helper.path()});
        ASSERT_TRUE(eventually([&] { return helper.left("started") || !nivora->running(); }));
        XDestroyWindow(d, target);
        XSync(d, False);
        std::ofstream(helper.folder + "/go");
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");
    }
    // The frames' requests race the DestroyNotify: ten runs give the race its chances.
    for (int run = 0; run < 10; ++run) {
        const Window target = pictureWindow(100, 100, 320, 240);
        auto nivora = start(bin("nivora"), {"-window-id", std::to_string(target), "-brightness", "0"});
        const Picture before = readDrawable(d, target, 320, 240);
        ASSERT_TRUE(eventually([&] {
            const Picture now = readDrawable(d, target, 320, 240);
            return !now.pixels.empty() && now.pixels != before.pixels;
        }));
        ASSERT_TRUE(nivora->running()) << nivora->err;
        XDestroyWindow(d, target);
        XSync(d, False);
        EXPECT_EQ(nivora->wait(), 0) << run;
        EXPECT_EQ(nivora->err, "") << run;
    }
}

// Targets that cannot be drawn on say so in words, not in X errors.
TEST_F(X11Test, AnInputOnlyWindowOrABogusVirtualRootGetsAClearLine)
{
    XSetWindowAttributes a{};
    const Window inputOnly = XCreateWindow(d, root, 0, 0, 100, 100, 0, 0, InputOnly, CopyFromParent, 0, &a);
    XMapWindow(d, inputOnly);
    XSync(d, False);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", inputOnly);
    auto nivora = start(bin("nivora"), {"-window-id", id});
    EXPECT_EQ(nivora->wait(), 1);
    EXPECT_EQ(nivora->err, "nivora: window " + std::string(id) + " is InputOnly: nothing can be drawn in it\n");
    XDestroyWindow(d, inputOnly);

    // Any client may name a virtual root: one that does not exist is passed over for the real root.
    const Window claimant = pictureWindow(0, 0, 10, 10);
    const unsigned long bogus = 0x7ffff00;
    XChangeProperty(d, claimant, XInternAtom(d, "__SWM_VROOT", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&bogus), 1);
    XDeleteProperty(d, root, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
    XSync(d, False);
    auto onRoot = start(bin("nivora_test"), {"-root", "-brightness", "0"}, {"NIVORA_HOLD_AFTER_FRAMES=5"});
    EXPECT_TRUE(eventually([&] { return heldFrames(root).has_value() || !onRoot->running(); }));
    EXPECT_TRUE(onRoot->running());
    kill(onRoot->pid, SIGTERM);
    EXPECT_EQ(onRoot->wait(), 0);
    EXPECT_EQ(onRoot->err,
              "nivora: __SWM_VROOT names window 0x7ffff00, which does not exist; drawing on the root window\n");
    XDestroyWindow(d, claimant);
    XDeleteProperty(d, root, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
    XSync(d, False);
}

// A hang-up arriving while the shared picture is made (strace delivers it as shmat returns) ends the program as
// SIGTERM does, with no segment left behind.
TEST_F(X11Test, AHangUpWhileThePictureIsMadeLeavesNoSegment)
{
    if (access("/usr/bin/strace", X_OK) != 0)
        GTEST_SKIP() << "strace is not installed";
    const Window target = pictureWindow(100, 100, 320, 240);
    char folder[] = "/tmp/nivora-strace-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    auto traced = start("/usr/bin/strace", {"-qq", "-ff", "-o", std::string(folder) + "/trace", "-e", "trace=shmat",
                                            "-e", "inject=shmat:signal=SIGHUP:when=1", bin("nivora"), "-window-id",
                                            std::to_string(target), "-brightness", "0"});
    const auto status = traced->wait();
    // The one trace file is named after nivora's process: trace.PID.
    pid_t pid = 0;
    if (DIR* list = opendir(folder)) {
        while (const dirent* entry = readdir(list))
            if (std::strncmp(entry->d_name, "trace.", 6) == 0)
                pid = pid_t(std::atol(entry->d_name + 6));
        closedir(list);
    }
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    EXPECT_EQ(status, 0) << traced->err;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(segmentsOf(pid), 0);
    XDestroyWindow(d, target);
}

// A window larger than the memory the program may have: one line and status 1, not an abort. The server has no
// RandR, so the window alone is the drawing area; Xlib must not print a line of its own about the missing extension.
TEST_F(X11Test, NotEnoughMemoryForTheWindowEndsWithOneLine)
{
    std::string number;
    auto server = startServer(number, {"-extension", "RANDR"});
    ASSERT_FALSE(number.empty());
    Display* other = XOpenDisplay((":" + number).c_str());
    ASSERT_NE(other, nullptr);
    XSetWindowAttributes a{};
    const Window huge = XCreateWindow(other, DefaultRootWindow(other), 0, 0, 20000, 20000, 0, CopyFromParent,
                                      InputOutput, CopyFromParent, 0, &a);
    XMapWindow(other, huge);
    XSync(other, False);
    auto nivora = start("/bin/sh", {"-c", "ulimit -v 400000; exec \"$0\" \"$@\"", bin("nivora"), "-window-id",
                                    std::to_string(huge), "-brightness", "0"},
                        {"DISPLAY=:" + number});
    EXPECT_EQ(nivora->wait(), 1);
    EXPECT_EQ(nivora->err, "nivora: no memory for a picture of 20010 x 20010\n");
    XCloseDisplay(other);
}

// XScreenSaver's own settings decide what the helper paints: the desktop, an image from the user's folder (shown
// dimmed like the desktop), or, when neither is allowed, its colour-bar test card, which is never shown: the snow then
// falls over the dark background, and nothing is said, for it is the user's choice.
TEST_F(X11Test, TheHelpersTestCardIsNeverShownButAChosenImageIs)
{
    char home[] = "/tmp/nivora-home-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    const std::string folder = std::string(home) + "/pictures";
    std::system(("mkdir -p '" + folder + "'").c_str());
    {
        // 800 x 600 of RGB(200, 100, 50): large enough for the helper, which passes over images below 500 x 500.
        std::ofstream image(folder + "/flat.xpm");
        image << "/* XPM */\nstatic char *flat[] = {\n\"800 600 1 1\",\n\"a c #C86432\",\n";
        for (int row = 0; row < 600; ++row)
            image << '"' << std::string(800, 'a') << (row < 599 ? "\",\n" : "\"};\n");
    }
    struct Case {
        const char* settings;
        Pixel pixel;  // what most of the window shows
    };
    const Case cases[] = {
        {"grabDesktopImages: False\ngrabVideoFrames: False\nchooseRandomImages: False\nimageDirectory: ", kBlackPixel},
        {"grabDesktopImages: False\ngrabVideoFrames: False\nchooseRandomImages: True\nimageDirectory: ", 0x00643219u},
    };
    // XScreenSaver runs its modules with its own folder on the path, where the helper finds its image loader.
    const char* path = std::getenv("PATH");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        std::ofstream(std::string(home) + "/.xscreensaver") << c.settings << folder << "\n";
        const Window target = targetOverPicture();
        auto nivora = startOn(target,
                              {"HOME=" + std::string(home), "NIVORA_HOLD_AFTER_FRAMES=1",
                               "PATH=/usr/libexec/xscreensaver:/usr/lib/xscreensaver:" + std::string(path ? path : "")},
                              {"-message", ""});
        ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }));
        const Picture shown = readDrawable(d, target, kWidth, kHeight);
        const auto count = std::count(shown.pixels.begin(), shown.pixels.end(), c.pixel);
        EXPECT_GT(count, kWidth * kHeight * 9 / 10) << std::hex << shown.at(kWidth / 2, kHeight / 2);
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");
    }
    std::system(("rm -rf '" + std::string(home) + "'").c_str());
}

// The message is written on the primary monitor only: a window on another one, as XScreenSaver makes for each
// monitor, shows the snow without it.
TEST_F(X11Test, AWindowOnAnotherMonitorThanThePrimaryHasNoMessage)
{
    ASSERT_EQ(std::system("xrandr --setmonitor '*LEFT' 320/0x480/0+0+0 screen >/dev/null && "
                          "xrandr --setmonitor RIGHT 320/0x480/0+320+0 none >/dev/null"),
              0);
    const int x = 340, y = 60, width = 280, height = 360;
    pictureWindow(0, 0, 640, 480);
    const Window target = pictureWindow(x, y, width, height);
    XDeleteProperty(d, target, XInternAtom(d, "_NIVORA_HELD_FRAMES", False));
    XSync(d, False);
    auto nivora = startOn(target, {"NIVORA_HOLD_AFTER_FRAMES=160"});
    const bool held = eventually([&] { return heldFrames(target).has_value() || !nivora->running(); });
    const Picture shown = readDrawable(d, target, width, height);
    std::system("xrandr --delmonitor LEFT >/dev/null; xrandr --delmonitor RIGHT >/dev/null");
    ASSERT_TRUE(held);
    ASSERT_TRUE(nivora->running()) << nivora->err;
    SnowSettings plain = testSettings();
    plain.messageText.clear();
    EXPECT_TRUE(samePictures("other-monitor-160", shown, coreFrame(plain, 7, x, y, width, height, 160)));
    EXPECT_NE(shown.pixels, coreFrame(testSettings(), 7, x, y, width, height, 160).pixels)
        << "the frame with the message must differ, or this test shows nothing";
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// A window partly under another is still seen: its frames go on, and its uncovered part is the core's frame.
TEST_F(X11Test, APartlyCoveredWindowKeepsDrawing)
{
    const Window target = targetOverPicture();
    auto nivora = startOn(target, {"NIVORA_HOLD_AFTER_FRAMES=150"});
    // Covered once the frames have begun: the helper raises the window while it grabs the desktop.
    ASSERT_TRUE(eventually([&] {
        const Picture shown = readDrawable(d, target, kWidth, kHeight);
        return !shown.pixels.empty() && shown.at(0, 0) == 0x00604020u;
    }));
    const Window cover = pictureWindow(kX - 10, kY - 10, kWidth / 2, kHeight + 20);
    ASSERT_TRUE(eventually([&] { return heldFrames(target).has_value() || !nivora->running(); }))
        << "no frames under a partial cover";
    ASSERT_TRUE(nivora->running()) << nivora->err;
    const Picture shown = readDrawable(d, target, kWidth, kHeight);
    const Picture expected = coreFrame(testSettings(), 7, kX, kY, kWidth, kHeight, 150);
    size_t differ = 0;
    for (int py = 0; py < kHeight; ++py)
        for (int px = kWidth / 2; px < kWidth; ++px)
            differ += shown.at(px, py) != expected.at(px, py);
    EXPECT_EQ(differ, 0u);
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
    XDestroyWindow(d, cover);
}

// A desktop of 16-bit pixels (5-6-5) reads as the nearest 8-bit channels: red 16 of 31 is 132, not 131 or 128.
TEST_F(X11Test, SixteenBitDesktopChannelsScaleToTheNearestEightBitValue)
{
    struct Case {
        unsigned long pixel;
        Pixel expected;
    };
    const Case cases[] = {
        {16ul << 11, 0x00840000u},                   // red 16/31
        {32ul << 5, 0x00008200u},                    // green 32/63
        {1ul, 0x00000008u},                          // blue 1/31
        {0xFFFFul, 0x00FFFFFFu},                     // white
        {(31ul << 11) | (1ul << 5) | 30ul, 0x00FF04F7u},
    };
    Visual visual{};
    visual.c_class = TrueColor;
    visual.red_mask = 0xF800;
    visual.green_mask = 0x07E0;
    visual.blue_mask = 0x001F;
    visual.bits_per_rgb = 6;
    std::vector<uint16_t> data(std::size(cases));
    XImage* image = XCreateImage(d, &visual, 16, ZPixmap, 0, reinterpret_cast<char*>(data.data()),
                                 unsigned(std::size(cases)), 1, 16, 0);
    ASSERT_NE(image, nullptr);
    for (size_t i = 0; i < std::size(cases); ++i)
        XPutPixel(image, int(i), 0, cases[i].pixel);
    const std::vector<Pixel> pixels = corePixels(image);
    image->data = nullptr;
    XDestroyImage(image);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(pixels[i], cases[i].expected) << std::hex << cases[i].pixel;
}

// The error handlers' rule, request by request: an error that says the watched window is gone, as a drawing request
// (BadDrawable) or a window request (BadWindow) reports it, ends the program quietly with status 0; the same error
// on any other resource is an X error, status 1 and one line. Each case runs in a child of its own, on a connection
// of its own, as the handlers end the process.
TEST_F(X11Test, AnErrorOnTheWatchedWindowEndsQuietlyAndAnyOtherIsAnXError)
{
    struct Case {
        const char* name;
        bool drawing;    // XFillRectangle rather than XMapWindow on the window that is gone
        bool watchGone;  // the watched window is the one that is gone, not another that lives
        int status;
        bool saysSomething;
    };
    const Case cases[] = {
        {"a drawing request on the watched window", true, true, 0, false},
        {"a window request on the watched window", false, true, 0, false},
        {"a drawing request on another window", true, false, 1, true},
        {"a window request on another window", false, false, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dup2(fds[1], STDERR_FILENO);
            Display* own = XOpenDisplay(nullptr);
            if (!own)
                _exit(5);
            const Window ownRoot = DefaultRootWindow(own);
            const Window gone = XCreateSimpleWindow(own, ownRoot, 0, 0, 10, 10, 0, 0, 0);
            const Window live = XCreateSimpleWindow(own, ownRoot, 0, 0, 10, 10, 0, 0, 0);
            const GC gc = XCreateGC(own, ownRoot, 0, nullptr);
            XDestroyWindow(own, gone);
            XSync(own, False);
            installErrorHandlers();
            endQuietlyWhenGone(c.watchGone ? gone : live);
            if (c.drawing)
                XFillRectangle(own, gone, gc, 0, 0, 5, 5);
            else
                XMapWindow(own, gone);
            XSync(own, False);
            _exit(7);  // no error came at all
        }
        close(fds[1]);
        int raw = 0;
        ASSERT_TRUE(eventually([&] { return waitpid(pid, &raw, WNOHANG) == pid; })) << "the child hangs";
        std::string said;
        char buffer[512];
        for (ssize_t n = 0; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            said.append(buffer, size_t(n));
        close(fds[0]);
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << said;
        EXPECT_EQ(!said.empty(), c.saysSomething) << said;
    }
}

}  // namespace
}  // namespace nivora::x11
