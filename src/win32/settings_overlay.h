// frmDisplay: the translucent overlay that lies under the settings window's rows and shows all five values. The
// settings window owns it and hands it what it shows.
#pragma once

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
    // Shows a row's picture (rows 1 to 5) with its name, or the message (row 5's label).
    void showPicture(int row, HBITMAP picture, std::wstring_view name);
    void showMessage(std::wstring_view text);
    void moveTo(POINT screen);

    // Listed from the top of the z-order down.
    Label Label1;
    PictureControl Image5;
    PictureControl Image4;
    PictureControl Image3;
    PictureControl Image2;
    PictureControl Image1;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    PictureControl& image(int row);

    std::function<void()> onActivated_;
    std::function<void()> onClose_;
};

}  // namespace nivora::win32
