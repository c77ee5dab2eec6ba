// frmDisplay: the translucent overlay that lies under the settings window's rows and shows every value. The settings
// window owns it and hands it what it shows.
#pragma once

#include <array>
#include <functional>

#include "controls.h"
#include "core/dialog/dialog_layout.h"

namespace nivora::win32 {

class FrmDisplay : public Window {
public:
    // Creates the overlay, hidden, at the layout's scale. `onActivated` runs once an activation has run its course
    // (the settings window places the overlay and takes the focus back); `onClose` when the overlay is asked to
    // close (the settings window closes, and the overlay with it).
    void load(const DialogLayout& layout, std::function<void()> onActivated, std::function<void()> onClose);
    // Sizes the window and its controls for a layout; `textInset` is where the settings window's text box writes.
    void applyLayout(const DialogLayout& layout, int textInset, UniqueHfont messageFont);
    // Shows a row's picture (from row 1) with its name, or the message (the message row's label).
    void showPicture(int row, HBITMAP picture, std::wstring_view name);
    void showMessage(std::wstring_view text);
    void moveTo(POINT screen);

    // Label1 lies over the pictures, the last row's in front.
    Label Label1;
    std::array<PictureControl, kRowCount> images;  // Image1, Image2, ...: row k's picture at [k - 1]

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    PictureControl& image(int row) { return images[static_cast<size_t>(row - 1)]; }

    std::function<void()> onActivated_;
    std::function<void()> onClose_;
};

}  // namespace nivora::win32
