// The snow window: design-time definition, set-up of the snow field, frames, wind, fade and exit.
#include "frm_main.h"

#include "module1.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

RECT boundsAt(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

}  // namespace

FrmMain& FrmMain::get()
{
    static FrmMain* window = [] {
        auto* w = new FrmMain;  // lives until the program ends
        w->load();
        return w;
    }();
    return *window;
}

void FrmMain::load()
{
    // Borderless, black, design size 529 x 249; the code maximises it before it is shown.
    create({L"NivoraMain", static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), programIcon(false)},
           WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, boundsAt(0, 0, 529, 249), nullptr, L"Nivora");

    // Listed from the top of the z-order down.
    const COLORREF windowBack = GetSysColor(COLOR_WINDOW), windowText = GetSysColor(COLOR_WINDOWTEXT);
    picChar2.create(hwnd(), {boundsAt(294, 208, 42, 6), false, windowBack, windowText});
    picChar.create(hwnd(), {boundsAt(344, 208, 42, 6), false, windowBack, windowText});
    picMain.create(hwnd(), {boundsAt(0, 0, 391, 56), true, kBlack, windowText});
    PicDesk.create(hwnd(), {boundsAt(0, 0, 161, 153), true, kBlack, kBlack});
    PicText.create(hwnd(), {boundsAt(0, 0, 281, 105), true, kBlack, kWhite});
    for (HWND child : {PicText.hwnd(), PicDesk.hwnd(), picMain.hwnd(), picChar.hwnd(), picChar2.hwnd()})
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PicText.setFont({{L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo", L"Yu Gothic",
                      L"IPAPGothic", L"VL PGothic"},
                     48, true, SHIFTJIS_CHARSET});

    picMain.onKeyDown = [this] { picMain_KeyDown(); };
    picMain.onMouseDown = [this] { picMain_MouseDown(); };
    picMain.onMouseMove = [this](float x, float y) { picMain_MouseMove(x, y); };
}

void FrmMain::InitData()
{
    const Module1& m = module1();
    // Maximised: the whole screen, or the whole preview box.
    RECT area{0, 0, m.drawWidth, m.drawHeight};
    SetWindowPos(hwnd(), nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    setCaption(L"Nivora MAIN");
    PicDesk.setBounds(boundsAt(0, 0, m.drawWidth + 10, m.drawHeight + 10));
    picMain.setBounds(boundsAt(0, 0, m.drawWidth + 10, m.drawHeight + 10));
}

void FrmMain::DrawSnow() { picMain.refresh(); }

LRESULT FrmMain::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        // Also reached when the host of a preview takes its child window down.
        Form_Unload();
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

void FrmMain::Form_Unload()
{
    if (module1().preview())
        PostMessageW(GetWindow(hwnd(), GW_OWNER), WM_CLOSE, 0, 0);
    endProgram();
}

void FrmMain::Timer1_Timer()
{
    // A preview whose host has gone without taking its children down would otherwise run forever.
    if (module1().preview() && !IsWindow(module1().previewParent))
        Form_Unload();
    DrawSnow();
}

void FrmMain::Timer2_Timer() {}
void FrmMain::Timer3_Timer() {}
void FrmMain::picMain_KeyDown() {}
void FrmMain::picMain_MouseDown() {}
void FrmMain::picMain_MouseMove(float, float) {}

}  // namespace nivora::win32
