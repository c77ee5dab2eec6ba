// A stand-in for the display settings' preview box: a small window hosting "nivora.scr /p <box>" until closed.
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"NivoraPreviewHost";
    RegisterClassW(&wc);

    // The client area frames a 152 x 112 preview box, as the display settings do.
    RECT frame{0, 0, 192, 152};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowW(L"NivoraPreviewHost", L"Screen saver preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    HWND box = CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 20, 20, 152, 112, host, nullptr,
                             instance, nullptr);

    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + folder + L"nivora.scr\" /p " + std::to_wstring(reinterpret_cast<INT_PTR>(box));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
