// frmDisplay: a borderless layered window of the rows' size, one picture per row and the message over row 5.
#include "frm_display.h"

#include "core/dialog_layout.h"
#include "core/rounding.h"
#include "option_pictures.h"
#include "settings_window.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kAccent = RGB(128, 90, 255);  // the background of every option picture
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr BYTE kOverlayAlpha = 160;               // what lies behind shows through at 95 of 255
constexpr UINT kActivated = WM_APP + 1;           // Form_activate, once the activation has run its course

FrmDisplay* instance = nullptr;

RECT toRect(const PixelRect& r) { return RECT{r.left, r.top, r.left + r.width, r.top + r.height}; }

}  // namespace

HBITMAP optionPicture(int row, int element)
{
    // Decoded once for the whole run and shared by both windows, which show them at 100 %.
    static OptionPictures pictures;
    return pictures.get(row, element, {kRowWidth, kRowHeight});
}

FrmDisplay& FrmDisplay::get()
{
    if (!instance)
        instance = new FrmDisplay;  // lives until the program ends
    if (!instance->hwnd())
        instance->load();
    return *instance;
}

bool FrmDisplay::loaded() { return instance && instance->hwnd(); }

void FrmDisplay::unload()
{
    if (loaded())
        DestroyWindow(instance->hwnd());
}

void FrmDisplay::load()
{
    // Borderless and without a taskbar button of its own: the settings window stands for both.
    create({L"NivoraDisplay", nullptr, programIcon(false)}, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
           toRect(kDisplayClient), nullptr, L"Nivora Setting");
    if (!hwnd())
        return;
    const auto row = [](int k) { return toRect(rowRect(k)); };
    Label1.create(hwnd(), {toRect(kDisplayLabel1),
                           L"Label1",
                           messageTextFont(),
                           kWhite,
                           kAccent});
    Image5.create(hwnd(), row(5), kAccent);
    Image4.create(hwnd(), row(4), kAccent);
    Image3.create(hwnd(), row(3), kAccent);
    Image2.create(hwnd(), row(2), kAccent);
    Image1.create(hwnd(), row(1), kAccent);
    stackFrontToBack({Label1.hwnd(), Image5.hwnd(), Image4.hwnd(), Image3.hwnd(), Image2.hwnd(), Image1.hwnd()});
    Form_Load();
}

void FrmDisplay::Form_Load()
{
    // As wide as an option picture and five of them high: exactly the rows of the settings window, in pixels
    // whatever the screen's twips per pixel.
    const SIZE picture = bitmapSize(optionPicture(1, 1));
    if (picture.cx > 0 && picture.cy > 0)
        SetWindowPos(hwnd(), nullptr, 0, 0, picture.cx, picture.cy * kRowCount,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    makeLayered(hwnd(), kOverlayAlpha);
    Image5.setPicture(optionPicture(5, 0));
    // The values come from the settings window, which is loaded first: its load is what first uses the overlay.
    if (FrmSetting::loaded() && FrmSetting::get().model())
        for (int item = 1; item <= kRowCount; ++item)
            showRow(FrmSetting::get().model()->ShowSetting(item));
}

PictureControl& FrmDisplay::image(int row)
{
    PictureControl* images[] = {&Image1, &Image2, &Image3, &Image4, &Image5};
    return *images[row - 1];
}

void FrmDisplay::showRow(const RowView& view)
{
    if (view.item >= 1 && view.item <= 4)
        image(view.item).setPicture(optionPicture(view.item, view.overlayElement));
    else if (view.item == 5)
        Label1.setCaption(wideText(view.text));
}

void FrmDisplay::Form_activate()
{
    if (!FrmSetting::loaded())
        return;
    FrmSetting& settings = FrmSetting::get();
    RECT window{};
    GetWindowRect(settings.hwnd(), &window);
    const int twipsX = Screen::twipsPerPixelX(), twipsY = Screen::twipsPerPixelY();
    const TwipPosition corner =
        overlayPosition(static_cast<float>(window.left * twipsX), static_cast<float>(window.top * twipsY),
                        static_cast<float>(twipsX), static_cast<float>(twipsY), GetSystemMetrics(SM_CYCAPTION));
    const int x = roundToInt<int>(double{corner.left} / twipsX).value_or(0);
    const int y = roundToInt<int>(double{corner.top} / twipsY).value_or(0);
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (settings.visible())
        settings.SetFocus();
}

LRESULT FrmDisplay::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            PostMessageW(hwnd(), kActivated, 0, 0);
        return 0;
    case kActivated:
        Form_activate();
        return 0;
    case WM_CLOSE:
        // The overlay is a part of the settings window, so it closes with it, the same way as every other closing.
        if (FrmSetting::loaded())
            FrmSetting::get().unload();
        else
            DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        if (!FrmSetting::loaded())
            PostQuitMessage(0);  // the last window of the settings mode is gone
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

}  // namespace nivora::win32
