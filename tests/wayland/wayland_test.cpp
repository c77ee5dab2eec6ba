// nivora on Wayland, against a real compositor: sway headless with the pixman renderer, started afresh for each
// test with its outputs filled by one known colour. The screen is read with grim and compared pixel for pixel with
// the core's frames of the same seed; keys come from wtype, pointer moves from swaymsg over a virtual pointer made
// here. Run through scripts/wayland_test.sh, which gives a private XDG_RUNTIME_DIR, NIVORA_BIN (the folder of
// nivora and nivora_test) and NIVORA_TEST_OUTPUT (where pictures of failures go).
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <systemd/sd-bus.h>
#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "message_faces.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

extern char** environ;

namespace nivora::wayland {
namespace {

using child_process::bin;
using child_process::Child;
using child_process::Clock;
using child_process::eventually;
using child_process::holdsFor;
using child_process::start;

// The outputs' colour, RGB(48, 96, 160), with no white for snow to be mistaken for; dimmed at the default
// brightness (alpha 127) it reads RGB(24, 48, 80).
constexpr Pixel kBackground = 0x003060A0u;
constexpr Pixel kDimmedBackground = 0x00183050u;

std::string environment(const char* name, const char* otherwise = "")
{
    const char* value = std::getenv(name);
    return value ? value : otherwise;
}

// Runs a program to its end; its standard output.
std::string output(const std::vector<std::string>& command, const std::vector<std::string>& environmentGiven)
{
    std::string script;
    for (const std::string& e : environmentGiven)
        script += e + " ";
    for (const std::string& word : command) {
        std::string quoted = "'";
        for (const char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        script += quoted + "' ";
    }
    std::string text;
    if (FILE* pipe = popen(("env " + script + " 2>/dev/null").c_str(), "r")) {
        char buffer[65536];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    Pixel at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

Picture fromPpm(const std::string& ppm)
{
    Picture p;
    std::istringstream in(ppm);
    std::string magic;
    int maxValue = 0;
    in >> magic >> p.width >> p.height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255 || p.width <= 0 || p.height <= 0)
        return {};
    const size_t start = size_t(in.tellg());
    if (ppm.size() < start + size_t(p.width) * size_t(p.height) * 3)
        return {};
    p.pixels.resize(size_t(p.width) * size_t(p.height));
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data() + start + i * 3);
        p.pixels[i] = Pixel(rgb[0]) << 16 | Pixel(rgb[1]) << 8 | rgb[2];
    }
    return p;
}

void writePpm(const std::string& name, const Picture& p)
{
    const std::string folder = environment("NIVORA_TEST_OUTPUT", "/tmp");
    std::ofstream out(folder + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    for (const Pixel px : p.pixels)
        out << char(px >> 16) << char(px >> 8) << char(px);
}

SnowSettings testSettings()
{
    SnowSettings s;
    s.precipitation = 4;
    s.velocity = 8;
    s.direction = false;
    s.blightness = 2;
    s.messageText = u"Snow 雪";
    return s;
}

const std::vector<std::string> kTestOptions{"-seed",      "7",     "-precipitation", "4", "-velocity", "8",
                                            "-direction", "fixed", "-brightness",    "2", "-message",  "Snow 雪"};

// The core's frame `frames` of an output of width x height pixels at `scale` over `desktop` (dimmed at the test
// brightness, or black): what nivora must show there.
Picture coreFrame(int width, int height, double scale, int frames, std::optional<Pixel> desktop = kBackground)
{
    const SnowSettings settings = testSettings();
    const Rect bounds{0, 0, width, height};
    const ListedMonitor monitor{bounds, true, scale};
    const SnowArea area = snowScreensFor(bounds, {&monitor, 1})->front().area;
    std::vector<Pixel> main(size_t(width + 10) * size_t(height + 10)), desk(main.size()),
        text(size_t(width) * size_t(height));
    if (desktop)
        for (int row = 0; row < height; ++row)
            std::fill_n(desk.begin() + std::ptrdiff_t(row) * (width + 10), width,
                        blendOverBlack(*desktop, *brightnessAlpha(settings.blightness)));
    program::MessageFaces faces;
    faces.print({text.data(), width, height, width}, settings.messageText, 96.0 * scale);
    Random random(7);
    SnowField field;
    field.InitData(settings, area, random);
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

::testing::AssertionResult samePictures(const std::string& name, const Picture& shown, const Picture& expected)
{
    if (shown.pixels.size() != expected.pixels.size())
        return ::testing::AssertionFailure() << "a picture of " << shown.width << " x " << shown.height
                                             << " instead of " << expected.width << " x " << expected.height;
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < shown.pixels.size(); ++i)
        if (shown.pixels[i] != expected.pixels[i] && differ++ == 0)
            first = i;
    if (differ == 0)
        return ::testing::AssertionSuccess();
    writePpm(name + "-shown", shown);
    writePpm(name + "-expected", expected);
    return ::testing::AssertionFailure() << differ << " pixels differ, the first at (" << first % size_t(shown.width)
                                         << ", " << first / size_t(shown.width) << "): " << std::hex
                                         << shown.pixels[first] << " instead of " << expected.pixels[first] << "; see "
                                         << name << "-*.ppm in NIVORA_TEST_OUTPUT";
}

// Pixels of `p` that are white or nearly so: flakes.
size_t whitePixels(const Picture& p)
{
    return size_t(std::count_if(p.pixels.begin(), p.pixels.end(), [](Pixel px) {
        return (px >> 16 & 0xFF) > 220 && (px >> 8 & 0xFF) > 220 && (px & 0xFF) > 220;
    }));
}

// A virtual pointer on the compositor's seat: without a pointer device the seat offers none to clients, and
// `swaymsg seat - cursor move` reaches no surface.
class VirtualPointer {
public:
    explicit VirtualPointer(const std::string& socket)
    {
        display_ = wl_display_connect(socket.c_str());
        if (!display_)
            return;
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kListener, this);
        wl_display_roundtrip(display_);
        if (manager_)
            pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager_, nullptr);
        wl_display_roundtrip(display_);
    }
    ~VirtualPointer()
    {
        if (pointer_)
            zwlr_virtual_pointer_v1_destroy(pointer_);
        if (manager_)
            zwlr_virtual_pointer_manager_v1_destroy(manager_);
        if (registry_)
            wl_registry_destroy(registry_);
        if (display_)
            wl_display_disconnect(display_);
    }
    bool made() const { return pointer_ != nullptr; }

private:
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
    {
        auto* self = static_cast<VirtualPointer*>(data);
        if (std::string_view(interface) == zwlr_virtual_pointer_manager_v1_interface.name)
            self->manager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
    static void onGlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kListener = {&onGlobal, &onGlobalRemove};

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_virtual_pointer_manager_v1* manager_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
};

class WaylandTest : public ::testing::Test {
protected:
    // sway headless with `outputs` outputs, each of 1280 x 720 (sway's default) at `scale`, filled with
    // kBackground; ready once grim reads that colour on every output.
    void startSway(int outputs = 1, int scale = 1)
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/sway-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        const std::string config = runtime_ + "/config";
        {
            std::ofstream out(config);
            out << "output * bg #3060a0 solid_color\n"
                << "output * scale " << scale << "\n";
        }
        sway_ = start("sway", {"-c", config},
                      {"XDG_RUNTIME_DIR=" + runtime_, "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                       "WLR_LIBINPUT_NO_DEVICES=1", "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs)});
        ASSERT_TRUE(eventually([&] { return findSockets() || !sway_->running(); })) << "no sockets in " << runtime_;
        ASSERT_TRUE(sway_->running()) << sway_->err;
        for (int i = 1; i <= outputs; ++i) {
            const std::string name = "HEADLESS-" + std::to_string(i);
            ASSERT_TRUE(eventually([&] {
                const Picture p = screen(name);
                return !p.pixels.empty() && p.at(p.width / 2, p.height / 2) == kBackground;
            })) << name
                << " never showed the background";
        }
    }
    void TearDown() override
    {
        if (sway_ && sway_->running()) {
            kill(sway_->pid, SIGTERM);
            sway_->wait();
        }
    }

    bool findSockets()
    {
        DIR* dir = opendir(runtime_.c_str());
        if (!dir)
            return false;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.starts_with("wayland-") && !name.ends_with(".lock"))
                socket_ = name;
            if (name.starts_with("sway-ipc."))
                ipc_ = runtime_ + "/" + name;
        }
        closedir(dir);
        return !socket_.empty() && !ipc_.empty();
    }

    std::vector<std::string> session() const
    {
        return {"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=" + socket_, "SWAYSOCK=" + ipc_};
    }

    std::string swaymsg(const std::string& command) { return output({"swaymsg", command}, session()); }

    Picture screen(const std::string& outputName)
    {
        return fromPpm(output({"grim", "-t", "ppm", "-o", outputName, "-"}, session()));
    }

    // The test build with the test options on this compositor, with these variables besides.
    std::unique_ptr<Child> startNivora(const std::vector<std::string>& variables = {},
                                       const char* program = "nivora_test")
    {
        std::vector<std::string> all = session();
        all.insert(all.end(), variables.begin(), variables.end());
        all.push_back("NIVORA_HELD_FILE=" + heldFile());
        std::remove(heldFile().c_str());
        return start(bin(program), kTestOptions, all);
    }
    std::string heldFile() const { return runtime_ + "/held"; }
    std::optional<unsigned long> heldFrames() const
    {
        std::ifstream in(heldFile());
        unsigned long frames = 0;
        if (in >> frames)
            return frames;
        return std::nullopt;
    }
    // Until the snow shows on `outputName`: a picture that is not the plain background.
    bool snowShows(Child& nivora, const std::string& outputName = "HEADLESS-1")
    {
        return eventually([&] {
            const Picture p = screen(outputName);
            return !nivora.running() ||
                   (!p.pixels.empty() && p.at(0, p.height - 1) == kDimmedBackground && whitePixels(p) > 20);
        });
    }

    std::unique_ptr<Child> sway_;
    std::string runtime_, socket_, ipc_;
};

// The frames held after a count, read back from the screen, are the core's frames of that count, at scale 1 and
// 2: the desktop dimmed exactly, the snow moving between the two, and by the later one settling on the message.
TEST_F(WaylandTest, HeldFramesAreTheCoresFramesAtScaleOneAndTwo)
{
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "output scale " << scale);
        startSway(1, scale);
        std::vector<Picture> shown;
        for (const int frames : {40, 160}) {
            auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=" + std::to_string(frames)});
            ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
            ASSERT_TRUE(nivora->running()) << nivora->err;
            EXPECT_EQ(heldFrames(), static_cast<unsigned long>(frames));
            shown.push_back(screen("HEADLESS-1"));
            const Picture expected = coreFrame(1280, 720, scale, frames);
            const std::string name = "scale" + std::to_string(scale) + "-" + std::to_string(frames);
            EXPECT_TRUE(samePictures(name, shown.back(), expected)) << nivora->err;
            if (scale == 2) {
                EXPECT_NE(shown.back().pixels, coreFrame(1280, 720, 1, frames).pixels)
                    << "the frame at scale 1 must differ, or this test shows nothing";
            }
            kill(nivora->pid, SIGTERM);
            EXPECT_EQ(nivora->wait(), 0);
            EXPECT_EQ(nivora->err, "");
        }
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_NE(shown[0].pixels, shown[1].pixels) << "the snow moves";
        // The message is being written: snow lies on its pixels where the dimmed desktop was.
        std::vector<Pixel> text(1280 * 720);
        program::MessageFaces faces;
        ASSERT_TRUE(faces.print({text.data(), 1280, 720, 1280}, u"Snow 雪", 96.0 * scale));
        size_t messagePixels = 0, snowOnMessage = 0;
        for (int y = 0; y < 720; ++y)
            for (int x = 0; x < 1280; ++x)
                if (text[size_t(y) * 1280 + size_t(x)] == kWhitePixel) {
                    ++messagePixels;
                    snowOnMessage += shown[1].at(x, y) != kDimmedBackground;
                }
        EXPECT_GT(messagePixels, 500u);
        EXPECT_GT(snowOnMessage, 20u) << "of " << messagePixels << " message pixels";
        TearDown();
    }
}

TEST_F(WaylandTest, WithoutScreencopyTheSnowFallsOverADarkBackgroundAndSaysSo)
{
    startSway();
    auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=40", "NIVORA_TEST_NO_SCREENCOPY=1"});
    ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    EXPECT_TRUE(samePictures("no-screencopy", screen("HEADLESS-1"), coreFrame(1280, 720, 1, 40, std::nullopt)));
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
    EXPECT_EQ(nivora->err, "nivora: the compositor offers no screencopy (zwlr_screencopy_manager_v1); the snow falls "
                           "over a dark background\n");
}

// Snow on both outputs, the message only on the one at the layout's origin.
TEST_F(WaylandTest, TwoOutputsHaveSnowOnBothAndTheMessageOnTheFirst)
{
    startSway();
    swaymsg("create_output");
    ASSERT_TRUE(eventually([&] {
        const Picture p = screen("HEADLESS-2");
        return !p.pixels.empty() && p.at(0, 0) == kBackground;
    }));
    auto nivora = startNivora({"NIVORA_FRAMES_AHEAD=1500", "NIVORA_HOLD_AFTER_FRAMES=1"});
    ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    const Picture first = screen("HEADLESS-1"), second = screen("HEADLESS-2");
    EXPECT_GT(whitePixels(first), 200u);
    EXPECT_GT(whitePixels(second), 200u);
    std::vector<Pixel> text(1280 * 720);
    program::MessageFaces faces;
    ASSERT_TRUE(faces.print({text.data(), 1280, 720, 1280}, u"Snow 雪", 96.0));
    size_t onFirst = 0, onSecond = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == kWhitePixel) {
            onFirst += first.pixels[i] != kDimmedBackground;
            onSecond += second.pixels[i] != kDimmedBackground;
        }
    EXPECT_GT(onFirst, 10 * onSecond + 100)
        << onFirst << " snowy message pixels on the first, " << onSecond << " at the same places on the second";
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// A key starts the fade, which ends the saver by itself within 2 s; a second key ends it at once.
TEST_F(WaylandTest, AKeyStartsTheFadeAndASecondEndsItAtOnce)
{
    struct Case {
        const char* keys;
        std::chrono::milliseconds atLeast;
        std::chrono::milliseconds within;
    };
    const Case cases[] = {{"a", std::chrono::milliseconds(1000), std::chrono::milliseconds(2000)},
                          {"ab", std::chrono::milliseconds(0), std::chrono::milliseconds(600)}};
    startSway();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        auto nivora = startNivora();
        ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
        ASSERT_TRUE(nivora->running()) << nivora->err;
        // wtype's keyboard is new to the seat: the pause lets nivora take it before the keys come.
        output({"wtype", "-s", "300", c.keys}, session());
        const auto typed = Clock::now();
        ASSERT_EQ(nivora->wait(c.within + std::chrono::milliseconds(500)), 0) << nivora->err;
        const auto took = Clock::now() - typed;
        EXPECT_GE(took, c.atLeast);
        EXPECT_LE(took, c.within);
        EXPECT_EQ(nivora->err, "");
    }
}

// The core's input rule: a move along one axis only is no move; one that changes both coordinates starts the fade.
TEST_F(WaylandTest, APointerMovedAlongOneAxisDoesNotEndItADiagonalMoveDoes)
{
    startSway();
    VirtualPointer pointer(runtime_ + "/" + socket_);
    ASSERT_TRUE(pointer.made());
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    for (const char* move : {"cursor move 10 0", "cursor move 10 0", "cursor move 0 10", "cursor move -20 0"})
        swaymsg(std::string("seat - ") + move);
    EXPECT_TRUE(holdsFor([&] { return nivora->running(); }, std::chrono::milliseconds(1000))) << nivora->err;
    swaymsg("seat - cursor move 10 10");
    EXPECT_EQ(nivora->wait(std::chrono::milliseconds(2500)), 0) << nivora->err;
}

// The pointer is hidden over the snow: when it enters a surface, nivora sets no cursor image (the headless
// compositor draws no cursor into screenshots, so the request itself is read, from libwayland's debug log).
TEST_F(WaylandTest, TheCursorIsHiddenOverTheSnow)
{
    startSway();
    VirtualPointer pointer(runtime_ + "/" + socket_);
    ASSERT_TRUE(pointer.made());
    auto nivora = startNivora({"WAYLAND_DEBUG=1"});
    ASSERT_TRUE(snowShows(*nivora));
    swaymsg("seat - cursor move 10 0");  // the pointer enters the surface
    const auto entered = [&] {
        nivora->running();
        return nivora->err.find("wl_pointer@") != std::string::npos && nivora->err.find(".enter(") != std::string::npos;
    };
    ASSERT_TRUE(eventually(entered));
    // "wl_pointer@N.set_cursor(SERIAL, nil, 0, 0)": no surface, so no cursor.
    const auto setCursor = [&] {
        nivora->running();
        const size_t at = nivora->err.find(".set_cursor(");
        const size_t end = nivora->err.find(')', at);
        return at == std::string::npos || end == std::string::npos ? std::string()
                                                                   : nivora->err.substr(at, end + 1 - at);
    };
    ASSERT_TRUE(eventually([&] { return !setCursor().empty(); })) << "no set_cursor after the pointer entered";
    EXPECT_TRUE(setCursor().ends_with(", nil, 0, 0)")) << setCursor();
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// While the compositor calls for no frame, none is made and no processor time is used; once it calls again, the
// snow goes on where it stopped: the held frame is still the core's frame of that count. Debian 12's sway cannot
// switch a headless output off (`output ... dpms off` fails to commit there, as every change of a headless output
// does), so its frame callbacks are stopped the other way: the compositor itself is stopped, and continued.
TEST_F(WaylandTest, WithoutFrameCallbacksNoFrameIsMadeAndTheSnowGoesOnWhereItStopped)
{
    startSway();
    auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=250"});
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    kill(sway_->pid, SIGSTOP);
    // Still once the last frame's callback is missed: the ticks stop changing.
    long ticks = nivora->cpuTicks();
    const bool still = eventually([&] {
        ticks = nivora->cpuTicks();
        return holdsFor([&] { return nivora->cpuTicks() == ticks; }, std::chrono::milliseconds(300));
    });
    const bool stays = still && holdsFor([&] { return nivora->cpuTicks() == ticks && nivora->running(); },
                                         std::chrono::milliseconds(1500));
    const bool heldMeanwhile = heldFrames().has_value();
    kill(sway_->pid, SIGCONT);
    ASSERT_TRUE(still);
    EXPECT_TRUE(stays) << "processor time used while no frame is called for";
    EXPECT_FALSE(heldMeanwhile);
    ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    EXPECT_TRUE(samePictures("after-pause", screen("HEADLESS-1"), coreFrame(1280, 720, 1, 250)));
    kill(nivora->pid, SIGTERM);
    EXPECT_EQ(nivora->wait(), 0);
}

// SIGTERM and SIGINT end it at once, with status 0 and nothing said.
TEST_F(WaylandTest, SignalsEndItWithin200Milliseconds)
{
    startSway();
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        auto nivora = startNivora();
        ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
        const auto sent = Clock::now();
        kill(nivora->pid, signal);
        ASSERT_EQ(nivora->wait(), 0);
        EXPECT_LE(Clock::now() - sent, std::chrono::milliseconds(200));
        EXPECT_EQ(nivora->err, "");
        // Nothing of it is left on the screen either.
        EXPECT_TRUE(eventually([&] { return screen("HEADLESS-1").at(640, 360) == kBackground; }));
    }
}

// An output that comes is a change of the screens the snow was made for: it would stay uncovered, so the saver
// ends. (Debian 12's sway cannot disable a headless output or change its mode: those commits fail there.)
TEST_F(WaylandTest, AnOutputAddedEndsIt)
{
    startSway();
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    swaymsg("create_output");
    EXPECT_EQ(nivora->wait(), 0) << nivora->err;
    EXPECT_EQ(nivora->err, "");
}

TEST_F(WaylandTest, ALostConnectionEndsItWithOneLineAndStatusOne)
{
    startSway();
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    kill(sway_->pid, SIGKILL);
    EXPECT_EQ(nivora->wait(), 1);
    EXPECT_EQ(nivora->err, "nivora: the connection to the Wayland compositor was lost\n");
}

TEST_F(WaylandTest, BadOptionsEndWithStatusTwoBeforeAnyConnection)
{
    startSway();
    auto nivora = start(bin("nivora"), {"--wayland", "-root"}, session());
    EXPECT_EQ(nivora->wait(), 2);
    EXPECT_EQ(nivora->err, "nivora: -root draws on an X11 display; it cannot go with --wayland\n");
}

// idle-inhibit-unstable-v1's two requests this test sends, written out as wayland-scanner writes them.
extern const wl_interface kIdleInhibitorInterface;
const wl_message kIdleInhibitorRequests[] = {{"destroy", "", nullptr}};
const wl_interface kIdleInhibitorInterface = {"zwp_idle_inhibitor_v1", 1, 1, kIdleInhibitorRequests, 0, nullptr};
const wl_interface* kCreateInhibitorTypes[] = {&kIdleInhibitorInterface, &wl_surface_interface};
const wl_message kIdleInhibitManagerRequests[] = {{"destroy", "", nullptr},
                                                  {"create_inhibitor", "no", kCreateInhibitorTypes}};
const wl_interface kIdleInhibitManagerInterface = {"zwp_idle_inhibit_manager_v1", 1, 2,
                                                   kIdleInhibitManagerRequests,   0, nullptr};

// A client that inhibits idle, as a video player does, for as long as it lives: a surface and its inhibitor.
class IdleInhibitor {
public:
    explicit IdleInhibitor(const std::string& socket)
    {
        display_ = wl_display_connect(socket.c_str());
        if (!display_)
            return;
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kListener, this);
        wl_display_roundtrip(display_);
        if (!compositor_ || !manager_)
            return;
        surface_ = wl_compositor_create_surface(compositor_);
        inhibitor_ = wl_proxy_marshal_flags(manager_, 1, &kIdleInhibitorInterface, 1, 0, nullptr, surface_);
        wl_display_roundtrip(display_);
    }
    ~IdleInhibitor()
    {
        if (inhibitor_)
            wl_proxy_marshal_flags(inhibitor_, 0, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
        if (surface_)
            wl_surface_destroy(surface_);
        if (manager_)
            wl_proxy_marshal_flags(manager_, 0, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
        if (compositor_)
            wl_compositor_destroy(compositor_);
        if (registry_)
            wl_registry_destroy(registry_);
        if (display_)
            wl_display_disconnect(display_);
    }
    bool made() const { return inhibitor_ != nullptr && wl_display_get_error(display_) == 0; }

private:
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
    {
        auto* self = static_cast<IdleInhibitor*>(data);
        if (std::string_view(interface) == kIdleInhibitManagerInterface.name)
            self->manager_ = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kIdleInhibitManagerInterface, 1));
        else if (std::string_view(interface) == wl_compositor_interface.name)
            self->compositor_ = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    }
    static void onGlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kListener = {&onGlobal, &onGlobalRemove};

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_proxy* inhibitor_ = nullptr;
};

// The processes `parent` started and that still run: the snow of a watcher.
std::vector<pid_t> childrenOf(pid_t parent)
{
    std::ifstream in("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children");
    std::vector<pid_t> children;
    for (pid_t child = 0; in >> child;)
        children.push_back(child);
    return children;
}

bool processRuns(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t state = text.rfind(')');
    return state != std::string::npos && state + 2 < text.size() && text[state + 2] != 'Z';
}

class IdleWatcherTest : public WaylandTest {
protected:
    // `nivora_test --idle 2s` with the test options: its snow is the test build too.
    std::unique_ptr<Child> startWatcher()
    {
        std::vector<std::string> arguments{"--idle", "2s"};
        arguments.insert(arguments.end(), kTestOptions.begin(), kTestOptions.end());
        return start(bin("nivora_test"), arguments, session());
    }
    // Until the watcher has started its snow and the snow shows; the snow's process.
    std::optional<pid_t> snowStarted(Child& watcher)
    {
        std::optional<pid_t> snow;
        const bool shows = eventually([&] {
            const std::vector<pid_t> children = childrenOf(watcher.pid);
            if (!children.empty())
                snow = children.front();
            const Picture p = screen("HEADLESS-1");
            return !watcher.running() ||
                   (snow && !p.pixels.empty() && p.at(0, p.height - 1) == kDimmedBackground && whitePixels(p) > 20);
        });
        return shows && watcher.running() ? snow : std::nullopt;
    }
    bool backgroundShows()
    {
        return eventually([&] {
            const Picture p = screen("HEADLESS-1");
            return !p.pixels.empty() && p.at(640, 360) == kBackground && p.at(0, 719) == kBackground;
        });
    }
};

// The snow comes once the seat has had no input for the idle time; two keys end it, the watcher stays, and the
// snow comes again after the next idle time.
TEST_F(IdleWatcherTest, TheSnowComesAfterTheIdleTimeAndAgainAfterAKeyEndedIt)
{
    startSway();
    const auto started = Clock::now();
    auto watcher = startWatcher();
    const std::optional<pid_t> snow = snowStarted(*watcher);
    ASSERT_TRUE(snow) << watcher->err;
    EXPECT_GE(Clock::now() - started, std::chrono::seconds(2)) << "the snow came before the idle time";

    output({"wtype", "-s", "400", "ab"}, session());
    const auto typed = Clock::now();
    ASSERT_TRUE(eventually([&] { return !processRuns(*snow); })) << "the keys did not end the snow";
    ASSERT_TRUE(backgroundShows());
    EXPECT_TRUE(watcher->running()) << watcher->err;

    const std::optional<pid_t> again = snowStarted(*watcher);
    ASSERT_TRUE(again) << watcher->err;
    EXPECT_GE(Clock::now() - typed, std::chrono::seconds(2)) << "the snow came again before the idle time";
    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
    EXPECT_EQ(watcher->err, "");
}

// An idle inhibitor (a video playing) keeps the snow away for as long as it lives; without it, the snow comes.
TEST_F(IdleWatcherTest, AnIdleInhibitorKeepsTheSnowFromComing)
{
    startSway();
    auto inhibitor = std::make_unique<IdleInhibitor>(runtime_ + "/" + socket_);
    ASSERT_TRUE(inhibitor->made());
    auto watcher = startWatcher();
    EXPECT_TRUE(holdsFor([&] { return watcher->running() && childrenOf(watcher->pid).empty(); },
                         std::chrono::milliseconds(5000)))
        << "the snow came while idle was inhibited: " << watcher->err;
    inhibitor.reset();
    EXPECT_TRUE(snowStarted(*watcher)) << watcher->err;
    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
}

// SIGTERM ends the watcher and the snow it started, and nothing of the snow stays on the screen.
TEST_F(IdleWatcherTest, SigtermEndsTheWatcherAndItsSnow)
{
    startSway();
    auto watcher = startWatcher();
    const std::optional<pid_t> snow = snowStarted(*watcher);
    ASSERT_TRUE(snow) << watcher->err;
    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
    EXPECT_FALSE(processRuns(*snow)) << "the snow outlived its watcher";
    EXPECT_TRUE(backgroundShows());
    EXPECT_EQ(watcher->err, "");
}

// The test's side of the GNOME session's bus: keys through mutter's remote desktop, and GNOME's screen saver and
// session manager answering whether the session is locked or idle inhibited, served from a thread on a connection
// of its own.
class GnomeBus {
public:
    explicit GnomeBus(const std::string& address) : calls_(connect(address)), service_(connect(address)) {}
    ~GnomeBus()
    {
        stop_ = true;
        if (serving_.joinable())
            serving_.join();
        sd_bus_flush_close_unref(service_);
        sd_bus_flush_close_unref(calls_);
    }
    GnomeBus(const GnomeBus&) = delete;
    GnomeBus& operator=(const GnomeBus&) = delete;

    // A remote-desktop session of mutter's, started: the seat's input from now on. Nothing, or what went wrong.
    std::string startRemoteDesktop()
    {
        if (!calls_)
            return "no connection to the session bus";
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const char* path = nullptr;
        if (sd_bus_call_method(calls_, "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                               "org.gnome.Mutter.RemoteDesktop", "CreateSession", &error, &reply, "") >= 0 &&
            sd_bus_message_read(reply, "o", &path) >= 0)
            session_ = path;
        sd_bus_message_unref(reply);
        if (!session_.empty())
            call(&error, "Start", "");
        std::string problem = error.message ? error.message : session_.empty() ? "no session" : "";
        sd_bus_error_free(&error);
        return problem;
    }
    bool hasOwner(const char* name)
    {
        sd_bus_message* reply = nullptr;
        int owned = 0;
        if (calls_ && sd_bus_call_method(calls_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s", name) >= 0)
            sd_bus_message_read(reply, "b", &owned);
        sd_bus_message_unref(reply);
        return owned != 0;
    }
    // Shift pressed and released: input, which ends the user's idleness.
    bool pressShift()
    {
        constexpr uint32_t kShiftL = 0xFFE1;
        return call(nullptr, "NotifyKeyboardKeysym", "ub", kShiftL, 1) >= 0 &&
               call(nullptr, "NotifyKeyboardKeysym", "ub", kShiftL, 0) >= 0;
    }

    // Serves org.gnome.ScreenSaver, whose GetActive answers `blocks`, and org.gnome.SessionManager, whose
    // IsInhibited answers it for the idle flag (8).
    enum class Service { ScreenSaver, SessionManager };
    bool serve(Service service)
    {
        const bool saver = service == Service::ScreenSaver;
        const char* name = saver ? "org.gnome.ScreenSaver" : "org.gnome.SessionManager";
        if (!service_ ||
            sd_bus_add_object_vtable(service_, nullptr, saver ? "/org/gnome/ScreenSaver" : "/org/gnome/SessionManager",
                                     name, saver ? kScreenSaver : kSessionManager, this) < 0 ||
            sd_bus_request_name(service_, name, 0) < 0)
            return false;
        serving_ = std::thread([this] {
            while (!stop_) {
                if (sd_bus_process(service_, nullptr) > 0)
                    continue;
                sd_bus_wait(service_, 50'000);  // wakes for the stop too
            }
        });
        return true;
    }
    std::atomic<bool> blocks{false};

private:
    static sd_bus* connect(const std::string& address)
    {
        sd_bus* bus = nullptr;
        if (sd_bus_new(&bus) < 0)
            return nullptr;
        if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0)
            return sd_bus_flush_close_unref(bus);
        return bus;
    }
    template <class... Arguments>
    int call(sd_bus_error* error, const char* method, const char* signature, Arguments... arguments)
    {
        if (!calls_ || session_.empty())
            return -1;
        return sd_bus_call_method(calls_, "org.gnome.Mutter.RemoteDesktop", session_.c_str(),
                                  "org.gnome.Mutter.RemoteDesktop.Session", method, error, nullptr, signature,
                                  arguments...);
    }
    static int getActive(sd_bus_message* message, void* self, sd_bus_error*)
    {
        return sd_bus_reply_method_return(message, "b", int(static_cast<GnomeBus*>(self)->blocks.load()));
    }
    static int isInhibited(sd_bus_message* message, void* self, sd_bus_error*)
    {
        uint32_t flags = 0;
        sd_bus_message_read(message, "u", &flags);
        constexpr uint32_t kIdle = 8;
        return sd_bus_reply_method_return(message, "b",
                                          int(static_cast<GnomeBus*>(self)->blocks.load() && (flags & kIdle)));
    }
    static constexpr sd_bus_vtable kScreenSaver[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("GetActive", "", "b", &GnomeBus::getActive, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
    static constexpr sd_bus_vtable kSessionManager[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("IsInhibited", "u", "b", &GnomeBus::isInhibited, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };

    sd_bus* calls_;
    sd_bus* service_;
    std::string session_;
    std::thread serving_;
    std::atomic<bool> stop_{false};
};

// GNOME's compositor, headless, with a session bus of its own (dbus-run-session), as GNOME runs it: it offers
// neither Wayland idle protocol, so the watcher asks its idle monitor on the bus.
class MutterIdleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/mutter-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        const std::string addressFile = runtime_ + "/bus-address";
        started_ = Clock::now();  // mutter counts the user idle from its start
        session_ = start("dbus-run-session",
                         {"--", "sh", "-c",
                          "echo \"$DBUS_SESSION_BUS_ADDRESS\" >\"$0\" && exec mutter --headless --wayland --no-x11 "
                          "--virtual-monitor 1280x720 --wayland-display wayland-mutter",
                          addressFile},
                         {"XDG_RUNTIME_DIR=" + runtime_});
        ASSERT_TRUE(eventually([&] {
            std::ifstream in(addressFile);
            std::getline(in, address_);
            struct stat socket {};
            return (!address_.empty() && stat((runtime_ + "/wayland-mutter").c_str(), &socket) == 0) ||
                   !session_->running();
        })) << "mutter never listened";
        ASSERT_TRUE(session_->running()) << session_->err;
        GnomeBus bus(address_);
        ASSERT_TRUE(eventually([&] {
            return bus.hasOwner("org.gnome.Mutter.IdleMonitor") && bus.hasOwner("org.gnome.Mutter.RemoteDesktop");
        })) << "mutter never offered its idle monitor and remote desktop";
    }
    void TearDown() override
    {
        // dbus-run-session leaves its child running when it is ended itself: mutter is ended, and the bus with it.
        if (session_ && session_->running()) {
            for (const pid_t child : childrenOf(session_->pid))
                kill(child, SIGTERM);
            if (!session_->wait())
                kill(session_->pid, SIGKILL);
        }
    }
    std::vector<std::string> gnomeSession() const
    {
        return {"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=wayland-mutter",
                "DBUS_SESSION_BUS_ADDRESS=" + address_};
    }

    // How many times the watcher has started the snow so far: each snow says once that it cannot show on mutter.
    static size_t snowStarts(Child& watcher)
    {
        static constexpr std::string_view kNoLayerShell = "the compositor offers no layer shell";
        watcher.running();
        size_t lines = 0;
        for (size_t at = watcher.err.find(kNoLayerShell); at != std::string::npos;
             at = watcher.err.find(kNoLayerShell, at + 1))
            ++lines;
        return lines;
    }

    std::unique_ptr<Child> session_;
    std::string runtime_, address_;
    Clock::time_point started_;
};

// The idle monitor says when the user has been idle, and the watcher starts the snow: the snow ends there at once,
// since mutter offers no layer shell, and is not started again without input in between.
TEST_F(MutterIdleTest, TheIdleMonitorStartsTheSnowOncePerIdleTime)
{
    auto watcher = start(bin("nivora_test"), {"--idle", "2s", "-seed", "1"}, gnomeSession());
    ASSERT_TRUE(eventually([&] { return snowStarts(*watcher) > 0 || !watcher->running(); })) << watcher->err;
    ASSERT_TRUE(watcher->running()) << watcher->err;
    EXPECT_GE(Clock::now() - started_, std::chrono::seconds(2)) << "the snow came before the idle time";
    EXPECT_TRUE(
        holdsFor([&] { return watcher->running() && snowStarts(*watcher) == 1; }, std::chrono::milliseconds(3000)))
        << watcher->err;
    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
}

// While GNOME says the session is locked (its screen saver) or idle is inhibited (its session manager, asked for the
// idle flag), the idle time starts no snow; once not, the next idle time after a key does.
TEST_F(MutterIdleTest, ALockedOrInhibitedSessionGetsNoSnowTheNextIdleTimeAfterDoes)
{
    for (const GnomeBus::Service service : {GnomeBus::Service::ScreenSaver, GnomeBus::Service::SessionManager}) {
        SCOPED_TRACE(service == GnomeBus::Service::ScreenSaver ? "locked" : "inhibited");
        GnomeBus bus(address_);
        ASSERT_EQ(bus.startRemoteDesktop(), "");
        bus.blocks = true;
        ASSERT_TRUE(bus.serve(service));
        auto watcher = start(bin("nivora_test"), {"--idle", "2s", "-seed", "1"}, gnomeSession());
        EXPECT_TRUE(
            holdsFor([&] { return watcher->running() && snowStarts(*watcher) == 0; }, std::chrono::milliseconds(4000)))
            << "the snow came: " << watcher->err;
        bus.blocks = false;
        const auto pressed = Clock::now();
        ASSERT_TRUE(bus.pressShift());
        ASSERT_TRUE(eventually([&] { return snowStarts(*watcher) > 0 || !watcher->running(); })) << watcher->err;
        EXPECT_GE(Clock::now() - pressed, std::chrono::seconds(2)) << "the snow came before the idle time";
        kill(watcher->pid, SIGTERM);
        EXPECT_EQ(watcher->wait(), 0);
    }
}

}  // namespace
}  // namespace nivora::wayland
