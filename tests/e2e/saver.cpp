// Helpers of the end-to-end tests: starting nivora.scr, finding its windows, the registry, screenshots.
#include "saver.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "win32/dib.h"
#include "win32/readback_protocol.h"

namespace e2e {

namespace {

std::wstring ownFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

constexpr const wchar_t* kStoreKey = L"Software\\Nivora";
constexpr const wchar_t* kSettingsKey = L"Software\\Nivora\\Settings";

}  // namespace

std::wstring saverPath()
{
    return ownFolder() + L"nivora_test.scr";
}

std::wstring shippedSaverPath()
{
    return ownFolder() + L"nivora.scr";
}

namespace {

std::wstring environmentText(const wchar_t* name)
{
    wchar_t text[64] = {};
    const DWORD n = GetEnvironmentVariableW(name, text, DWORD(std::size(text)));
    return n > 0 && n < std::size(text) ? std::wstring(text, n) : std::wstring();
}

}  // namespace

std::wstring bed()
{
    return environmentText(L"NIVORA_E2E_BED");
}

bool bedHasTwoMonitors()
{
    const std::wstring b = bed();
    return b == L"side" || b == L"above";
}

int bedDpi()
{
    const std::wstring dpi = environmentText(L"NIVORA_E2E_BED_DPI");
    return dpi.empty() ? 96 : _wtoi(dpi.c_str());
}

std::vector<MonitorArea> monitors()
{
    std::vector<MonitorArea> found;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            GetMonitorInfoW(monitor, &info);
            reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
                {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

DPI_AWARENESS ownDpiAwareness()
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using GetContext = DPI_AWARENESS_CONTEXT WINAPI();
    using GetAwareness = DPI_AWARENESS WINAPI(DPI_AWARENESS_CONTEXT);
    auto* context = reinterpret_cast<GetContext*>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto* awareness = reinterpret_cast<GetAwareness*>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    return context && awareness ? awareness(context()) : DPI_AWARENESS_INVALID;
}

Saver::Saver(const std::wstring& arguments)
    : Saver(saverPath(), L"\"" + saverPath() + L"\"" + (arguments.empty() ? L"" : L" " + arguments))
{}

Saver::Saver(const std::wstring& program, std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Under Wine a start right after another process has gone now and then fails at once: try again for a while.
    DWORD error = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info_))
            return;
        error = GetLastError();
        pump(100);
    }
    throw std::runtime_error("cannot start nivora.scr: error " + std::to_string(error));
}

Saver::~Saver()
{
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool Saver::waitExit(DWORD milliseconds)
{
    return pumpUntil([this] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, milliseconds);
}

bool Saver::running()
{
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Saver::exitCode()
{
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND Saver::waitForWindow(const wchar_t* caption, DWORD milliseconds)
{
    HWND found = nullptr;
    pumpUntil(
        [&] {
            for (HWND w : topLevelWindowsOf(pid()))
                if (captionOf(w) == caption && IsWindowVisible(w))
                    found = w;
            return found != nullptr;
        },
        milliseconds);
    return found;
}

void pump(DWORD milliseconds)
{
    pumpUntil([] { return false; }, milliseconds);
}

bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool holdsFor(const std::function<bool()>& condition, DWORD milliseconds)
{
    bool failed = false;
    pumpUntil([&] { return failed = !condition(); }, milliseconds);
    return !failed;
}

std::vector<HWND> topLevelWindowsOf(DWORD pid)
{
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s->pid)
                s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring captionOf(HWND hwnd)
{
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

// The picture box that shows the snow and takes the keys: the largest visible child of the snow window.
HWND picMainOf(HWND window)
{
    struct Best {
        HWND hwnd = nullptr;
        long area = -1;
    } best;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM p) -> BOOL {
            auto* b = reinterpret_cast<Best*>(p);
            RECT r;
            GetWindowRect(child, &r);
            const long area = long(r.right - r.left) * long(r.bottom - r.top);
            if (IsWindowVisible(child) && area > b->area)
                *b = {child, area};
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&best));
    return best.hwnd;
}

void clearStore()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kStoreKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kStoreKey);
}

void storeRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot open the settings key");
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
}

void storeText(const wchar_t* name, const std::wstring& text)
{
    storeRaw(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

bool storeExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kStoreKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<HWND> descendants(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring className(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

Picture captureScreen()
{
    return captureScreen(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

RECT virtualScreenRect()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Picture captureScreen(const RECT& area)
{
    Picture picture;
    picture.width = area.right - area.left;
    picture.height = area.bottom - area.top;
    picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
    HDC screen = GetDC(nullptr);
    // The screen's device context may start at the virtual screen's corner rather than the primary monitor's.
    POINT origin{};
    GetDCOrgEx(screen, &origin);
    HDC memory = CreateCompatibleDC(screen);
    const BITMAPINFO info = nivora::topDownDibInfo(picture.width, picture.height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left - origin.x, area.top - origin.y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = p[i] & 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

int64_t frameCount(HWND snowWindow)
{
    static const UINT message = RegisterWindowMessageW(nivora::readback::kFrameCountMessageName);
    DWORD_PTR result = 0;
    // Not SMTO_ABORTIFHUNG: a saver that has not looked at its messages for a few seconds (frames run ahead, a
    // starved machine) is busy, not hung.
    if (!SendMessageTimeoutW(snowWindow, message, 0, 0, SMTO_NORMAL, kPatienceMs, &result))
        return -1;
    return static_cast<int64_t>(result);
}

bool waitFrames(HWND snowWindow, int64_t frames, DWORD limit)
{
    const int64_t start = frameCount(snowWindow);
    return start >= 0 &&
           pumpUntil(
               [&] {
                   const int64_t now = frameCount(snowWindow);
                   return now < 0 || now >= start + frames;
               },
               limit) &&
           frameCount(snowWindow) >= start + frames;
}

uint32_t dominantColour(const Picture& picture, const RECT& r)
{
    std::map<uint32_t, int> counts;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            ++counts[picture.at(x, y)];
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

bool screenChanges(const RECT& area, DWORD milliseconds)
{
    const Picture first = captureScreen();
    return pumpUntil(
        [&] {
            const Picture now = captureScreen();
            for (int y = std::max(0, int(area.top)); y < std::min(now.height, int(area.bottom)); ++y)
                for (int x = std::max(0, int(area.left)); x < std::min(now.width, int(area.right)); ++x)
                    if (now.at(x, y) != first.at(x, y))
                        return true;
            return false;
        },
        milliseconds);
}

void saveBmp(const Picture& picture, const std::wstring& path)
{
    const int rowBytes = (picture.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;  // bottom-up, the common form
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = DWORD(rowBytes) * DWORD(picture.height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return;
    fwrite(&file, sizeof file, 1, f);
    fwrite(&info, sizeof info, 1, f);
    std::vector<uint8_t> row(size_t(rowBytes), 0);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t p = picture.at(x, y);
            row[size_t(x) * 3 + 0] = uint8_t(p);
            row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(p >> 16);
        }
        fwrite(row.data(), 1, row.size(), f);
    }
    fclose(f);
}

std::wstring outputPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"NIVORA_E2E_OUTPUT", folder, MAX_PATH);
    std::wstring base = n > 0 && n < MAX_PATH ? std::wstring(folder) + L"\\" : ownFolder();
    return base + name;
}

TestWindow::TestWindow(const RECT& bounds, std::function<void(HDC, const RECT&)> paint, DWORD style)
    : paint_(std::move(paint))
{
    static const ATOM cls = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TestWindow::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"NivoraTestWindow";
        return RegisterClassW(&wc);
    }();
    (void)cls;
    hwnd_ = CreateWindowExW(0, L"NivoraTestWindow", L"Nivora test", style, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
    UpdateWindow(hwnd_);
    pump(100);
}

TestWindow::~TestWindow()
{
    destroy();
}

void TestWindow::destroy()
{
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

LRESULT CALLBACK TestWindow::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_PAINT && self) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        if (self->paint_)
            self->paint_(dc, client);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace e2e
