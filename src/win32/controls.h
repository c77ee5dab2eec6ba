// Controls of the settings windows on the toolkit's Window: pictures, labels, a text box, push buttons and panels,
// and the window services they need: regions, layered windows, window procedures put in front, the message box.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "handles.h"
#include "toolkit.h"

namespace nivora::win32 {

// ---- Text ----------------------------------------------------------------------------------------------------

// The core keeps text as UTF-16 in char16_t, Windows in wchar_t: the same code units.
std::wstring wideText(std::u16string_view text);
std::u16string coreText(std::wstring_view text);
std::wstring windowText(HWND hwnd);

// ---- Window services -----------------------------------------------------------------------------------------

// A region from an outline in window coordinates, filled with the WINDING rule.
UniqueHrgn polygonRegion(const POINT* points, int count);
// Gives the window its shape and redraws it.
void setWindowRegion(HWND hwnd, UniqueHrgn region);
// Draws the whole window at a constant opacity out of 255, without a colour key.
void makeLayered(HWND hwnd, BYTE alpha);
// Puts `procedure` in front of the window's procedure and returns the one it replaces, which `procedure` passes
// every message on to with CallWindowProcW. Pointer-sized on 64-bit Windows too.
WNDPROC replaceWindowProc(HWND hwnd, WNDPROC procedure);
// Brings a child window in front of its siblings without activating anything.
void bringToFront(HWND hwnd);
// Applies a z-order to siblings listed from the front to the back.
void stackFrontToBack(const std::vector<HWND>& siblings);
// A message with an OK button only and no icon; returns when it is dismissed.
void messageBox(HWND owner, std::u16string_view text, std::u16string_view caption);

SIZE bitmapSize(HBITMAP bitmap);

// ---- Controls on the program's own window classes ------------------------------------------------------------

// Shows a bitmap unscaled at its top-left corner; the rest of the control, or all of it while no picture is set,
// shows the background colour.
class PictureControl : public Window {
public:
    void create(HWND parent, const RECT& bounds, COLORREF background, UINT id = 0);
    HBITMAP picture() const { return picture_; }
    void setPicture(HBITMAP picture);  // not owned: the caller keeps it alive while it is shown
    void bringToFront() { win32::bringToFront(hwnd()); }
    void setBounds(const RECT& bounds);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onPaint();
    HBITMAP picture_ = nullptr;
    COLORREF background_ = 0;
};

// Controls of one name told apart by an index, as a value's pictures are.
template <class Control, int Count>
class ControlArray {
public:
    Control& operator[](int index) { return elements_.at(static_cast<size_t>(index)); }
    const Control& operator[](int index) const { return elements_.at(static_cast<size_t>(index)); }
    static constexpr int size() { return Count; }
    auto begin() { return elements_.begin(); }
    auto end() { return elements_.end(); }

private:
    std::array<Control, Count> elements_;
};

// One line of text, left-aligned, on a painted background.
class Label : public Window {
public:
    struct Definition {
        RECT bounds;
        std::wstring_view caption;
        FontSpec font;
        COLORREF foreColor;
        COLORREF backColor;
    };
    void create(HWND parent, const Definition& definition);
    std::wstring caption() const { return windowText(hwnd()); }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onPaint();
    UniqueHfont font_;
    COLORREF foreColor_ = 0;
    COLORREF backColor_ = 0;
};

// Lets a window take Tab and Shift+Tab from the dialog navigation, for a tab order of its dialog's own.
using TabHandler = std::function<void(bool backwards)>;

// A container of controls: a background colour and a border, and the notifications of its controls passed back to
// them. As a picture box that holds controls it can also take the keyboard focus, showing nothing for it.
class Panel : public Window {
public:
    enum class Border : uint8_t { None, Sunken, Etched };  // Sunken: a 3-D edge 2 px wide; Etched: a frame's line
    struct Definition {
        RECT bounds;
        COLORREF backColor;
        Border border = Border::None;
        bool tabStop = false;
    };
    void create(HWND parent, const Definition& definition);
    TabHandler onTab;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    COLORREF backColor_ = 0;
    Border border_ = Border::None;
};

// ---- Controls on the system's window classes -----------------------------------------------------------------

// A button or an edit box of the system whose messages reach onMessage before its class's own procedure.
class SystemControl : public Window {
public:
    // The control behind a window, when it is one of these; null for any other window.
    static SystemControl* from(HWND hwnd);
    // The notifications that controls send to their parent (WM_COMMAND, WM_CTLCOLOR...), handed back to the control
    // that sent them. Containers call this first; true when the control answered, with its result.
    static bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    bool enabled() const { return IsWindowEnabled(hwnd()) != FALSE; }
    void setEnabled(bool enabled) { EnableWindow(hwnd(), enabled); }
    void setFocus() { SetFocus(hwnd()); }
    void setFont(const FontSpec& choice);
    TabHandler onTab;

protected:
    HWND createControl(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& bounds, HWND parent,
                       UINT id, std::wstring_view text = {});
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;  // default: the class's procedure
    virtual bool onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC classProc_ = nullptr;
    UniqueHfont font_;
};

// A push button without a caption; it acts only while it is enabled.
class PushButton : public SystemControl {
public:
    void create(HWND parent, const RECT& bounds, UINT id);
    std::function<void()> onClick;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// A single-line text box with a maximum length, colours of its own and a lost-focus event.
class TextBox : public SystemControl {
public:
    struct Definition {
        RECT bounds;
        std::wstring_view text;
        size_t maxLength;
        FontSpec font;
        COLORREF foreColor;
        COLORREF backColor;
    };
    void create(HWND parent, const Definition& definition, UINT id);
    std::wstring text() const { return windowText(hwnd()); }
    void setText(std::wstring_view text);
    std::function<void()> onLostFocus;

protected:
    bool onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    UniqueHbrush background_;
    COLORREF foreColor_ = 0;
    COLORREF backColor_ = 0;
};

}  // namespace nivora::win32
