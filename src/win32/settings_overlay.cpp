// frmDisplay: a borderless layered window of the rows' size, one picture per row and the message over its row.
#include "settings_overlay.h"

#include <vector>

#include "captions.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kAccent = RGB(kAccentColour.r, kAccentColour.g, kAccentColour.b);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr BYTE kOverlayAlpha = 160;      // what lies behind shows through at 95 of 255
constexpr UINT kActivated = WM_APP + 1;  // Form_activate, once the activation has run its course

}  // namespace

void FrmDisplay::load(const DialogLayout& layout, std::function<void()> onActivated, std::function<void()> onClose)
{
    onActivated_ = std::move(onActivated);
    onClose_ = std::move(onClose);
    // Borderless and without a taskbar button of its own: the settings window stands for both.
    create({kDisplayClass, nullptr, programIcon(false)}, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
           winRect(layout.displayClient), nullptr, kSettingCaption);
    if (!hwnd())
        return;
    Label1.create(hwnd(), {winRect(layout.displayLabel1(at96dpi::kText1TextInset)), L"Label1", kWhite, kAccent});
    std::vector<HWND> frontToBack{Label1.hwnd()};
    for (int row = kRowCount; row >= 1; --row) {
        image(row).create(hwnd(), winRect(layout.row(row)), kAccent);
        frontToBack.push_back(image(row).hwnd());
    }
    stackFrontToBack(frontToBack);
    makeLayered(hwnd(), kOverlayAlpha);
}

void FrmDisplay::applyLayout(const DialogLayout& layout, int textInset, UniqueHfont messageFont)
{
    // Exactly the rows of the settings window, in pixels.
    SetWindowPos(hwnd(), nullptr, 0, 0, widthOf(layout.displayClient), heightOf(layout.displayClient),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int row = 1; row <= kRowCount; ++row)
        image(row).setBounds(winRect(layout.row(row)));
    Label1.setBounds(winRect(layout.displayLabel1(textInset)));
    Label1.setFont(std::move(messageFont));
}

void FrmDisplay::showPicture(int row, HBITMAP picture, std::wstring_view name)
{
    if (row < 1 || row > kRowCount)
        return;
    image(row).setPicture(picture);
    image(row).setCaption(name);
}

void FrmDisplay::showMessage(std::wstring_view text)
{
    Label1.setCaption(text);
}

void FrmDisplay::moveTo(POINT screen)
{
    SetWindowPos(hwnd(), nullptr, screen.x, screen.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT FrmDisplay::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            PostMessageW(hwnd(), kActivated, 0, 0);
        return 0;
    case kActivated:
        if (onActivated_)
            onActivated_();
        return 0;
    case WM_CLOSE:
        // The overlay is a part of the settings window, so it closes with it, the same way as every other closing.
        if (onClose_)
            onClose_();
        else
            DestroyWindow(hwnd());
        return 0;
    case WM_DPICHANGED:
        return 0;  // the settings window lays the overlay out with its own scale
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

}  // namespace nivora::win32
