// Test-only protocol by which the end-to-end tests count the snow window's frames and read back its own picture, to
// compare it with what the screen shows; shared by the test build of the saver (test_seams.cpp) and the tests. Every
// wide string here is a seam's name, which scripts/check_shipped.sh looks for in what ships.
#pragma once

#include <windows.h>

#include <cstdint>

namespace nivora::readback {

// Registered with RegisterWindowMessageW and sent to the snow window: it answers the frames drawn so far.
inline constexpr const wchar_t* kFrameCountMessageName = L"NivoraFrameCount";
// Registered and sent the same way; wParam is one of the requests below. Answered only when the environment
// variable is "1" for the saver.
inline constexpr const wchar_t* kMessageName = L"NivoraTestReadback";
inline constexpr const wchar_t* kEnvironmentVariable = L"NIVORA_TEST_READBACK";
// A whole number of frames (at most kMostFramesAhead) that the saver runs before it shows the first one, so that
// tests and benchmarks see the snow as after minutes of running: every flake in the picture, snow settled.
inline constexpr const wchar_t* kFramesAheadVariable = L"NIVORA_FRAMES_AHEAD";
inline constexpr uint32_t kMostFramesAhead = 100000;
// "1": the settings window follows a WM_DPICHANGED of any scale, not only the one it is at. Wine keeps one scale for
// every monitor, so the tests send the message that a move to another monitor would bring.
inline constexpr const wchar_t* kAnyScaleVariable = L"NIVORA_TEST_ANY_SCALE";

enum Request : WPARAM {
    // Stops the frames and writes picture number lParam (one per monitor, 0 first) into the mapping below; returns 1
    // when written, 0 when there is no such picture.
    kHoldAndWrite = 1,
    kRelease = 2,  // lets the frames run again; returns 1
};

// The test creates a file mapping of this name, with the saver's process id, large enough for the header and the
// pixels of one picture: the header, then width x height pixels 0x00RRGGBB, top row first.
inline constexpr const wchar_t* kMappingPrefix = L"Local\\NivoraReadback-";
struct Header {
    int32_t left;  // the picture's top-left corner on the virtual screen
    int32_t top;
    int32_t width;
    int32_t height;
};

}  // namespace nivora::readback
