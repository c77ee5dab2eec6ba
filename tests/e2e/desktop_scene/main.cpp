// A desktop to photograph the saver over: a wallpaper and a few application windows with text, painted on every
// monitor by one window over the virtual screen, until it is closed. Used for the README's picture.
#include <windows.h>

#include <string>
#include <vector>

namespace {

HFONT font(const wchar_t* face, int height, int weight = FW_NORMAL)
{
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                       face);
}

void fill(HDC dc, RECT r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void text(HDC dc, int x, int y, const std::wstring& line, COLORREF colour, HFONT f)
{
    HGDIOBJ old = SelectObject(dc, f);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, x, y, line.c_str(), int(line.size()));
    SelectObject(dc, old);
}

// An application window: frame, title bar with its caption and buttons, and lines of text on its body.
void appWindow(HDC dc, RECT r, const wchar_t* title, COLORREF body, COLORREF ink,
               const std::vector<std::wstring>& lines, HFONT titleFont, HFONT bodyFont)
{
    RECT shadow{r.left + 6, r.top + 6, r.right + 6, r.bottom + 6};
    fill(dc, shadow, RGB(20, 30, 45));
    fill(dc, r, RGB(60, 90, 150));
    RECT bar{r.left + 1, r.top + 1, r.right - 1, r.top + 28};
    fill(dc, bar, RGB(45, 105, 190));
    text(dc, r.left + 10, r.top + 6, title, RGB(255, 255, 255), titleFont);
    for (int i = 0; i < 3; ++i) {
        RECT button{r.right - 30 - i * 28, r.top + 5, r.right - 8 - i * 28, r.top + 24};
        fill(dc, button, i == 0 ? RGB(200, 60, 50) : RGB(90, 130, 200));
    }
    RECT inside{r.left + 2, r.top + 29, r.right - 2, r.bottom - 2};
    fill(dc, inside, body);
    int y = inside.top + 8;
    for (const std::wstring& line : lines) {
        if (y + 18 > inside.bottom)
            break;
        text(dc, inside.left + 10, y, line, ink, bodyFont);
        y += 19;
    }
}

void paint(HDC dc, const RECT& client, POINT origin)
{
    // Wallpaper: a dusk gradient from top to bottom.
    for (int y = client.top; y < client.bottom; y += 4) {
        const int t = (y - client.top) * 255 / (client.bottom - client.top);
        fill(dc, RECT{client.left, y, client.right, y + 4}, RGB(30 + t / 4, 60 + t / 5, 110 + t / 3));
    }
    HFONT titleFont = font(L"Liberation Sans", 14, FW_BOLD);
    HFONT bodyFont = font(L"Liberation Sans", 14);
    HFONT monoFont = font(L"DejaVu Sans Mono", 13);
    HFONT bigFont = font(L"Liberation Sans", 30, FW_BOLD);
    auto at = [&](int x, int y, int w, int h) {
        return RECT{x - origin.x, y - origin.y, x - origin.x + w, y - origin.y + h};
    };

    // On the primary monitor (0, 0)-(1024, 768).
    appWindow(dc, at(40, 40, 520, 330), L"Quarterly report.txt - Notepad", RGB(255, 255, 255), RGB(20, 20, 20),
              {L"Quarterly report, third quarter", L"", L"Sales rose 12 % over the quarter, led by the",
               L"northern region and the new online shop.", L"", L"Next steps:",
               L"  - hire two more people for support", L"  - move the warehouse before winter",
               L"  - ship the new catalogue in December", L"", L"Questions to Anna or Tomas."},
              titleFont, bodyFont);
    appWindow(dc, at(600, 90, 380, 250), L"Terminal", RGB(25, 28, 34), RGB(120, 230, 140),
              {L"$ make test", L"[==========] 129 tests ran.", L"[  PASSED  ] 129 tests.", L"$ ls docs",
               L"artwork.png  fullscreen.png", L"settings.png", L"$ _"},
              titleFont, monoFont);
    appWindow(dc, at(180, 410, 460, 200), L"Calendar", RGB(245, 245, 235), RGB(40, 40, 40),
              {L"December", L"Mon 14   Team meeting 10:00", L"Tue 15   Dentist 16:30", L"Fri 18   Office party",
               L"Thu 24   Holidays begin"},
              titleFont, bodyFont);
    // On the second monitor, left of the primary: (-800, 0)-(0, 600).
    appWindow(dc, at(-760, 60, 420, 260), L"Inbox - Mail", RGB(250, 250, 255), RGB(30, 30, 60),
              {L"Anna        Re: report draft", L"Tomas       Warehouse keys", L"Newsletter  Winter offers",
               L"Kim         Photos from Saturday", L"IT desk     Password reminder"},
              titleFont, bodyFont);
    appWindow(dc, at(-500, 340, 440, 220), L"Music", RGB(40, 20, 60), RGB(230, 200, 255),
              {L"Now playing:", L"  Winter Suite, II. Andante", L"  3:41 / 7:12", L"", L"Up next: Snowfall (live)"},
              titleFont, bodyFont);
    text(dc, -780 - origin.x, 540 - origin.y, L"Monday 14 December", RGB(255, 255, 255), bigFont);
    for (HFONT f : {titleFont, bodyFont, monoFont, bigFont})
        DeleteObject(f);
}

LRESULT CALLBACK sceneProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        RECT window;
        GetWindowRect(hwnd, &window);
        // At a display scale the same desktop, as much larger: drawn at 96 dpi through a world transform.
        const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
        const float scale = dpi > 0 ? float(dpi) / 96.0f : 1.0f;
        SetGraphicsMode(dc, GM_ADVANCED);
        const XFORM enlarge{scale, 0, 0, scale, 0, 0};
        SetWorldTransform(dc, &enlarge);
        const auto at96 = [scale](LONG v) { return LONG(float(v) / scale); };
        paint(dc, RECT{at96(client.left), at96(client.top), at96(client.right), at96(client.bottom)},
              POINT{at96(window.left), at96(window.top)});
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = sceneProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"NivoraDesktopScene";
    SetProcessDPIAware();  // in physical pixels: it scales itself
    RegisterClassW(&wc);
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    CreateWindowExW(0, wc.lpszClassName, L"Desktop", WS_POPUP | WS_VISIBLE, x, y, GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
