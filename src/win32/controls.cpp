// Controls of the settings windows: pictures, labels, panels, push buttons and the text box.
#include "controls.h"

#include <algorithm>

#include "fonts.h"

namespace nivora::win32 {

namespace {

HINSTANCE instance()
{
    return GetModuleHandleW(nullptr);
}

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

void moveTo(HWND hwnd, const RECT& bounds)
{
    MoveWindow(hwnd, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

LRESULT packExtent(SIZE size)
{
    return MAKELRESULT(static_cast<WORD>(std::min<LONG>(size.cx, 0xFFFF)),
                       static_cast<WORD>(std::min<LONG>(size.cy, 0xFFFF)));
}

// Windows hides the focus from someone who uses only the mouse, and shows it once the keyboard is used to move
// around (Tab, the arrows) or Alt is pressed. The window at the root keeps that state for all of its controls.
void showKeyboardCues(HWND hwnd)
{
    if (HWND root = GetAncestor(hwnd, GA_ROOT))
        SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

bool focusHidden(HWND hwnd)
{
    HWND root = GetAncestor(hwnd, GA_ROOT);
    return root && (SendMessageW(root, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

// Tab and Shift+Tab, and the arrow keys, for a window with handlers for them: it asks the dialog navigation for
// the keys and acts on them. Returns true with the result when the message is one of these.
bool navigationKey(const TabHandler& onTab, const ArrowHandler& onArrow, UINT message, WPARAM wParam,
                   LRESULT ownDialogCode, LRESULT& result)
{
    switch (message) {
    case WM_GETDLGCODE:
        if (!onTab && !onArrow)
            return false;
        result = ownDialogCode | (onTab ? DLGC_WANTTAB : 0) | (onArrow ? DLGC_WANTARROWS : 0);
        return true;
    case WM_SYSKEYDOWN:
        if (wParam == VK_MENU)
            showKeyboardCues(GetFocus());
        return false;
    case WM_KEYDOWN:
        if (wParam == VK_TAB && onTab) {
            showKeyboardCues(GetFocus());
            onTab(GetKeyState(VK_SHIFT) < 0);
            result = 0;
            return true;
        }
        if (onArrow && (wParam == VK_LEFT || wParam == VK_DOWN || wParam == VK_RIGHT || wParam == VK_UP)) {
            showKeyboardCues(GetFocus());
            onArrow(wParam == VK_LEFT || wParam == VK_DOWN ? -1 : +1);
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        if (wParam != L'\t' || !onTab)
            return false;
        result = 0;  // the tab has moved the focus; it is not text
        return true;
    default:
        return false;
    }
}

}  // namespace

UINT textExtentMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Nivora.TextExtent");
    return message;
}

// ---- PictureControl --------------------------------------------------------------------------------------------

void PictureControl::create(HWND parent, const RECT& bounds, COLORREF background, UINT id)
{
    background_ = background;
    // No WM_PARENTNOTIFY when it is made or goes: its parent may be half destroyed by then.
    Window::create({L"NivoraPicture"}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_NOPARENTNOTIFY, bounds, parent,
                   {}, id);
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
    moveTo(hwnd(), bounds);
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
    foreColor_ = definition.foreColor;
    backColor_ = definition.backColor;
    Window::create({L"NivoraLabel"}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, definition.bounds, parent,
                   definition.caption);
}

void Label::setFont(UniqueHfont font)
{
    font_ = std::move(font);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void Label::setBounds(const RECT& bounds)
{
    moveTo(hwnd(), bounds);
}

void Label::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT client = clientRect(hwnd());
    fillRect(dc, client, backColor_);
    const std::wstring text = caption();
    {
        // The device context goes back with EndPaint: the font it had must be in it again by then.
        SelectGuard font(dc, font_ ? font_.get() : GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, foreColor_);
        SetBkMode(dc, TRANSPARENT);
        // The caption is shown as it is: an ampersand is a character, not a mnemonic.
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    EndPaint(hwnd(), &ps);
}

LRESULT Label::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == textExtentMessage())
        return packExtent(textExtent(font_.get(), caption()));
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
    borderWidth_ = definition.borderWidth;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                        (definition.tabStop ? WS_TABSTOP | WS_GROUP : 0);
    Window::create({L"NivoraPanel"}, style, 0, definition.bounds, parent);
}

void Panel::setBounds(const RECT& bounds, int borderWidth)
{
    borderWidth_ = borderWidth;
    moveTo(hwnd(), bounds);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void Panel::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT r = clientRect(hwnd());
    if (border_ == Border::Etched) {
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    } else if (border_ == Border::Sunken) {
        // The sunken edge of a picture box, as thick as the display scale makes it: the outer half dark above and
        // light below, the inner half darker and lighter. With the focus, and the focus shown (the keyboard has been
        // used), the selection colour all round.
        const bool focused = GetFocus() == hwnd() && !focusHidden(hwnd());
        const int outer = (borderWidth_ + 1) / 2;
        for (int i = 0; i < borderWidth_; ++i) {
            const bool inOuter = i < outer;
            const COLORREF topLeft = focused ? GetSysColor(COLOR_HIGHLIGHT)
                                             : GetSysColor(inOuter ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
            const COLORREF bottomRight = focused ? GetSysColor(COLOR_HIGHLIGHT)
                                                 : GetSysColor(inOuter ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
            fillRect(dc, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
            fillRect(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
            fillRect(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
            fillRect(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
            InflateRect(&r, -1, -1);
        }
    }
    EndPaint(hwnd(), &ps);
}

LRESULT Panel::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (SystemControl::reflect(hwnd(), message, wParam, lParam, result) ||
        navigationKey(onTab, onArrow, message, wParam, 0, result))
        return result;
    switch (message) {
    case WM_ERASEBKGND:
        fillRect(reinterpret_cast<HDC>(wParam), clientRect(hwnd()), backColor_);
        return 1;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        InvalidateRect(hwnd(), nullptr, FALSE);  // the focus mark
        break;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

// ---- SystemControl ---------------------------------------------------------------------------------------------

HWND SystemControl::createControl(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& bounds, HWND parent,
                                  UINT id, std::wstring_view text)
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
    // Only a window of this thread can be one of ours: another program's window may carry any procedure address and
    // user data, and trusting them would make a call through a pointer it chose.
    if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId() ||
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &SystemControl::controlProc)
        return nullptr;
    return static_cast<SystemControl*>(reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
}

bool SystemControl::reflect(HWND container, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND sender = nullptr;
    switch (message) {
    case WM_COMMAND:  // lParam is the control for a notification, zero for a menu or an accelerator
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        sender = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        // Sent by the system to the button's parent; the item is one of the parent's own children, checked below
        // before anything in it is trusted further.
        if (wParam == 0 || !lParam)
            return false;
        sender = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return false;
    }
    if (!sender || GetParent(sender) != container)
        return false;
    SystemControl* control = from(sender);
    return control && control->onReflected(message, wParam, lParam, result);
}

void SystemControl::setFont(UniqueHfont font)
{
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the font the control used before is no longer selected anywhere
}

void SystemControl::setBounds(const RECT& bounds)
{
    moveTo(hwnd(), bounds);
}

LRESULT SystemControl::callClass(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(classProc_, hwnd(), message, wParam, lParam);
}

LRESULT SystemControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_GETDLGCODE && (onTab || onArrow)) {
        navigationKey(onTab, onArrow, message, wParam, callClass(message, wParam, lParam), result);
        return result;
    }
    if (navigationKey(onTab, onArrow, message, wParam, 0, result))
        return result;
    return callClass(message, wParam, lParam);
}

bool SystemControl::onReflected(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

// ---- PushButton ------------------------------------------------------------------------------------------------

void PushButton::create(HWND parent, const RECT& bounds, UINT id, std::wstring_view name)
{
    createControl(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS | BS_OWNERDRAW, 0, bounds,
                  parent, id, name);
}

LRESULT PushButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The system sends no mouse input to a disabled window; neither does a message that another program sends.
    const bool click = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP;
    if (click && !enabled())
        return 0;
    if (message == WM_UPDATEUISTATE) {  // the focus mark is shown or hidden
        const LRESULT result = SystemControl::onMessage(message, wParam, lParam);
        InvalidateRect(hwnd(), nullptr, FALSE);
        return result;
    }
    return SystemControl::onMessage(message, wParam, lParam);
}

bool PushButton::onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        RECT face = item.rcItem;
        UINT state = DFCS_BUTTONPUSH;
        if (item.itemState & ODS_SELECTED)
            state |= DFCS_PUSHED;
        if (item.itemState & ODS_DISABLED)
            state |= DFCS_INACTIVE;
        DrawFrameControl(item.hDC, &face, DFC_BUTTON, state);
        if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT) && !focusHidden(hwnd())) {
            // The focus mark inside the face, clear of its 2-px edge; the name itself is shown by the label above.
            RECT mark = item.rcItem;
            InflateRect(&mark, -3, -3);
            if (mark.right > mark.left && mark.bottom > mark.top)
                DrawFocusRect(item.hDC, &mark);
        }
        result = TRUE;
        return true;
    }
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
    // The sunken edge and the 1-px gap an edit box keeps inside it put the text in from the corner, so no margin of
    // its own.
    createControl(L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS | ES_LEFT | ES_AUTOHSCROLL,
                  WS_EX_CLIENTEDGE, definition.bounds, parent, id, definition.text);
    SendMessageW(hwnd(), EM_SETLIMITTEXT, definition.maxLength, 0);
    SendMessageW(hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
}

void TextBox::setText(std::wstring_view text)
{
    const std::wstring copy(text);
    SetWindowTextW(hwnd(), copy.c_str());
}

int TextBox::textInset() const
{
    POINT client{0, 0};
    ClientToScreen(hwnd(), &client);
    RECT window{};
    GetWindowRect(hwnd(), &window);
    return static_cast<int>(client.x - window.left) + 1;
}

LRESULT TextBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == textExtentMessage())
        return packExtent(textExtent(font(), text()));
    return SystemControl::onMessage(message, wParam, lParam);
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
