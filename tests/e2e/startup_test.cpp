// Start-up of nivora.scr as the system starts it: the three modes, the command line as Windows writes it, the
// single instance, the preview host, and what the registry reader makes of unusual values.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "saver.h"
#include "saver_expectations.h"

#include <psapi.h>  // after windows.h, which saver.h brings

using e2e::Saver;

namespace {

class StartUp : public ::testing::Test {
protected:
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }
};

RECT screenRect()
{
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::wstring handleText(HWND hwnd)
{
    return std::to_wstring(reinterpret_cast<INT_PTR>(hwnd));
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The settings dialog of a saver: of the two windows captioned "Nivora Setting", the one with a caption bar.
HWND settingsDialogOf(Saver& saver)
{
    HWND dialog = nullptr;
    e2e::pumpUntil(
        [&] {
            for (HWND w : e2e::topLevelWindowsOf(saver.pid()))
                if (IsWindowVisible(w) && e2e::captionOf(w) == L"Nivora Setting" &&
                    (GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
                    dialog = w;
            return dialog != nullptr;
        },
        e2e::kAppearMs);
    return dialog;
}

// The message text box of the settings dialog, and its text as the user sees it.
HWND messageBoxOf(HWND dialog)
{
    for (HWND w : e2e::descendants(dialog))
        if (_wcsicmp(e2e::className(w).c_str(), L"Edit") == 0)
            return w;
    return nullptr;
}

std::wstring textOf(HWND hwnd)
{
    std::wstring text(4096, L'\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 5000,
                        &length);
    text.resize(std::min<size_t>(length, text.size()));
    return text;
}

TEST_F(StartUp, FullScreenShowsATopmostWindowCoveringTheScreen)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(
        e2e::pumpUntil([&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, e2e::kAppearMs));
    RECT r{};
    GetWindowRect(window, &r);
    const RECT screen = screenRect();
    EXPECT_EQ(r.left, screen.left);
    EXPECT_EQ(r.top, screen.top);
    EXPECT_EQ(r.right, screen.right);
    EXPECT_EQ(r.bottom, screen.bottom);
    EXPECT_TRUE(saver.running());
}

TEST_F(StartUp, NoArgumentAndEverySettingsFormOpenTheSettingsWindow)
{
    // No argument is how Explorer's "Configure" starts a saver.
    for (const wchar_t* arguments : {L"", L"/c", L"/C", L"/c:1234", L"/c 1234", L"-c"}) {
        SCOPED_TRACE(narrow(arguments));
        Saver saver(arguments);
        EXPECT_NE(settingsDialogOf(saver), nullptr);
        EXPECT_EQ(FindWindowW(nullptr, L"Nivora MAIN"), nullptr) << "no snow in the settings mode";
    }
}

// Windows writes a saver's command line with the path unquoted, and a path may hold blanks; blanks and tabs
// separate the path from the mode.
TEST_F(StartUp, CommandLinesAsTheSystemWritesThemChooseTheirMode)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Nivora test folder " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\nivora.scr";
    ASSERT_TRUE(CopyFileW(e2e::saverPath().c_str(), program.c_str(), FALSE));

    struct Case {
        const char* what;
        std::wstring commandLine;
        const wchar_t* caption;  // the window the mode shows
    };
    const Case cases[] = {
        {"unquoted path with blanks, /c", program + L" /c", L"Nivora Setting"},
        {"unquoted path with blanks, /s", program + L" /s", L"Nivora MAIN"},
        {"unquoted path with blanks, nothing else", program, L"Nivora Setting"},
        {"unquoted path, tab, /c", program + L"\t/c", L"Nivora Setting"},
        {"quoted path, tabs, /c", L"\"" + program + L"\"\t \t/c", L"Nivora Setting"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Saver saver(program, c.commandLine);
        HWND window = saver.waitForWindow(c.caption);
        EXPECT_NE(window, nullptr);
        const wchar_t* other = std::wstring(c.caption) == L"Nivora MAIN" ? L"Nivora Setting" : L"Nivora MAIN";
        EXPECT_EQ(FindWindowW(nullptr, other), nullptr);
    }
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(StartUp, WhileAFullScreenSaverOrSettingsWindowRunsEveryOtherStartEndsAtOnceWithoutAWindow)
{
    e2e::TestWindow host({100, 100, 252, 212}, nullptr);
    const std::wstring starts[] = {L"/s", L"/p " + handleText(host.hwnd()), L"/c", L""};
    struct Running {
        const wchar_t* arguments;
        const wchar_t* caption;
    };
    for (const Running running : {Running{L"/s", L"Nivora MAIN"}, Running{L"/c", L"Nivora Setting"}}) {
        SCOPED_TRACE(narrow(running.arguments) + " running");
        Saver first(running.arguments);
        ASSERT_NE(first.waitForWindow(running.caption), nullptr);
        for (const std::wstring& arguments : starts) {
            SCOPED_TRACE(narrow(arguments));
            Saver second(arguments);
            e2e::expectEndsAtOnceWithoutAWindow(second, host.hwnd());
        }
        EXPECT_TRUE(first.running());
    }
}

// The caption test alone lets starts at the same moment all pass it: each searches before any has its caption.
TEST_F(StartUp, OfStartsAtTheSameMomentOnlyOneRuns)
{
    struct Case {
        std::vector<const wchar_t*> arguments;
    };
    const Case cases[] = {
        {{L"/s", L"/s", L"/s"}},
        {{L"/c", L"/c", L"/c"}},
        {{L"/s", L"/c", L"/s", L"/c"}},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<Saver>> savers;
        for (const wchar_t* arguments : c.arguments)
            savers.push_back(std::make_unique<Saver>(arguments));
        const auto runningCount = [&] {
            return std::count_if(savers.begin(), savers.end(), [](auto& s) { return s->running(); });
        };
        // The losers end at once; the winner shows its window and keeps running.
        const bool one = e2e::pumpUntil(
            [&] {
                return runningCount() == 1 && (FindWindowW(nullptr, L"Nivora MAIN") != nullptr ||
                                               FindWindowW(nullptr, L"Nivora Setting") != nullptr);
            },
            e2e::kAppearMs + e2e::exitLimitMs(0));
        EXPECT_TRUE(one) << c.arguments.size() << " starts, still running: " << runningCount();
        EXPECT_TRUE(e2e::holdsFor([&] { return runningCount() == 1; }, 1000)) << "a second one came up late";
        for (auto& s : savers)
            if (!s->running()) {
                EXPECT_EQ(s->exitCode(), 0u);
            }
    }
}

TEST_F(StartUp, PreviewFillsItsHostAndEndsWithIt)
{
    e2e::TestWindow host({200, 200, 352, 312},
                         [](HDC dc, const RECT& r) { FillRect(dc, &r, (HBRUSH)GetStockObject(GRAY_BRUSH)); });
    Saver saver(L"/p " + handleText(host.hwnd()));

    HWND child = nullptr;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (child = FindWindowExW(host.hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; },
        e2e::kAppearMs));
    RECT hostRect{}, childRect{};
    GetWindowRect(host.hwnd(), &hostRect);
    GetWindowRect(child, &childRect);
    EXPECT_EQ(hostRect.right - hostRect.left, 152);
    EXPECT_EQ(hostRect.bottom - hostRect.top, 112);
    EXPECT_EQ(childRect.left, hostRect.left);
    EXPECT_EQ(childRect.top, hostRect.top);
    EXPECT_EQ(childRect.right, hostRect.right);
    EXPECT_EQ(childRect.bottom, hostRect.bottom);
    for (HWND w : e2e::topLevelWindowsOf(saver.pid()))
        EXPECT_FALSE(IsWindowVisible(w)) << "the preview shows a top-level window, \""
                                         << narrow(e2e::captionOf(w)) << "\"";

    host.destroy();
    EXPECT_TRUE(saver.waitExit(e2e::exitLimitMs(1))) << "the saver must end with its host";
}

TEST_F(StartUp, PreviewWithoutAUsableHostEndsAtOnce)
{
    e2e::TestWindow empty({300, 300, 300, 300}, nullptr);
    struct Case {
        const char* what;
        std::wstring arguments;
    };
    const Case cases[] = {
        {"handle 0", L"/p 0"},
        {"no number", L"/p:1234"},
        {"no handle", L"/p"},
        {"no window", L"/p 99999999"},
        // The desktop would give a screen-sized preview that nothing ever ends.
        {"the desktop window", L"/p " + handleText(GetDesktopWindow())},
        {"a host without area", L"/p " + handleText(empty.hwnd())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Saver saver(c.arguments);
        e2e::expectEndsAtOnceWithoutAWindow(saver);
    }
}

// A host larger than 16 bits can count must neither wrap the drawing area nor have the saver allocate pictures
// of its size: the preview covers at most the virtual screen.
TEST_F(StartUp, PreviewInAHostLargerThanTheScreenDrawsAtMostTheScreen)
{
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const SIZE sizes[] = {{70000, 200}, {300, 70000}, {40000, 40000}, {2 * screenWidth, 112}};
    for (const SIZE size : sizes) {
        SCOPED_TRACE(testing::Message() << "host " << size.cx << " x " << size.cy);
        e2e::TestWindow host({0, 0, size.cx, size.cy}, nullptr);
        RECT hostRect{};
        GetWindowRect(host.hwnd(), &hostRect);
        const long hostWidth = hostRect.right - hostRect.left, hostHeight = hostRect.bottom - hostRect.top;
        ASSERT_GT(std::max(hostWidth, hostHeight), long{screenWidth}) << "the system made the host no larger";

        Saver saver(L"/p " + handleText(host.hwnd()));
        HWND child = nullptr;
        ASSERT_TRUE(e2e::pumpUntil(
            [&] { return (child = FindWindowExW(host.hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; },
            e2e::kAppearMs))
            << "no preview in the host";
        RECT childRect{};
        GetWindowRect(child, &childRect);
        EXPECT_EQ(childRect.right - childRect.left, std::min(hostWidth, long{screenWidth}));
        EXPECT_EQ(childRect.bottom - childRect.top, std::min(hostHeight, long{screenHeight}));
        EXPECT_TRUE(saver.running());

        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        ASSERT_TRUE(K32GetProcessMemoryInfo(saver.process(), &memory, sizeof memory));
        EXPECT_LT(memory.PagefileUsage, SIZE_T{512} << 20) << "the saver took more memory than any screen needs";
    }
}

// The registry reader against what a hand-edited or foreign registry holds. A string value ends at its first NUL,
// with or without a terminating one; an expandable string is expanded, as the system's own readers do; a list of
// strings is no single text and reads as not stored, as numbers and binary values do.
TEST_F(StartUp, UnusualRegistryValuesReadAsTheSystemReadsStrings)
{
    SetEnvironmentVariableW(L"NIVORA_TEST_WORD", L"Deep");  // the saver inherits it
    struct Case {
        const char* what;
        DWORD type;
        std::wstring data;  // the stored units, exactly
        size_t extraByte;   // 1: one stray byte more, an odd size
        std::wstring shown;
    };
    const std::wstring defaultMessage = L"TOVEK Super Quorlane 2004";
    const Case cases[] = {
        {"terminated", REG_SZ, std::wstring(L"Snow\0", 5), 0, L"Snow"},
        {"unterminated", REG_SZ, L"Snow", 0, L"Snow"},
        {"unterminated, odd size", REG_SZ, L"Snow", 1, L"Snow"},
        {"a NUL inside", REG_SZ, std::wstring(L"Snow\0Rain\0", 10), 0, L"Snow"},
        {"a NUL inside, unterminated", REG_SZ, std::wstring(L"Snow\0Rain", 9), 0, L"Snow"},
        {"empty", REG_SZ, std::wstring(L"\0", 1), 0, L""},
        {"expandable", REG_EXPAND_SZ, std::wstring(L"%NIVORA_TEST_WORD% snow\0", 24), 0, L"Deep snow"},
        {"expandable, unterminated", REG_EXPAND_SZ, L"%NIVORA_TEST_WORD%", 0, L"Deep"},
        {"expandable, unknown name", REG_EXPAND_SZ, std::wstring(L"%NIVORA_NO_SUCH_NAME%\0", 22), 0,
         L"%NIVORA_NO_SUCH_NAME%"},
        {"list of strings", REG_MULTI_SZ, std::wstring(L"Snow\0Rain\0\0", 11), 0, defaultMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::clearStore();
        std::vector<BYTE> bytes(c.data.size() * sizeof(wchar_t) + c.extraByte, 0x41);
        memcpy(bytes.data(), c.data.data(), c.data.size() * sizeof(wchar_t));
        e2e::storeRaw(L"messageText", c.type, bytes.data(), DWORD(bytes.size()));
        Saver saver(L"/c");
        HWND dialog = settingsDialogOf(saver);
        ASSERT_NE(dialog, nullptr);
        HWND text = messageBoxOf(dialog);
        ASSERT_NE(text, nullptr);
        std::wstring shown;
        EXPECT_TRUE(e2e::pumpUntil([&] { return (shown = textOf(text)) == c.shown; }, e2e::kAppearMs))
            << "shown: " << narrow(shown);
    }
    SetEnvironmentVariableW(L"NIVORA_TEST_WORD", nullptr);
}

// The numbers go through the same reader: accepting the dialog writes back what was read, in the plain forms.
TEST_F(StartUp, UnusualRegistryNumbersAreStoredPlainOnceTheDialogIsAccepted)
{
    SetEnvironmentVariableW(L"NIVORA_TEST_LEVEL", L"3");
    const auto store = [](const wchar_t* name, DWORD type, const std::wstring& units) {
        e2e::storeRaw(name, type, units.data(), DWORD(units.size() * sizeof(wchar_t)));
    };
    store(L"reg_precipitation", REG_MULTI_SZ, std::wstring(L"3\0\0", 3));  // not one text: the default, 1
    store(L"velocity", REG_SZ, L"9");                                      // unterminated
    store(L"direction", REG_SZ, std::wstring(L"False\0True\0", 11));       // ends at the first NUL
    store(L"blightness", REG_EXPAND_SZ, std::wstring(L"%NIVORA_TEST_LEVEL%\0", 20));
    store(L"messageText", REG_SZ, std::wstring(L"x\0", 2));

    Saver saver(L"/c");
    HWND dialog = settingsDialogOf(saver);
    ASSERT_NE(dialog, nullptr);
    std::vector<HWND> buttons;
    for (HWND w : e2e::descendants(dialog))
        if (_wcsicmp(e2e::className(w).c_str(), L"Button") == 0)
            buttons.push_back(w);
    ASSERT_EQ(buttons.size(), 5u);
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
        RECT ra{}, rb{};
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    // OK is the fourth button from the left.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(buttons[3], BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
    ASSERT_TRUE(saver.waitExit(e2e::exitLimitMs(2))) << "accepting the dialog ends the settings mode";

    struct Expected {
        const wchar_t* name;
        const wchar_t* text;
    };
    for (const Expected e :
         {Expected{L"reg_precipitation", L"1"}, Expected{L"velocity", L"9"}, Expected{L"direction", L"False"},
          Expected{L"blightness", L"3"}, Expected{L"messageText", L"x"}}) {
        wchar_t text[64] = {};
        DWORD bytes = sizeof text;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Nivora\\Settings", e.name, RRF_RT_REG_SZ, nullptr, text,
                               &bytes),
                  ERROR_SUCCESS)
            << narrow(e.name);
        EXPECT_STREQ(text, e.text) << narrow(e.name);
    }
    SetEnvironmentVariableW(L"NIVORA_TEST_LEVEL", nullptr);
}

TEST_F(StartUp, CorruptStoredValuesDoNotStopTheSaver)
{
    const DWORD number = 3;
    e2e::storeRaw(L"reg_precipitation", REG_DWORD, &number, sizeof number);
    e2e::storeText(L"velocity", L"abc");
    e2e::storeText(L"direction", L"");
    e2e::storeText(L"blightness", L"100000");
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    // Frames are drawn: the settings were loaded and the snow runs.
    EXPECT_TRUE(e2e::screenChanges(screenRect()));
    EXPECT_TRUE(saver.running());
    // Loading never writes: the corrupt values are still there as they were.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nivora\\Settings", 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t text[16] = {};
    DWORD bytes = sizeof text, type = 0;
    RegQueryValueExW(key, L"velocity", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    EXPECT_STREQ(text, L"abc");
}

}  // namespace
