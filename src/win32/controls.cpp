// Controls of the settings windows: pictures, labels, panels, push buttons, the text box, and window services.
#include "controls.h"

namespace nivora::win32 {

namespace {

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

void fillRect(HDC dc, const RECT& rect, COLORREF color)
{
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

RECT clientRect(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

// Tab and Shift+Tab for a window with a tab handler: it asks the dialog navigation for the key and passes it on.
// Returns true with the result when the message is one of these.
bool tabKey(const TabHandler& onTab, UINT message, WPARAM wParam, LRESULT ownDialogCode, LRESULT& result)
{
    if (!onTab)
        return false;
    switch (message) {
    case WM_GETDLGCODE:
        result = ownDialogCode | DLGC_WANTTAB;
        return true;
    case WM_KEYDOWN:
        if (wParam != VK_TAB)
            return false;
        onTab(GetKeyState(VK_SHIFT) < 0);
        result = 0;
        return true;
    case WM_CHAR:
        if (wParam != L'\t')
            return false;
        result = 0;  // the tab has moved the focus; it is not text
        return true;
    default:
        return false;
    }
}

}  // namespace

// ---- Text ----------------------------------------------------------------------------------------------------

std::wstring wideText(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string coreText(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::wstring windowText(HWND hwnd)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// ---- Window services -----------------------------------------------------------------------------------------

UniqueHrgn polygonRegion(const POINT* points, int count)
{
    return UniqueHrgn(CreatePolygonRgn(points, count, WINDING));
}

void setWindowRegion(HWND hwnd, UniqueHrgn region)
{
    // From here on the region belongs to the window, which deletes it when it gets another one or goes away.
    if (SetWindowRgn(hwnd, region.get(), TRUE))
        (void)region.release();
}

void makeLayered(HWND hwnd, BYTE alpha)
{
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd, 0, alpha, LWA_ALPHA);
}

WNDPROC replaceWindowProc(HWND hwnd, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void bringToFront(HWND hwnd)
{
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void stackFrontToBack(const std::vector<HWND>& siblings)
{
    // Bringing each to the front from the back one on leaves the first listed in front.
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it)
        bringToFront(*it);
}

void messageBox(HWND owner, std::u16string_view text, std::u16string_view caption)
{
    MessageBoxW(owner, wideText(text).c_str(), wideText(caption).c_str(), MB_OK);
}

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// ---- PictureControl --------------------------------------------------------------------------------------------

void PictureControl::create(HWND parent, const RECT& bounds, COLORREF background, UINT id)
{
    background_ = background;
    Window::create({L"NivoraPicture"}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, bounds, parent, {}, id);
}

void PictureControl::setPicture(HBITMAP picture)
{
    if (picture == picture_)
        return;
    picture_ = picture;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void PictureControl::setBounds(const RECT& bounds)
{
    MoveWindow(hwnd(), bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

void PictureControl::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    if (picture_) {
        const SIZE size = bitmapSize(picture_);
        UniqueHdc memory(CreateCompatibleDC(dc));
        {
            SelectGuard select(memory.get(), picture_);
            BitBlt(dc, 0, 0, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
        }
        ExcludeClipRect(dc, 0, 0, size.cx, size.cy);
    }
    fillRect(dc, clientRect(hwnd()), background_);
    EndPaint(hwnd(), &ps);
}

LRESULT PictureControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // painting covers everything
    case WM_PAINT:
        onPaint();
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

// ---- Label -----------------------------------------------------------------------------------------------------

void Label::create(HWND parent, const Definition& definition)
{
    font_ = createFont(definition.font);
    foreColor_ = definition.foreColor;
    backColor_ = definition.backColor;
    Window::create({L"NivoraLabel"}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, definition.bounds, parent,
                   definition.caption);
}

void Label::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client = clientRect(hwnd());
    fillRect(dc, client, backColor_);
    const std::wstring text = caption();
    SelectGuard font(dc, font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, foreColor_);
    SetBkMode(dc, TRANSPARENT);
    // The caption is shown as it is: an ampersand is a character, not a mnemonic.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(hwnd(), &ps);
}

LRESULT Label::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = Window::onMessage(message, wParam, lParam);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return result;
    }
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

// ---- Panel -----------------------------------------------------------------------------------------------------

void Panel::create(HWND parent, const Definition& definition)
{
    backColor_ = definition.backColor;
    border_ = definition.border;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                        (definition.tabStop ? WS_TABSTOP | WS_GROUP : 0);
    const DWORD exStyle = definition.border == Border::Sunken ? WS_EX_CLIENTEDGE : 0;  // 2 px on each side
    Window::create({L"NivoraPanel"}, style, exStyle, definition.bounds, parent);
}

LRESULT Panel::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (SystemControl::reflect(message, wParam, lParam, result) || tabKey(onTab, message, wParam, 0, result))
        return result;
    switch (message) {
    case WM_ERASEBKGND:
        fillRect(reinterpret_cast<HDC>(wParam), clientRect(hwnd()), backColor_);
        return 1;
    case WM_PAINT:
        if (border_ == Border::Etched) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            RECT client = clientRect(hwnd());
            DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        break;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

// ---- SystemControl ---------------------------------------------------------------------------------------------

HWND SystemControl::createControl(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& bounds,
                                  HWND parent, UINT id, std::wstring_view text)
{
    const std::wstring caption(text);
    HWND hwnd = CreateWindowExW(exStyle, className, caption.c_str(), style, bounds.left, bounds.top,
                                bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance(), nullptr);
    if (!hwnd)
        return nullptr;
    attach(hwnd);
    classProc_ = replaceWindowProc(hwnd, &SystemControl::controlProc);
    return hwnd;
}

LRESULT CALLBACK SystemControl::controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<SystemControl*>(reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    if (message == WM_NCDESTROY) {
        // The window goes: the class's procedure takes it back and the instance lets go of it.
        const WNDPROC classProc = self->classProc_;
        replaceWindowProc(hwnd, classProc);
        self->attach(nullptr);
        self->classProc_ = nullptr;
        return CallWindowProcW(classProc, hwnd, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

SystemControl* SystemControl::from(HWND hwnd)
{
    if (!hwnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &SystemControl::controlProc)
        return nullptr;
    return static_cast<SystemControl*>(reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
}

bool SystemControl::reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND:  // lParam is the control for a notification, zero for a menu or an accelerator
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        break;
    default:
        return false;
    }
    SystemControl* control = from(reinterpret_cast<HWND>(lParam));
    return control && control->onReflected(message, wParam, lParam, result);
}

void SystemControl::setFont(const FontSpec& choice)
{
    UniqueHfont font = createFont(choice);
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the font the control used before is no longer selected anywhere
}

LRESULT SystemControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (onTab && message == WM_GETDLGCODE)
        return CallWindowProcW(classProc_, hwnd(), message, wParam, lParam) | DLGC_WANTTAB;
    if (tabKey(onTab, message, wParam, 0, result))
        return result;
    return CallWindowProcW(classProc_, hwnd(), message, wParam, lParam);
}

bool SystemControl::onReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// ---- PushButton ------------------------------------------------------------------------------------------------

void PushButton::create(HWND parent, const RECT& bounds, UINT id)
{
    createControl(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0,
                  bounds, parent, id);
}

LRESULT PushButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The system sends no mouse input to a disabled window; neither does a message that another program sends.
    const bool click = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP;
    if (click && !enabled())
        return 0;
    return SystemControl::onMessage(message, wParam, lParam);
}

bool PushButton::onReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    result = 0;
    // A disabled button cannot be pressed, also not by a message sent to it.
    if (enabled() && onClick)
        onClick();
    return true;
}

// ---- TextBox ---------------------------------------------------------------------------------------------------

void TextBox::create(HWND parent, const Definition& definition, UINT id)
{
    foreColor_ = definition.foreColor;
    backColor_ = definition.backColor;
    background_.reset(CreateSolidBrush(definition.backColor));
    // The sunken edge (2 px) and the 1-px gap an edit box keeps inside it put the text 3 px in from the corner, so
    // no margin of its own.
    createControl(L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS | ES_LEFT | ES_AUTOHSCROLL,
                  WS_EX_CLIENTEDGE, definition.bounds, parent, id, definition.text);
    SendMessageW(hwnd(), EM_SETLIMITTEXT, definition.maxLength, 0);
    setFont(definition.font);
    SendMessageW(hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
}

void TextBox::setText(std::wstring_view text)
{
    const std::wstring copy(text);
    SetWindowTextW(hwnd(), copy.c_str());
}

bool TextBox::onReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, foreColor_);
        SetBkColor(dc, backColor_);
        result = reinterpret_cast<LRESULT>(background_.get());
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_KILLFOCUS && onLostFocus)
            onLostFocus();
        result = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace nivora::win32
