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
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
#include <utility>
#include <vector>

#include "child_process.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "message_faces.h"
#include "shm_buffers.h"
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

// The core's frame `frames` of an output of width x height pixels at `scale` over a desktop whose undimmed pixel at
// (column, row) is `desktopAt(column, row)` (nothing: black), dimmed at the test brightness: what nivora must show.
template <class DesktopAt>
Picture coreFrameOver(int width, int height, double scale, int frames, DesktopAt desktopAt)
{
    const SnowSettings settings = testSettings();
    const Rect bounds{0, 0, width, height};
    const ListedMonitor monitor{bounds, true, scale};
    const SnowArea area = snowScreensFor(bounds, {&monitor, 1})->front().area;
    std::vector<Pixel> main(size_t(width + 10) * size_t(height + 10)), desk(main.size()),
        text(size_t(width) * size_t(height));
    const uint8_t alpha = *brightnessAlpha(settings.blightness);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            if (const std::optional<Pixel> pixel = desktopAt(column, row))
                desk[size_t(row) * size_t(width + 10) + size_t(column)] = blendOverBlack(*pixel, alpha);
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

// The same over one colour, `desktop` (dimmed at the test brightness, or black).
Picture coreFrame(int width, int height, double scale, int frames, std::optional<Pixel> desktop = kBackground)
{
    return coreFrameOver(width, height, scale, frames, [&](int, int) { return desktop; });
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

// The core's frame `frames` of a 1280 x 720 output at scale 1 over a desktop whose left half is `left` and right half
// `right`, dimmed at the test brightness: what nivora must show over such a wallpaper.
Picture coreFrameOverHalves(int frames, Pixel left, Pixel right)
{
    return coreFrameOver(1280, 720, 1.0, frames,
                         [&](int column, int) { return std::optional<Pixel>(column < 640 ? left : right); });
}

// A picture file of two halves, `left` and `right` ("#rrggbb"), made with ImageMagick.
bool writeHalves(const std::string& path, int width, int height, const std::string& left, const std::string& right)
{
    const std::string size = std::to_string(width / 2) + "x" + std::to_string(height);
    output({"convert", "-size", size, "xc:" + left, "xc:" + right, "+append", path}, {});
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && status.st_size > 0;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A PNG's header claiming width x height, its checksum right, so that only the size can refuse it.
std::string pngClaiming(uint32_t width, uint32_t height)
{
    std::string chunk = "IHDR";
    for (const uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk += char(v >> shift);
    chunk += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : chunk) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    std::string png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
    png += chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        png += char(crc >> shift);
    return png + std::string(64, '\0');
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
    // kBackground, with the configuration's lines `extra` after; ready once grim reads `ready` a quarter of the way
    // across every output.
    void startSway(int outputs = 1, int scale = 1, const std::string& extra = "", Pixel ready = kBackground)
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/sway-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        const std::string config = runtime_ + "/config";
        {
            std::ofstream out(config);
            out << "output * bg #3060a0 solid_color\n"
                << "output * scale " << scale << "\n"
                << extra;
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
                return !p.pixels.empty() && p.at(p.width / 4, p.height / 2) == ready;
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

// The share of the pixels of `p` in columns [from, to) within 2 of `colour` in every channel.
double shareNear(const Picture& p, int from, int to, Pixel colour)
{
    size_t near = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = from; x < to; ++x) {
            const Pixel px = p.at(x, y);
            bool close = true;
            for (const int shift : {0, 8, 16})
                close &= std::abs(int(px >> shift & 0xFF) - int(colour >> shift & 0xFF)) <= 2;
            near += close;
        }
    return double(near) / (double(p.height) * double(to - from));
}

// A turned output and one at a scale wl_output cannot tell (sway 1.7 says 2 for 1.5, and offers no fractional
// scale): the desktop, a wallpaper of two halves, shows dimmed the right way up over the whole output. A desktop
// turned the wrong way swaps the halves or leaves black bands; one drawn at the integer scale fills three quarters.
// (Set at sway's start: Debian 12's sway cannot commit a change of a headless output's transform or scale.)
TEST_F(WaylandTest, TurnedAndFractionallyScaledOutputsShowTheWholeDesktopTheRightWayUp)
{
    constexpr Pixel kLeft = 0x00C04020u, kRight = 0x002080C0u;
    const uint8_t alpha = *brightnessAlpha(testSettings().blightness);
    struct Case {
        const char* config;
        int pictureWidth, pictureHeight;  // the layout's pixels
    };
    const Case cases[] = {
        {"output * transform 90\n", 720, 1280},
        {"output * transform 270\n", 720, 1280},
        {"output * scale 1.5\n", 1280, 720},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config);
        const std::string halves = environment("XDG_RUNTIME_DIR") + "/halves-" + std::to_string(getpid()) + ".png";
        ASSERT_TRUE(writeHalves(halves, c.pictureWidth, c.pictureHeight, "#c04020", "#2080c0"));
        startSway(1, 1, std::string(c.config) + "output * bg " + halves + " stretch\n", kLeft);
        auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=2"});
        ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
        ASSERT_TRUE(nivora->running()) << nivora->err;
        const Picture shown = screen("HEADLESS-1");
        ASSERT_FALSE(shown.pixels.empty());
        EXPECT_EQ(shown.width < shown.height, c.pictureWidth < c.pictureHeight) << "the layout's orientation";
        const double left = shareNear(shown, 0, shown.width / 2 - 2, blendOverBlack(kLeft, alpha));
        const double right = shareNear(shown, shown.width / 2 + 2, shown.width, blendOverBlack(kRight, alpha));
        EXPECT_GT(left, 0.97) << "of the left half is the left of the desktop, dimmed";
        EXPECT_GT(right, 0.97) << "of the right half is the right of the desktop, dimmed";
        if (::testing::Test::HasFailure())
            writePpm("turned-" + std::to_string(&c - cases), shown);
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");
        TearDown();
        std::remove(halves.c_str());
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

// A key starts the fade, which ends the saver by itself, never before its steps have run; a second key ends it
// without waiting for them (the core's tests pin the steps down; how soon is the machine's to say).
TEST_F(WaylandTest, AKeyStartsTheFadeAndASecondEndsItAtOnce)
{
    struct Case {
        const char* keys;
        std::chrono::milliseconds atLeast;
    };
    const Case cases[] = {{"a", std::chrono::milliseconds(1000)}, {"ab", std::chrono::milliseconds(0)}};
    startSway();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        auto nivora = startNivora();
        ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
        ASSERT_TRUE(nivora->running()) << nivora->err;
        // wtype's keyboard is new to the seat: the pause lets nivora take it before the keys come.
        output({"wtype", "-s", "300", c.keys}, session());
        const auto typed = Clock::now();
        ASSERT_EQ(nivora->wait(), 0) << nivora->err;
        const auto took = Clock::now() - typed;
        EXPECT_GE(took, c.atLeast);
        std::printf("%s: ended %lld ms after the keys\n", c.keys,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
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
    EXPECT_EQ(nivora->wait(), 0) << nivora->err;
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

// SIGTERM and SIGINT end it at once, with status 0 and nothing said (how soon is printed, not asserted: a busy
// machine decides it).
TEST_F(WaylandTest, SignalsEndItWithStatusZeroAndLeaveNothingOnTheScreen)
{
    startSway();
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        auto nivora = startNivora();
        ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
        const auto sent = Clock::now();
        kill(nivora->pid, signal);
        ASSERT_EQ(nivora->wait(), 0);
        std::printf(
            "ended %lld ms after signal %d\n",
            static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()),
            signal);
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

// Where the compositor gives no picture of the desktop, the snow falls over the wallpaper the desktop names, dimmed:
// GNOME's (the dark style's picture, through GSettings, zoomed from half the output's size) and Plasma's (the
// package's image of the output's size, from its appletsrc).
TEST_F(WaylandTest, WithoutScreencopyTheSnowFallsOverTheDesktopsWallpaperDimmed)
{
    constexpr Pixel kLeft = 0x00C04020u, kRight = 0x002080C0u;
    startSway();
    const std::string config = runtime_ + "/config-home";
    ASSERT_EQ(mkdir(config.c_str(), 0700), 0);
    // GNOME: the light picture is plain grey; the dark one, with spaces in its name, holds the halves.
    ASSERT_TRUE(writeHalves(runtime_ + "/light.png", 640, 360, "#808080", "#808080"));
    ASSERT_TRUE(writeHalves(runtime_ + "/dark wall.png", 640, 360, "#c04020", "#2080c0"));
    ASSERT_EQ(mkdir((config + "/glib-2.0").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((config + "/glib-2.0/settings").c_str(), 0700), 0);
    writeFile(config + "/glib-2.0/settings/keyfile", "[org/gnome/desktop/background]\n"
                                                     "picture-uri='file://" +
                                                         runtime_ +
                                                         "/light.png'\n"
                                                         "picture-uri-dark='file://" +
                                                         runtime_ +
                                                         "/dark%20wall.png'\n"
                                                         "picture-options='zoom'\n"
                                                         "[org/gnome/desktop/interface]\n"
                                                         "color-scheme='prefer-dark'\n");
    // Plasma: a wallpaper package whose 1280x720 image holds the halves, beside a larger plain one.
    const std::string package = runtime_ + "/Snowfield";
    for (const std::string& folder : {package, package + "/contents", package + "/contents/images"})
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    ASSERT_TRUE(writeHalves(package + "/contents/images/1280x720.png", 1280, 720, "#c04020", "#2080c0"));
    ASSERT_TRUE(writeHalves(package + "/contents/images/2560x1440.png", 2560, 1440, "#808080", "#808080"));
    writeFile(config + "/plasma-org.kde.plasma.desktop-appletsrc",
              "[Containments][1]\nlastScreen=0\nwallpaperplugin=org.kde.image\n\n"
              "[Containments][1][Wallpaper][org.kde.image][General]\nImage=file://" +
                  package + "/\n");

    const std::vector<std::string> desktops[] = {
        {"XDG_CURRENT_DESKTOP=ubuntu:GNOME", "GSETTINGS_BACKEND=keyfile"},
        {"XDG_CURRENT_DESKTOP=KDE"},
    };
    for (const std::vector<std::string>& desktop : desktops) {
        SCOPED_TRACE(desktop.front());
        std::vector<std::string> variables{"NIVORA_HOLD_AFTER_FRAMES=40", "NIVORA_TEST_NO_SCREENCOPY=1",
                                           "XDG_CONFIG_HOME=" + config};
        variables.insert(variables.end(), desktop.begin(), desktop.end());
        auto nivora = startNivora(variables);
        ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
        ASSERT_TRUE(nivora->running()) << nivora->err;
        EXPECT_TRUE(samePictures("wallpaper-" + desktop.front().substr(20), screen("HEADLESS-1"),
                                 coreFrameOverHalves(40, kLeft, kRight)));
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, "");
    }
}

// A wallpaper file that cannot be shown gives one line, the snow over the dark background, and no crash; one
// named with another format's extension is read by its content.
TEST_F(WaylandTest, AHostileWallpaperGivesOneLineAndTheDarkBackground)
{
    startSway();
    const std::string folder = runtime_ + "/pictures";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(writeHalves(folder + "/good.png", 64, 36, "#c04020", "#2080c0"));
    const std::string good = readFile(folder + "/good.png");
    writeFile(folder + "/truncated.png", good.substr(0, good.size() / 2));
    ASSERT_TRUE(writeHalves(folder + "/good.jpg", 64, 36, "#c04020", "#2080c0"));
    const std::string jpeg = readFile(folder + "/good.jpg");
    writeFile(folder + "/truncated.jpg", jpeg.substr(0, jpeg.size() / 2));
    writeFile(folder + "/huge.png", pngClaiming(100000, 100000));
    writeFile(folder + "/wide.png", pngClaiming(4000000, 1));
    writeFile(folder + "/notes.jpg", "not a picture at all\n");
    writeFile(folder + "/empty.webp", "");
    writeFile(folder + "/really-a-png.jpg", good);
    writeFile(folder + "/locked.png", good);
    ASSERT_EQ(chmod((folder + "/locked.png").c_str(), 0), 0);
    ASSERT_EQ(mkdir((folder + "/a-folder.png").c_str(), 0700), 0);
    struct Case {
        const char* file;
        const char* problem;  // empty: shown
    };
    const Case cases[] = {
        {"truncated.png", "is truncated or damaged"},
        {"truncated.jpg", "is truncated or damaged"},
        {"huge.png", "is larger than the outputs need"},
        {"wide.png", "is larger than the outputs need"},
        {"notes.jpg", "is not a PNG, JPEG or WebP picture"},
        {"empty.webp", "is not a PNG, JPEG or WebP picture"},
        {"a-folder.png", "is a folder, not a picture"},
        {"locked.png", "cannot be read: Permission denied"},
        {"missing.png", "cannot be read: No such file or directory"},
        {"really-a-png.jpg", ""},
    };
    const std::string config = runtime_ + "/config-home";
    ASSERT_EQ(mkdir(config.c_str(), 0700), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = folder + "/" + c.file;
        writeFile(config + "/plasma-org.kde.plasma.desktop-appletsrc",
                  "[Containments][1][Wallpaper][org.kde.image][General]\nImage=" + path + "\n");
        auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=1", "NIVORA_TEST_NO_SCREENCOPY=1",
                                   "XDG_CONFIG_HOME=" + config, "XDG_CURRENT_DESKTOP=KDE"});
        ASSERT_TRUE(eventually([&] { return heldFrames().has_value() || !nivora->running(); }));
        ASSERT_TRUE(nivora->running()) << nivora->err;
        const Picture shown = screen("HEADLESS-1");
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        if (*c.problem) {
            EXPECT_EQ(nivora->err,
                      "nivora: the wallpaper " + path + " " + c.problem + "; the snow falls over a dark background\n");
            EXPECT_EQ(shown.at(1279, 719), kBlackPixel);
        } else {
            EXPECT_EQ(nivora->err, "");
            EXPECT_EQ(shown.at(1279, 719), blendOverBlack(0x002080C0u, *brightnessAlpha(testSettings().blightness)));
        }
    }
}

TEST_F(WaylandTest, BadOptionsEndWithStatusTwoBeforeAnyConnection)
{
    startSway();
    auto nivora = start(bin("nivora"), {"--wayland", "-root"}, session());
    EXPECT_EQ(nivora->wait(), 2);
    EXPECT_EQ(nivora->err, "nivora: -root draws on an X11 display; it cannot go with --wayland\n");
}

// Processes of this test's session (their XDG_RUNTIME_DIR is the test's own), named `name`: other tests' programs
// of the same name, which may run beside these, are not counted.
std::vector<pid_t> sessionProcesses(const std::string& name, const std::string& runtime)
{
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (!proc)
        return found;
    while (const dirent* entry = readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream comm("/proc/" + pid + "/comm"), environ("/proc/" + pid + "/environ");
        std::string command;
        std::getline(comm, command);
        const std::string variables((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
        std::string wanted = "XDG_RUNTIME_DIR=";
        wanted.append(runtime).push_back('\0');
        if (command == name && variables.find(wanted) != std::string::npos)
            found.push_back(pid_t(std::stol(pid)));
    }
    closedir(proc);
    return found;
}

// Whether `pid` holds a socket: it has connected.
bool holdsSocket(pid_t pid)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        char target[256] = {};
        if (readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target - 1) > 0)
            found |= std::string_view(target).starts_with("socket:");
    }
    closedir(dir);
    return found;
}

// The colour most of a picture shows, from a grid of samples: the background, whatever few flakes lie on it.
Pixel mostPixels(const Picture& p)
{
    std::vector<Pixel> samples;
    for (int y = p.height / 16; y < p.height; y += p.height / 8)
        for (int x = p.width / 16; x < p.width; x += p.width / 8)
            samples.push_back(p.at(x, y));
    std::sort(samples.begin(), samples.end());
    Pixel best = 0;
    size_t bestCount = 0;
    for (size_t i = 0; i < samples.size();) {
        size_t j = i;
        while (j < samples.size() && samples[j] == samples[i])
            ++j;
        if (j - i > bestCount)
            best = samples[i], bestCount = j - i;
        i = j;
    }
    return best;
}

// Signals end it in every phase within 500 ms (the behaviour asks 200; the limit leaves room for a busy machine,
// a hang would take the whole patience), with status 0 and nothing said: waiting for the first answer of a socket
// that never answers, and with the compositor stopped before nivora starts or while the snow shows.
TEST_F(WaylandTest, SignalsEndItInEveryPhaseEvenWhenTheCompositorNeverAnswers)
{
    startSway();
    enum class Phase { SilentSocket, StoppedBeforeTheStart, StoppedWhileShown };
    for (const Phase phase : {Phase::SilentSocket, Phase::StoppedBeforeTheStart, Phase::StoppedWhileShown}) {
        SCOPED_TRACE(int(phase));
        std::unique_ptr<Child> nivora;
        int silent = -1, accepted = -1;
        if (phase == Phase::SilentSocket) {
            // A socket that takes the connection and never says a word.
            silent = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const std::string path = runtime_ + "/silent-0";
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
            ASSERT_EQ(bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
            ASSERT_EQ(listen(silent, 1), 0);
            nivora = start(bin("nivora_test"), kTestOptions,
                           {"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=silent-0"});
            ASSERT_TRUE(eventually([&] { return (accepted = accept(silent, nullptr, nullptr)) >= 0; }));
            ASSERT_TRUE(eventually([&] { return holdsSocket(nivora->pid); }));
        } else if (phase == Phase::StoppedBeforeTheStart) {
            kill(sway_->pid, SIGSTOP);
            nivora = startNivora();
            ASSERT_TRUE(eventually([&] { return holdsSocket(nivora->pid); }));
        } else {
            nivora = startNivora();
            ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
            kill(sway_->pid, SIGSTOP);
        }
        const auto sent = Clock::now();
        kill(nivora->pid, SIGTERM);
        const std::optional<int> status = nivora->wait();
        const auto took = Clock::now() - sent;
        kill(sway_->pid, SIGCONT);
        if (accepted >= 0)
            close(accepted);  // open until nivora is gone: a closed one would be an answer
        if (silent >= 0)
            close(silent);
        ASSERT_EQ(status, 0) << nivora->err;
        EXPECT_LE(took, std::chrono::milliseconds(500));
        EXPECT_EQ(nivora->err, "");
    }
}

// An output that comes while nivora starts is never added to the screens it is walking: the start ends cleanly,
// status 0 and nothing said, or the snow shows and the new output ends it as after the start. Once with the
// start held at its first shared memory (the picture of the first output) while the output comes, then a few plain
// runs with the output made at once (which nivora may also find already listed, and cover).
TEST_F(WaylandTest, AnOutputThatComesDuringTheStartEndsItCleanly)
{
    startSway();
    const std::string trace = runtime_ + "/strace";
    std::vector<std::string> variables = session();
    variables.push_back("ASAN_OPTIONS=detect_leaks=0");  // LeakSanitizer cannot stop a traced process
    std::vector<std::string> arguments{
        "-o", trace, "-e", "trace=memfd_create", "-e", "inject=memfd_create:delay_exit=2000000", bin("nivora_test")};
    arguments.insert(arguments.end(), kTestOptions.begin(), kTestOptions.end());
    auto traced = start("strace", arguments, variables);
    ASSERT_TRUE(eventually([&] {
        std::ifstream in(trace);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.find("nivora-desktop") != std::string::npos || !traced->running();
    }));
    swaymsg("create_output");
    EXPECT_EQ(traced->wait(), 0) << traced->err;
    EXPECT_EQ(traced->err.find("nivora:"), std::string::npos) << traced->err;
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        auto nivora = startNivora();
        swaymsg("create_output");
        // Listed before nivora did, the output is one of its screens: then the snow shows there and goes on.
        if (nivora->running() && snowShows(*nivora, "HEADLESS-" + std::to_string(3 + run)) && nivora->running())
            kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0) << nivora->err;
        EXPECT_EQ(nivora->err, "");
    }
}

// One true line for each fault, and status 1: names from the environment quoted as every line of nivora quotes
// them, the variable that failed named, and a compositor that dies while the desktop is taken reported as lost
// (not as an output without a picture).
TEST_F(WaylandTest, EachFaultSaysOneTrueLine)
{
    startSway();
    struct Case {
        std::vector<std::string> variables;
        const char* line;
    };
    const Case cases[] = {
        {{"WAYLAND_DISPLAY=no\x1b[31mne"}, "nivora: cannot connect to the Wayland compositor \"no\\x1b[31mne\"\n"},
        {{"WAYLAND_SOCKET=x"}, "nivora: cannot connect to the Wayland compositor through WAYLAND_SOCKET \"x\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> variables{"XDG_RUNTIME_DIR=" + runtime_};
        variables.insert(variables.end(), c.variables.begin(), c.variables.end());
        auto nivora = start(bin("nivora_test"), {"--wayland"}, variables);
        EXPECT_EQ(nivora->wait(), 1);
        EXPECT_EQ(nivora->err, c.line);
    }
    const std::string trace = runtime_ + "/strace";
    std::vector<std::string> arguments{
        "-o", trace, "-e", "trace=memfd_create", "-e", "inject=memfd_create:delay_exit=2000000", bin("nivora_test")};
    arguments.insert(arguments.end(), kTestOptions.begin(), kTestOptions.end());
    std::vector<std::string> variables = session();
    variables.push_back("ASAN_OPTIONS=detect_leaks=0");
    auto traced = start("strace", arguments, variables);
    ASSERT_TRUE(eventually([&] {
        std::ifstream in(trace);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.find("nivora-desktop") != std::string::npos || !traced->running();
    }));
    kill(sway_->pid, SIGKILL);
    EXPECT_EQ(traced->wait(), 1);
    EXPECT_EQ(traced->err, "nivora: the connection to the Wayland compositor was lost\n");
}

// Three buffers of an output must fit one shared-memory pool, whose size is an int32_t: 2 GiB less a byte.
TEST(ShmBuffersTest, BuffersFitOnePoolUpToTwoGibibytes)
{
    struct Case {
        int64_t width, height;
        bool fits;
    };
    const Case cases[] = {{3840, 2160, true},    {7680, 4320, true},    {13377, 13377, true},
                          {13378, 13378, false}, {16384, 16384, false}, {1, 178956970, true},
                          {1, 178956971, false}, {0, 720, false},       {1 << 30, 1 << 30, false}};
    for (const Case& c : cases)
        EXPECT_EQ(ShmBuffers::fits(c.width, c.height, 3), c.fits) << c.width << " x " << c.height;
}

// Another program that takes the keyboard is in front: a locker started while the snow shows ends it at once.
// The headless seat has a keyboard only while a virtual one lives: wtype's, waiting long before its key, is there
// as the locker comes (its key then goes to the locker).
TEST_F(WaylandTest, ALockerStartedWhileTheSnowShowsEndsItWithinOneSecond)
{
    startSway();
    auto nivora = startNivora({"WAYLAND_DEBUG=1"});
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    auto keyboard = start("wtype", {"-s", "20000", "a"}, session());
    ASSERT_TRUE(eventually([&] {
        nivora->running();
        return nivora->err.find("wl_keyboard@") != std::string::npos &&
               nivora->err.find(".enter(") != std::string::npos;
    })) << "the snow never had the keyboard";
    // -f: swaylock goes to the background once it has locked.
    auto locker = start("swaylock", {"-f", "--color", "000000"}, session());
    ASSERT_EQ(locker->wait(), 0) << locker->err;
    const auto locked = Clock::now();
    EXPECT_EQ(nivora->wait(), 0);
    EXPECT_LE(Clock::now() - locked, std::chrono::seconds(1));
    EXPECT_EQ(nivora->err.find("nivora:"), std::string::npos) << "a line was said";
    EXPECT_TRUE(eventually([&] { return screen("HEADLESS-1").at(640, 360) == 0; })) << "swaylock never showed";
}

// The docs' swayidle line, with seconds for minutes: nivora shows at the first timeout, and at the second swaylock
// locks on time, which ends nivora.
TEST_F(WaylandTest, TheDocsSwayidleLineLocksOnTimeWhileTheSaverShows)
{
    startSway();
    std::string saver = "'";
    saver.append(bin("nivora")).append("'");
    for (const std::string& option : kTestOptions)
        saver.append(" '").append(option).append("'");
    auto keyboard = start("wtype", {"-s", "20000", "a"}, session());  // a keyboard on the seat, as a user has
    auto idle = start("swayidle", {"-w", "timeout", "1", saver + " &", "timeout", "4", "swaylock -f --color 000000"},
                      session());
    std::vector<pid_t> savers;
    ASSERT_TRUE(eventually([&] {
        savers = sessionProcesses("nivora", runtime_);
        return !savers.empty() || !idle->running();
    })) << idle->err;
    ASSERT_EQ(savers.size(), 1u) << idle->err;
    ASSERT_TRUE(eventually([&] {
        const Picture p = screen("HEADLESS-1");
        return !p.pixels.empty() && whitePixels(p) > 20;
    })) << "the saver never showed";
    const bool showingAtTheLock = eventually([&] {
        return !sessionProcesses("swaylock", runtime_).empty() || sessionProcesses("nivora", runtime_).empty();
    });
    ASSERT_TRUE(showingAtTheLock);
    EXPECT_FALSE(sessionProcesses("swaylock", runtime_).empty()) << "the saver ended before swaylock started";
    EXPECT_TRUE(eventually([&] { return sessionProcesses("nivora", runtime_).empty(); }, std::chrono::seconds(2)))
        << "the saver goes on under the lock";
    EXPECT_TRUE(eventually([&] { return screen("HEADLESS-1").at(640, 360) == 0; })) << "swaylock never showed";
    kill(idle->pid, SIGTERM);
    idle->wait();
}

// The fade is seen on the screen falling step by step from the dimmed desktop to the desktop, each level seen nearer
// the desktop than the last, down to an opacity of half or less (blue 0x78 and over: the fade's fifth step or a
// later one), whatever grim's pace. Fade buffers never released would stop it at its third step.
TEST_F(WaylandTest, TheFadeIsSeenFallingStepByStep)
{
    startSway();
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    output({"wtype", "-s", "400", "a"}, session());
    std::vector<Pixel> levels;
    while (nivora->running()) {
        const Picture p = screen("HEADLESS-1");
        if (p.pixels.empty())
            continue;
        const Pixel level = mostPixels(p);
        if (level != kDimmedBackground && level != kBackground && (levels.empty() || levels.back() != level))
            levels.push_back(level);
    }
    EXPECT_EQ(nivora->status, 0) << nivora->err;
    std::ostringstream seen;
    for (const Pixel level : levels)
        seen << std::hex << level << " ";
    ASSERT_GE(levels.size(), 2u) << seen.str();
    for (size_t i = 1; i < levels.size(); ++i)
        for (const int shift : {16, 8, 0})
            EXPECT_GT(levels[i] >> shift & 0xFF, levels[i - 1] >> shift & 0xFF) << seen.str();
    EXPECT_GE(levels.back() & 0xFF, 0x78u) << seen.str();
}

// The fade keeps the wall clock's time while the compositor stalls: a key, then the compositor stopped, and nivora
// is gone within 2.5 s of the key (the fade takes 1.6 s).
TEST_F(WaylandTest, AStalledCompositorDoesNotHoldTheFade)
{
    startSway();
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    output({"wtype", "-s", "400", "a"}, session());
    const auto typed = Clock::now();
    ASSERT_TRUE(eventually([&] {
        const Picture p = screen("HEADLESS-1");
        return !nivora->running() || (!p.pixels.empty() && mostPixels(p) != kDimmedBackground);
    })) << "the fade never began";
    kill(sway_->pid, SIGSTOP);
    const std::optional<int> status = nivora->wait(std::chrono::seconds(3));
    const auto took = Clock::now() - typed;
    kill(sway_->pid, SIGCONT);
    EXPECT_EQ(status, 0) << nivora->err;
    EXPECT_LE(took, std::chrono::milliseconds(2500));
}

// Pointer positions are the layout's: a jump to the same place on the next output is a move in both axes.
TEST_F(WaylandTest, APointerJumpToTheSamePlaceOnAnotherOutputStartsTheFade)
{
    startSway(2);
    VirtualPointer pointer(runtime_ + "/" + socket_);
    ASSERT_TRUE(pointer.made());
    swaymsg("seat - cursor set 100 100");
    auto nivora = startNivora();
    ASSERT_TRUE(snowShows(*nivora)) << nivora->err;
    ASSERT_TRUE(snowShows(*nivora, "HEADLESS-2")) << nivora->err;
    swaymsg("seat - cursor set 110 100");  // along one axis: armed, no move yet
    EXPECT_TRUE(holdsFor([&] { return nivora->running(); }, std::chrono::milliseconds(500))) << nivora->err;
    // HEADLESS-2 lies right of HEADLESS-1: locally a move along one axis, in the layout along both.
    swaymsg("seat - cursor set " + std::to_string(1280 + 110) + " 110");
    EXPECT_EQ(nivora->wait(std::chrono::milliseconds(2500)), 0) << nivora->err;
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
                          "echo \"$DBUS_SESSION_BUS_ADDRESS\" >\"$0\" && exec mutter --headless --wayland --no-x11 " +
                              monitors_ + " --wayland-display wayland-mutter",
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

    // The snow the watcher started, once it runs: the watcher's child.
    static bool snowStarted(Child& watcher) { return watcher.running() && !childrenOf(watcher.pid).empty(); }

    std::unique_ptr<Child> session_;
    std::string runtime_, address_;
    std::string monitors_ = "--virtual-monitor 1280x720";
    Clock::time_point started_;
};

// The idle monitor says when the user has been idle, and the watcher starts the snow, a full-screen window there,
// which stays until input or a signal; SIGTERM ends both.
TEST_F(MutterIdleTest, TheIdleMonitorStartsTheSnowAsAFullScreenWindow)
{
    auto watcher = start(bin("nivora_test"), {"--idle", "2s", "-seed", "1"}, gnomeSession());
    ASSERT_TRUE(eventually([&] { return snowStarted(*watcher) || !watcher->running(); })) << watcher->err;
    EXPECT_GE(Clock::now() - started_, std::chrono::seconds(2)) << "the snow came before the idle time";
    const pid_t snow = childrenOf(watcher->pid).front();
    EXPECT_TRUE(holdsFor([&] { return snowStarted(*watcher); }, std::chrono::milliseconds(2000))) << watcher->err;
    EXPECT_EQ(watcher->err.find("layer shell"), std::string::npos) << watcher->err;
    kill(watcher->pid, SIGTERM);
    EXPECT_EQ(watcher->wait(), 0);
    EXPECT_FALSE(processRuns(snow)) << "the snow outlived its watcher";
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
            holdsFor([&] { return watcher->running() && !snowStarted(*watcher); }, std::chrono::milliseconds(4000)))
            << "the snow came: " << watcher->err;
        bus.blocks = false;
        const auto pressed = Clock::now();
        ASSERT_TRUE(bus.pressShift());
        ASSERT_TRUE(eventually([&] { return snowStarted(*watcher) || !watcher->running(); })) << watcher->err;
        EXPECT_GE(Clock::now() - pressed, std::chrono::seconds(2)) << "the snow came before the idle time";
        kill(watcher->pid, SIGTERM);
        EXPECT_EQ(watcher->wait(), 0);
    }
}

// The lines nivora itself says, without the protocol's log that WAYLAND_DEBUG adds to standard error.
std::string ownLines(const std::string& err)
{
    std::istringstream in(err);
    std::string line, own;
    while (std::getline(in, line))
        if (line.rfind("nivora:", 0) == 0)
            own += line + "\n";
    return own;
}

// Whether the protocol log shows a window configured at width x height: the size the compositor gave it.
bool configuredAt(const std::string& err, int width, int height)
{
    const std::string size = ".configure(" + std::to_string(width) + ", " + std::to_string(height) + ", ";
    for (size_t at = err.find("xdg_toplevel@"); at != std::string::npos; at = err.find("xdg_toplevel@", at + 1))
        if (err.compare(err.find_first_of(".", at), size.size(), size) == 0)
            return true;
    return false;
}

constexpr std::string_view kNoScreencopyLine =
    "nivora: the compositor offers no screencopy (zwlr_screencopy_manager_v1); the snow falls over a dark "
    "background\n";

// GNOME's compositor with two monitors: no layer shell there, so the snow is a full-screen window on each.
class MutterWindowTest : public MutterIdleTest {
protected:
    MutterWindowTest() { monitors_ = "--virtual-monitor 1280x720 --virtual-monitor 800x600"; }

    std::string heldFile() const { return runtime_ + "/held"; }
    std::unique_ptr<Child> startNivora(std::vector<std::string> variables = {})
    {
        std::remove(heldFile().c_str());
        std::vector<std::string> all = gnomeSession();
        all.push_back("NIVORA_HELD_FILE=" + heldFile());
        all.insert(all.end(), variables.begin(), variables.end());
        return start(bin("nivora_test"), {"-seed", "1"}, all);
    }
    // Until the held frame has been shown on every output (each window's frame called back).
    bool heldShown(Child& nivora)
    {
        return eventually([&] {
            std::ifstream in(heldFile());
            unsigned long frames = 0;
            return !nivora.running() || (in >> frames && frames == 40);
        });
    }
};

// Each monitor gets a window of its size, and the held frame is shown on both: both windows are full screen and
// drawn. SIGTERM ends it with status 0 (how soon is printed; the limit is generous for a busy machine).
TEST_F(MutterWindowTest, EachMonitorGetsAFullScreenWindowAndSigtermEndsIt)
{
    auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=40", "WAYLAND_DEBUG=1"});
    ASSERT_TRUE(heldShown(*nivora)) << ownLines(nivora->err);
    ASSERT_TRUE(nivora->running()) << ownLines(nivora->err);
    EXPECT_TRUE(configuredAt(nivora->err, 1280, 720));
    EXPECT_TRUE(configuredAt(nivora->err, 800, 600));
    EXPECT_NE(nivora->err.find("xdg_toplevel@"), std::string::npos);
    EXPECT_EQ(nivora->err.find("zwlr_layer"), std::string::npos);
    const auto sent = Clock::now();
    kill(nivora->pid, SIGTERM);
    ASSERT_EQ(nivora->wait(), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    std::printf("mutter: ended %lld ms after SIGTERM\n", static_cast<long long>(took.count()));
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(ownLines(nivora->err), kNoScreencopyLine);
}

// Keys through mutter's remote desktop reach the window: the first starts the fade, the second ends it at once.
TEST_F(MutterWindowTest, KeysThroughTheRemoteDesktopEndIt)
{
    GnomeBus bus(address_);
    ASSERT_EQ(bus.startRemoteDesktop(), "");
    auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=40"});
    ASSERT_TRUE(heldShown(*nivora)) << nivora->err;
    ASSERT_TRUE(nivora->running()) << nivora->err;
    // Shift, pressed and released, until it ends: two are enough once the window has the keyboard.
    ASSERT_TRUE(eventually([&] {
        bus.pressShift();
        return nivora->wait(std::chrono::milliseconds(500)).has_value();
    }));
    EXPECT_EQ(nivora->status, 0);
    EXPECT_EQ(nivora->err, kNoScreencopyLine);
}

// Another program's window that comes to the front takes the active state and the keyboard: the snow ends, with
// status 0, as on Windows.
TEST_F(MutterWindowTest, AnotherWindowComingToTheFrontEndsIt)
{
    auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=40"});
    ASSERT_TRUE(heldShown(*nivora)) << nivora->err;
    ASSERT_TRUE(nivora->running()) << nivora->err;
    auto other = start("weston-simple-shm", {}, gnomeSession());
    EXPECT_EQ(nivora->wait(), 0);
    EXPECT_EQ(nivora->err, kNoScreencopyLine);
    kill(other->pid, SIGTERM);
    other->wait();
}

// weston, headless: no layer shell either, and its window is full screen on its one output.
class WestonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/weston-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        weston_ = start("weston",
                        {"--backend=headless-backend.so", "--socket=wayland-weston", "--width=1024", "--height=640",
                         "--idle-time=0"},
                        {"XDG_RUNTIME_DIR=" + runtime_});
        ASSERT_TRUE(eventually([&] {
            struct stat socket {};
            return stat((runtime_ + "/wayland-weston").c_str(), &socket) == 0 || !weston_->running();
        })) << "weston never listened";
        ASSERT_TRUE(weston_->running()) << weston_->err;
    }
    void TearDown() override
    {
        if (weston_ && weston_->running()) {
            kill(weston_->pid, SIGTERM);
            weston_->wait();
        }
    }
    std::unique_ptr<Child> weston_;
    std::string runtime_;
};

TEST_F(WestonTest, AFullScreenWindowShowsTheSnowAndSigtermEndsIt)
{
    const std::string held = runtime_ + "/held";
    auto nivora = start(bin("nivora_test"), {"-seed", "1"},
                        {"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=wayland-weston", "WAYLAND_DEBUG=1",
                         "NIVORA_HOLD_AFTER_FRAMES=40", "NIVORA_HELD_FILE=" + held});
    ASSERT_TRUE(eventually([&] {
        std::ifstream in(held);
        unsigned long frames = 0;
        return !nivora->running() || (in >> frames && frames == 40);
    })) << ownLines(nivora->err);
    ASSERT_TRUE(nivora->running()) << ownLines(nivora->err);
    EXPECT_TRUE(configuredAt(nivora->err, 1024, 640));
    const auto sent = Clock::now();
    kill(nivora->pid, SIGTERM);
    ASSERT_EQ(nivora->wait(), 0);
    std::printf(
        "weston: ended %lld ms after SIGTERM\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()));
    EXPECT_EQ(ownLines(nivora->err), kNoScreencopyLine);
}

// KDE's compositor, nested in an Xvfb whose windows are its outputs, with a session bus of its own: the screen is
// read from the Xvfb, and keys come through it. scripts/wayland_test.sh gives NIVORA_KWIN, a plain copy of
// kwin_wayland (the installed one carries a file capability that keeps it from starting here), and
// NIVORA_KWIN_DISPLAY. KWin offers no screencopy, and no desktop is named for a wallpaper: the desktop is black.
class KwinTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 1024, kHeight = 768;  // each output's logical size

    // KWin with `outputs` outputs at `scale`; ready once its first output's window is on the Xvfb.
    void startKwin(const std::string& scale, int outputs = 1)
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/kwin-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        kwin_ = start("dbus-run-session",
                      {"--", environment("NIVORA_KWIN"), "--x11-display", display(), "--socket", "wayland-kwin",
                       "--scale", scale, "--output-count", std::to_string(outputs), "--width", std::to_string(kWidth),
                       "--height", std::to_string(kHeight), "--no-lockscreen", "--no-global-shortcuts"},
                      {"XDG_RUNTIME_DIR=" + runtime_});
        ASSERT_TRUE(eventually([&] {
            struct stat socket {};
            return (stat((runtime_ + "/wayland-kwin").c_str(), &socket) == 0 &&
                    output({"xwininfo", "-display", display(), "-root", "-tree"}, {}).find("KDE Wayland Compositor") !=
                        std::string::npos) ||
                   !kwin_->running();
        })) << "KWin never listened";
        ASSERT_TRUE(kwin_->running()) << kwin_->err;
    }
    void TearDown() override
    {
        // dbus-run-session leaves its child running when it is ended itself: KWin is ended, and the bus with it.
        if (kwin_ && kwin_->running()) {
            for (const pid_t child : childrenOf(kwin_->pid))
                kill(child, SIGTERM);
            if (!kwin_->wait())
                kill(kwin_->pid, SIGKILL);
        }
    }
    static std::string display() { return environment("NIVORA_KWIN_DISPLAY"); }
    std::vector<std::string> kwinSession() const
    {
        return {"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=wayland-kwin"};
    }
    // The Xvfb's top-left width x height pixels: the first output's window, which lies there.
    Picture screen(int width, int height) const
    {
        const std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+0+0";
        return fromPpm(output(
            {"import", "-display", display(), "-window", "root", "-crop", crop, "+repage", "-depth", "8", "ppm:-"},
            {}));
    }
    std::unique_ptr<Child> startNivora(const std::vector<std::string>& variables = {})
    {
        std::vector<std::string> all = kwinSession();
        all.insert(all.end(), variables.begin(), variables.end());
        return start(bin("nivora_test"), kTestOptions, all);
    }

    std::unique_ptr<Child> kwin_;
    std::string runtime_;
};

// KWin tells the surface its preferred scale before it is shown and again after its first commit: the snow is
// built again at the second without ending, and stays. At scale 1 its held frame is the core's frame over the black
// desktop.
TEST_F(KwinTest, AtEveryScaleTheSnowStaysAndAtOneItsFrameIsTheCores)
{
    struct Case {
        const char* scale;
        double factor;
        int width, height;  // the output's pixels
    };
    const Case cases[] = {{"1", 1.0, 1024, 768}, {"1.5", 1.5, 1536, 1152}, {"2", 2.0, 2048, 1536}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "KWin at scale " << c.scale);
        startKwin(c.scale);
        const std::string held = runtime_ + "/held";
        auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=60", "NIVORA_HELD_FILE=" + held});
        ASSERT_TRUE(eventually([&] {
            std::ifstream in(held);
            unsigned long frames = 0;
            return !nivora->running() || (in >> frames && frames == 60);
        })) << nivora->err;
        ASSERT_TRUE(nivora->running()) << "ended with " << nivora->status.value_or(-1) << ": " << nivora->err;
        const std::string name = std::string("kwin-scale") + c.scale;
        const Picture shown = screen(c.width, c.height);
        if (c.factor == 1.0) {
            EXPECT_TRUE(samePictures(name, shown, coreFrame(c.width, c.height, 1.0, 60, {})));
        } else {
            // Built at scale 1 for the first frame (KWin says 120 before it), then at the output's scale from the
            // second on: the snow is drawn at the output's own pixels, flakes of the scale's size.
            EXPECT_GT(whitePixels(shown), 20u);
            EXPECT_NE(shown.pixels, coreFrame(c.width, c.height, 1.0, 60, {}).pixels);
        }
        EXPECT_TRUE(holdsFor([&] { return nivora->running(); }, std::chrono::milliseconds(5000))) << nivora->err;
        EXPECT_GT(whitePixels(screen(c.width, c.height)), 20u) << "the snow left the screen";
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(nivora->err, kNoScreencopyLine);
        TearDown();
    }
}

// A key typed on the Xvfb reaches the snow through KWin: the fade is seen between the full snow and nothing, and
// the saver ends by itself, status 0.
TEST_F(KwinTest, AKeyFadesTheSnowOutAndEndsIt)
{
    startKwin("1");
    // The pointer rests on the output before the snow comes: focus follows it there, and it never moves again.
    output({"xdotool", "mousemove", "100", "100"}, {"DISPLAY=" + display()});
    auto nivora = startNivora();
    ASSERT_TRUE(eventually([&] { return whitePixels(screen(kWidth, kHeight)) > 20 || !nivora->running(); }));
    ASSERT_TRUE(nivora->running()) << nivora->err;
    output({"xdotool", "key", "a"}, {"DISPLAY=" + display()});
    // Part faded: no flake white any more, yet flakes still to be seen as grey over the black.
    bool halfway = false;
    ASSERT_TRUE(eventually([&] {
        const Picture p = screen(kWidth, kHeight);
        const size_t grey = size_t(std::count_if(p.pixels.begin(), p.pixels.end(),
                                                 [](Pixel px) { return (px & 0xFF) > 0x20 && (px & 0xFF) <= 220; }));
        halfway |= !p.pixels.empty() && whitePixels(p) == 0 && grey > 20;
        return !nivora->running();
    })) << "the key did not end it: "
        << nivora->err;
    EXPECT_EQ(nivora->status, 0);
    EXPECT_EQ(nivora->err, kNoScreencopyLine);
    EXPECT_TRUE(halfway) << "no step of the fade was seen";
    EXPECT_TRUE(eventually([&] { return whitePixels(screen(kWidth, kHeight)) == 0; }));
}

// Asks the X window `window` to close, as a window manager's close button does (WM_DELETE_WINDOW): KWin then
// removes the output that the window shows. Through libX11 from Python, as xdotool 3.2016 only destroys windows.
void closeWindow(const std::string& display, const std::string& window)
{
    const std::string script = R"(
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
d = x.XOpenDisplay(sys.argv[1].encode())
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.window = int(sys.argv[2], 0)
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, e.xclient.window, 0, 0, ctypes.byref(e))
x.XCloseDisplay(d)
)";
    output({"python3", "-c", script, display, window}, {});
}

// KWin's output windows on the Xvfb, the topmost first.
std::vector<std::string> kwinWindows(const std::string& display)
{
    std::istringstream tree(output({"xwininfo", "-display", display, "-root", "-tree"}, {}));
    std::vector<std::string> windows;
    for (std::string line; std::getline(tree, line);)
        if (line.find("KDE Wayland Compositor") != std::string::npos) {
            std::istringstream words(line);
            std::string id;
            words >> id;
            windows.push_back(id);
        }
    return windows;
}

// An output removed while the start is held before any surface lies on it (at the look for Plasma's wallpaper):
// KWin has no surface of nivora's to close there, so the removal alone must end it, and the start ends cleanly.
// (Once the snow shows, KWin closes the surface on a removed output before it removes the output, which would hide
// a removal that ends nothing.)
TEST_F(KwinTest, AnOutputRemovedDuringTheStartEndsItCleanly)
{
    startKwin("1", 2);
    ASSERT_TRUE(eventually([&] { return kwinWindows(display()).size() == 2; }));
    const std::string config = runtime_ + "/config", trace = runtime_ + "/strace";
    ASSERT_EQ(mkdir(config.c_str(), 0700), 0);
    std::vector<std::string> variables = kwinSession();
    variables.insert(variables.end(), {"XDG_CURRENT_DESKTOP=KDE", "XDG_CONFIG_HOME=" + config});
    std::vector<std::string> arguments{"-o",
                                       trace,
                                       "-P",
                                       config + "/plasma-org.kde.plasma.desktop-appletsrc",
                                       "-e",
                                       "trace=openat",
                                       "-e",
                                       "inject=openat:delay_exit=5000000",
                                       bin("nivora_test")};
    arguments.insert(arguments.end(), kTestOptions.begin(), kTestOptions.end());
    auto traced = start("strace", arguments, variables);
    ASSERT_TRUE(eventually([&] {
        std::ifstream in(trace);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.find("appletsrc") != std::string::npos || !traced->running();
    }));
    ASSERT_TRUE(traced->running()) << traced->err;
    closeWindow(display(), kwinWindows(display()).front());
    EXPECT_TRUE(eventually([&] { return kwinWindows(display()).size() == 1; })) << "KWin kept the output";
    EXPECT_EQ(traced->wait(), 0) << traced->err;
    EXPECT_EQ(traced->err.find("nivora: the compositor gave no place"), std::string::npos) << traced->err;
}

// GNOME's compositor nested in an Xvfb of its own, with a session bus of its own: headless mutter has no way to
// read its screen, but nested, its one monitor is an X11 window at the Xvfb's origin, read with ImageMagick's
// `import`. Its cursor is drawn into that window, so the pointer is moved into it first, where the snow hides it.
class NestedMutterTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 1280, kHeight = 720;

    void SetUp() override
    {
        static int run = 0;
        runtime_ = environment("XDG_RUNTIME_DIR") + "/nested-" + std::to_string(getpid()) + "-" + std::to_string(++run);
        ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0) << runtime_;
        const std::string displayFile = runtime_ + "/display";
        xvfb_ = start(
            "sh", {"-c", "exec Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>\"$0\"", displayFile},
            {});
        ASSERT_TRUE(eventually([&] {
            std::ifstream in(displayFile);
            std::string number;
            if (std::getline(in, number) && !number.empty())
                display_ = ":" + number;
            return !display_.empty() || !xvfb_->running();
        })) << "Xvfb never said its display";
        ASSERT_TRUE(xvfb_->running()) << xvfb_->err;

        const std::string addressFile = runtime_ + "/bus-address";
        session_ = start("dbus-run-session",
                         {"--", "sh", "-c",
                          "echo \"$DBUS_SESSION_BUS_ADDRESS\" >\"$0\" && exec mutter --nested --wayland --no-x11 "
                          "--wayland-display wayland-nested",
                          addressFile},
                         {"XDG_RUNTIME_DIR=" + runtime_, "DISPLAY=" + display_,
                          "MUTTER_DEBUG_DUMMY_MODE_SPECS=" + std::to_string(kWidth) + "x" + std::to_string(kHeight)});
        ASSERT_TRUE(eventually([&] {
            std::ifstream in(addressFile);
            std::getline(in, address_);
            struct stat socket {};
            return (!address_.empty() && stat((runtime_ + "/wayland-nested").c_str(), &socket) == 0) ||
                   !session_->running();
        })) << "mutter never listened";
        ASSERT_TRUE(session_->running()) << session_->err;
        std::string seen;
        // mutter draws its cursor where the X pointer last moved: into the middle of its window, until it shows there
        // (the arrow's tip is white, mutter's own background never is; the tip may still be at the pixel aside).
        ASSERT_TRUE(eventually([&] {
            // A move to where the pointer already is makes no event: it goes one pixel aside first.
            output({"xdotool", "mousemove", std::to_string(kPointerX - 1), std::to_string(kPointerY), "mousemove",
                    std::to_string(kPointerX), std::to_string(kPointerY)},
                   {"DISPLAY=" + display_});
            const Picture p = screen();
            bool white = false;
            for (int y = kPointerY - 2; !p.pixels.empty() && y <= kPointerY + 2; ++y)
                for (int x = kPointerX - 3; x <= kPointerX + 2; ++x)
                    white |= p.at(x, y) == 0x00FFFFFFu;
            seen = p.pixels.empty() ? "no picture" : std::to_string(p.at(kPointerX, kPointerY));
            return white || !session_->running();
        })) << "mutter never showed its window with the pointer in it: "
            << seen;
        ASSERT_TRUE(session_->running()) << session_->err;
    }
    void TearDown() override
    {
        if (session_ && session_->running()) {
            for (const pid_t child : childrenOf(session_->pid))
                kill(child, SIGTERM);
            if (!session_->wait())
                kill(session_->pid, SIGKILL);
        }
        if (xvfb_ && xvfb_->running()) {
            kill(xvfb_->pid, SIGTERM);
            xvfb_->wait();
        }
    }

    // The Xvfb's screen, which mutter's window covers.
    Picture screen() const
    {
        return fromPpm(output({"import", "-window", "root", "-depth", "8", "ppm:-"}, {"DISPLAY=" + display_}));
    }
    std::string heldFile() const { return runtime_ + "/held"; }
    // The test build with the test options on this compositor, as GNOME's session would start it, with these
    // variables besides.
    std::unique_ptr<Child> startNivora(const std::vector<std::string>& variables)
    {
        std::remove(heldFile().c_str());
        std::vector<std::string> all{"XDG_RUNTIME_DIR=" + runtime_, "WAYLAND_DISPLAY=wayland-nested",
                                     "DBUS_SESSION_BUS_ADDRESS=" + address_, "XDG_CURRENT_DESKTOP=GNOME",
                                     "NIVORA_HELD_FILE=" + heldFile()};
        all.insert(all.end(), variables.begin(), variables.end());
        return start(bin("nivora_test"), kTestOptions, all);
    }
    // Until the held frame has been shown: the frame count written once the compositor called it back.
    bool held(Child& nivora, unsigned long frames)
    {
        return eventually([&] {
            std::ifstream in(heldFile());
            unsigned long count = 0;
            return !nivora.running() || (in >> count && count == frames);
        });
    }

    static constexpr int kPointerX = 1000, kPointerY = 500;
    std::unique_ptr<Child> xvfb_, session_;
    std::string runtime_, display_, address_;
};

// On GNOME, with the wallpaper set through GSettings (a keyfile backend, as the session's dconf would answer), the
// held frames on mutter's screen are the core's frames over that picture dimmed, pixel for pixel: the full-screen
// window is shown unscaled and whole, the snow moves between the two, and the cursor is hidden over it.
TEST_F(NestedMutterTest, HeldFramesAreTheCoresFramesOverTheGSettingsWallpaperDimmed)
{
    constexpr Pixel kLeft = 0x00C04020u, kRight = 0x002080C0u;
    const std::string config = runtime_ + "/config-home";
    for (const std::string& folder : {config, config + "/glib-2.0", config + "/glib-2.0/settings"})
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    ASSERT_TRUE(writeHalves(runtime_ + "/wall.png", kWidth, kHeight, "#c04020", "#2080c0"));
    writeFile(config + "/glib-2.0/settings/keyfile", "[org/gnome/desktop/background]\n"
                                                     "picture-uri='file://" +
                                                         runtime_ +
                                                         "/wall.png'\n"
                                                         "picture-options='zoom'\n");
    for (const unsigned long frames : {40ul, 160ul}) {
        SCOPED_TRACE(testing::Message() << frames << " frames");
        auto nivora = startNivora({"NIVORA_HOLD_AFTER_FRAMES=" + std::to_string(frames), "GSETTINGS_BACKEND=keyfile",
                                   "XDG_CONFIG_HOME=" + config});
        ASSERT_TRUE(held(*nivora, frames)) << nivora->err;
        ASSERT_TRUE(nivora->running()) << nivora->err;
        // The held frame was called back, so mutter has drawn it; read the screen until two readings agree, so that
        // a copy to the Xvfb still under way is not taken for the frame.
        Picture last, now;
        ASSERT_TRUE(eventually([&] {
            last = std::exchange(now, screen());
            return !now.pixels.empty() && now.pixels == last.pixels;
        }));
        EXPECT_TRUE(samePictures("nested-mutter-" + std::to_string(frames), now,
                                 coreFrameOverHalves(int(frames), kLeft, kRight)))
            << nivora->err;
        EXPECT_TRUE(nivora->running()) << "the pointer resting over it is no input: " << nivora->err;
        kill(nivora->pid, SIGTERM);
        EXPECT_EQ(nivora->wait(), 0);
        EXPECT_EQ(ownLines(nivora->err), "");
    }
}

}  // namespace
}  // namespace nivora::wayland
