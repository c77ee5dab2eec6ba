// frmDisplay: the translucent overlay that lies under the settings window's rows and shows all five values.
#pragma once

#include "controls.h"
#include "core/dialog_model.h"

namespace nivora::win32 {

// The option picture of one value: row 1 precipitation, 2 wind speed, 3 wind direction, 4 brightness, 5 message
// (its single picture, element 0).
HBITMAP optionPicture(int row, int element);

class FrmDisplay : public Window {
public:
    // The single instance, created and loaded (hidden) on first use, and again on a use after it was closed.
    static FrmDisplay& get();
    static bool loaded();
    // Closes the window, when it is open; it is not created for that.
    static void unload();

    // Places the overlay under the settings window's rows and hands the focus back to the settings window.
    void Form_activate();
    // Shows one value of the settings window in its row.
    void showRow(const RowView& view);

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
    FrmDisplay() = default;
    void load();
    void Form_Load();
    PictureControl& image(int row);
};

}  // namespace nivora::win32
