// A small window toolkit on Win32: windows with their instance data, picture boxes whose persistent image is a
// 32-bit top-down DIB section, the screen object and the ways the program ends.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/rect.h"
#include "handles.h"

namespace nivora::win32 {

// A rectangle of the core as Win32 takes it: the same four edges, as LONG.
constexpr RECT winRect(const Rect& r)
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

// The screen object: the primary screen's size in pixels.
struct Screen {
    static int widthPixels();
    static int heightPixels();
};

// Base of every window and control of the program. The instance is attached to its window (GWLP_USERDATA), and
// each message reaches `onMessage` of that instance.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }
    void setCaption(std::wstring_view caption);
    bool visible() const;
    void setVisible(bool visible);

protected:
    struct ClassSpec {
        const wchar_t* name;
        HBRUSH background = nullptr;
        HICON icon = nullptr;
        UINT style = 0;
    };
    // Creates the window; the class is registered on first use.
    HWND create(const ClassSpec& cls, DWORD style, DWORD exStyle, const RECT& bounds, HWND parent,
                std::wstring_view caption = {}, UINT_PTR id = 0);
    // Subclasses answer their messages here; everything else goes to DefWindowProc.
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Windows of the system's own classes (buttons, edit boxes) are made without this class's procedure: a control
    // built on one attaches its instance here, and detaches it (nullptr) when its window goes.
    void attach(HWND hwnd);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// A font by its preferred faces: the first one installed wins, else the system's default face.
struct FontSpec {
    std::vector<const wchar_t*> faces;  // string literals
    double points = 9;
    bool bold = false;
    BYTE charset = DEFAULT_CHARSET;
    BYTE quality = DEFAULT_QUALITY;  // how the glyphs' edges are drawn (LOGFONT's lfQuality)
    int pixels = 0;  // when set, the em height in pixels at the window's own scale, in place of `points`
    int dpi = 0;     // when set, the DPI that turns `points` into pixels, in place of the system's
};
std::wstring firstInstalledFace(const std::vector<const wchar_t*>& faces);
UniqueHfont createFont(const FontSpec& choice);

// A picture box: a child window whose content is kept in an off-screen 32-bit top-down DIB section. The memory
// device context stays valid for drawing and reading while the box is hidden or covered.
class PictureBox : public Window {
public:
    struct Definition {
        RECT bounds;  // pixels, in the parent's client area
        bool visible = true;
        COLORREF backColor = RGB(0, 0, 0);
        COLORREF foreColor = RGB(0, 0, 0);
        // False: the window alone, until resizeImage gives it an image of the size its owner decides.
        bool image = true;
    };
    // Creates the window, and with `image` an image of the window's size cleared to the background colour.
    void create(HWND parent, const Definition& definition);

    HDC hDC() const { return memoryDc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // First pixel of the top row; rows are `width()` pixels apart (0x00RRGGBB per pixel).
    uint32_t* pixels() const { return pixels_; }

    // A new image of that size (none at 0 x 0), cleared to the background colour.
    void resizeImage(int width, int height);
    void setBackColor(COLORREF color);  // also clears the image, as the background colour always does
    void setForeColor(COLORREF color) { foreColor_ = color; }
    void setFont(const FontSpec& choice);
    double fontPoints() const { return fontPoints_; }
    int textWidth(std::wstring_view text) const;
    // One text output at (x, y) in the fore colour; the other pixels stay untouched.
    void print(int x, int y, std::wstring_view text);
    // Shows the whole image on screen now, or only some rectangles of it.
    void refresh();
    void present(const RECT* rects, size_t count);

    std::function<void()> onKeyDown;
    std::function<void()> onMouseDown;
    std::function<void(float x, float y)> onMouseMove;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onPaint();

    UniqueHdc memoryDc_;
    UniqueHbitmap bitmap_;
    UniqueHfont font_;
    // Declared after what they select, so they put the context's own objects back before the image and the font
    // are deleted (an object still selected into a context cannot be).
    std::optional<SelectGuard> bitmapSelection_;
    std::optional<SelectGuard> fontSelection_;
    FontSpec fontSpec_{};
    double fontPoints_ = 0;
    uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    COLORREF backColor_ = RGB(0, 0, 0);
    COLORREF foreColor_ = RGB(0, 0, 0);
};

// The program icon, shared by every window.
HICON programIcon(bool small);

// Runs the message loop until the last window of the settings mode is gone.
int runMessageLoop();
// Ends the program at once: no further handler of any window runs.
[[noreturn]] void endProgram();

}  // namespace nivora::win32
