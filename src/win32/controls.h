// Controls of the settings windows on the toolkit's Window: pictures, labels, a text box, push buttons and panels.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "handles.h"
#include "toolkit.h"
#include "window_services.h"

namespace nivora::win32 {

// Asked of a label or a text box, from this program or another, the size its text takes in its font: LOWORD the
// width, HIWORD the height, in pixels. Lets a test measure every text against its box with the fonts really used.
UINT textExtentMessage();

// ---- Controls on the program's own window classes ------------------------------------------------------------

// Shows a bitmap unscaled at its top-left corner; the rest of the control, or all of it while no picture is set,
// shows the background colour. Its window text names what it shows, for screen readers.
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
        COLORREF foreColor;
        COLORREF backColor;
    };
    void create(HWND parent, const Definition& definition);
    std::wstring caption() const { return windowText(hwnd()); }
    void setFont(UniqueHfont font);
    void setBounds(const RECT& bounds);

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
// Lets a window take the arrow keys: -1 for Left and Down, +1 for Right and Up.
using ArrowHandler = std::function<void(int direction)>;

// A container of controls: a background colour and a border, and the notifications of its controls passed back to
// them. As a picture box that holds controls it can also take the keyboard focus; it then draws its border in the
// selection colour, as its mark of the focus.
class Panel : public Window {
public:
    enum class Border : uint8_t { None, Sunken, Etched };  // Sunken: a 3-D edge; Etched: a frame's line
    struct Definition {
        RECT bounds;
        COLORREF backColor;
        Border border = Border::None;
        int borderWidth = 2;  // of a sunken edge, drawn inside the bounds; children keep clear of it
        bool tabStop = false;
    };
    void create(HWND parent, const Definition& definition);
    void setBounds(const RECT& bounds, int borderWidth);
    TabHandler onTab;
    ArrowHandler onArrow;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onPaint();
    COLORREF backColor_ = 0;
    Border border_ = Border::None;
    int borderWidth_ = 2;
};

// ---- Controls on the system's window classes -----------------------------------------------------------------

// A button or an edit box of the system whose messages reach onMessage before its class's own procedure.
class SystemControl : public Window {
public:
    // The control behind a window of this thread, when it is one of these; null for any other window.
    static SystemControl* from(HWND hwnd);
    // The notifications that controls send to their parent (WM_COMMAND, WM_CTLCOLOR..., WM_DRAWITEM), handed back to
    // the control that sent them, when it is a child of `container`. Containers call this first; true when the
    // control answered, with its result.
    static bool reflect(HWND container, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    bool enabled() const { return IsWindowEnabled(hwnd()) != FALSE; }
    void setEnabled(bool enabled) { EnableWindow(hwnd(), enabled); }
    void setFocus() { SetFocus(hwnd()); }
    void setFont(UniqueHfont font);
    HFONT font() const { return font_.get(); }
    void setBounds(const RECT& bounds);
    TabHandler onTab;
    ArrowHandler onArrow;

protected:
    HWND createControl(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& bounds, HWND parent, UINT id,
                       std::wstring_view text = {});
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;  // default: the class's procedure
    virtual bool onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT callClass(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC classProc_ = nullptr;
    UniqueHfont font_;
};

// A push button whose name is read by screen readers but not drawn: its label stands above it. It draws its own
// face and a focus mark, and acts only while it is enabled.
class PushButton : public SystemControl {
public:
    void create(HWND parent, const RECT& bounds, UINT id, std::wstring_view name);
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
        COLORREF foreColor;
        COLORREF backColor;
    };
    void create(HWND parent, const Definition& definition, UINT id);
    std::wstring text() const { return windowText(hwnd()); }
    void setText(std::wstring_view text);
    // Where the box writes its text, from its top-left corner: its edge and the gap it keeps inside it.
    int textInset() const;
    std::function<void()> onLostFocus;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool onReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    UniqueHbrush background_;
    COLORREF foreColor_ = 0;
    COLORREF backColor_ = 0;
};

}  // namespace nivora::win32
