// Helpers of the end-to-end tests: starting nivora.scr, finding its windows, the registry, screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The one limit of every wait for a state in these tests: a window to show, frames to come, a saver to end, an
// answer to a message. A poll ends as soon as its state holds, so the limit costs time only when a test fails; it is
// far beyond what a machine that other work keeps busy takes for a state that comes within a second when idle. No
// test asserts how soon a state comes: the frame rate is measured by the benchmarks.
constexpr DWORD kPatienceMs = 120000;
constexpr DWORD kAppearMs = kPatienceMs;  // a started saver shows its window
// Without a window manager Wine waits up to 2 s for each window it hides; every exit bound allows for them.
constexpr DWORD kHiddenWindowWaitMs = 2000;
constexpr DWORD exitLimitMs(int hiddenWindows)
{
    return kPatienceMs + DWORD(hiddenWindows) * kHiddenWindowWaitMs;
}
// A saver told to run frames ahead shows its window only after them: 20 ms each beside the patience, ten times what
// a frame of 3000 flakes takes on an idle machine.
constexpr DWORD framesAheadLimitMs(int framesAhead)
{
    return kPatienceMs + DWORD(framesAhead) * 20;
}

// The saver the tests start: nivora_test.scr beside the test program, nivora.scr with the tests' seams (the
// readback, frames run ahead).
std::wstring saverPath();
// The nivora.scr beside the test program, as shipped.
std::wstring shippedSaverPath();

// The test bed that scripts/e2e.sh set up for this run (NIVORA_E2E_BED): "one" monitor, two monitors "side" by side
// or one "above" the other, or one monitor at another "dpi"; empty when the tests run on their own. A test that needs
// a bed fails when the bed is said to be there and is not, and skips only when no bed is said.
std::wstring bed();
bool bedHasTwoMonitors();
// The DPI the bed asked for (NIVORA_E2E_BED_DPI), 96 when it asked for none.
int bedDpi();

// The monitors as the system reports them, in desktop coordinates.
struct MonitorArea {
    RECT bounds;
    bool primary;
};
std::vector<MonitorArea> monitors();
// This thread's DPI awareness as the system reports it; DPI_AWARENESS_INVALID where it cannot say.
DPI_AWARENESS ownDpiAwareness();

// A started nivora.scr; terminated when the test lets go of it, also when the test fails.
class Saver {
public:
    explicit Saver(const std::wstring& arguments);
    // The program at this path, started with exactly this command line (the system starts savers unquoted).
    Saver(const std::wstring& program, std::wstring commandLine);
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    DWORD pid() const { return info_.dwProcessId; }
    HANDLE process() const { return info_.hProcess; }
    // The process's first thread, which runs the snow window's message loop.
    HANDLE mainThread() const { return info_.hThread; }
    // True when the process ended within the time (messages of this thread are pumped meanwhile).
    bool waitExit(DWORD milliseconds = kPatienceMs);
    bool running();
    DWORD exitCode();
    // The process's top-level window with this caption, waited for.
    HWND waitForWindow(const wchar_t* caption, DWORD milliseconds = kAppearMs);

private:
    PROCESS_INFORMATION info_{};
};

// Pumps this thread's messages for a while (a test window may host the saver's preview).
void pump(DWORD milliseconds);
// Polls (pumping this thread's messages) until the condition holds or the time is up; returns the condition.
// Tests wait for the state they expect this way, never with a fixed sleep before an assertion.
bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds = kPatienceMs);
// For a state that must last rather than arrive: polls for the whole time, false as soon as the condition fails.
bool holdsFor(const std::function<bool()>& condition, DWORD milliseconds);

std::vector<HWND> topLevelWindowsOf(DWORD pid);
std::wstring captionOf(HWND hwnd);
// The picture box that shows the snow and takes the keys: the largest visible child of the snow window.
HWND picMainOf(HWND window);

// The settings store of the current user.
void clearStore();
void storeText(const wchar_t* name, const std::wstring& text);
void storeRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes);
bool storeExists();

// The screen as 0x00RRGGBB pixels, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
// Every window inside `parent`, at any depth, and a window's class name.
std::vector<HWND> descendants(HWND parent);
std::wstring className(HWND hwnd);

Picture captureScreen();
// The most common colour of a block of a picture: the background there, whatever snow falls through it.
uint32_t dominantColour(const Picture& picture, const RECT& r);
// A part of the desktop, in desktop coordinates (the primary monitor's corner is (0, 0)).
Picture captureScreen(const RECT& area);
RECT virtualScreenRect();
// Frames the snow window has drawn so far (the test build answers the registered message of
// readback::kFrameCountMessageName); 0 from the shipped saver, which has no such message; -1 when it does not answer
// within the patience (its window is gone, say). A saver still running its frames ahead, or starved of the
// processor, answers late rather than not at all.
int64_t frameCount(HWND snowWindow);
// Waits until the snow window has drawn `frames` more frames than it had; false when its window goes or the limit
// passes. Messages posted to it before are handled by then, as each pass of its loop handles the waiting messages
// before it draws.
bool waitFrames(HWND snowWindow, int64_t frames, DWORD limit = kPatienceMs);
// True once the screen inside `area` shows something other than it did at the call: frames are being drawn.
bool screenChanges(const RECT& area, DWORD milliseconds = kAppearMs);
// Writes a 24-bit BMP (the test script turns it into a PNG where wanted).
void saveBmp(const Picture& picture, const std::wstring& path);
// Where pictures of a test run go: the folder of NIVORA_E2E_OUTPUT, or the program's own folder.
std::wstring outputPath(const wchar_t* name);

// A plain top-level window of the test, filled with one colour or a painter of its own.
class TestWindow {
public:
    TestWindow(const RECT& bounds, std::function<void(HDC, const RECT&)> paint, DWORD style = WS_POPUP | WS_VISIBLE);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd() const { return hwnd_; }
    void destroy();

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    std::function<void(HDC, const RECT&)> paint_;
};

}  // namespace e2e
