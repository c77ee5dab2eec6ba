// The settings mode: frmSetting, the settings window with a row per setting and its buttons, which owns its
// overlay, its window hook and its option pictures; and its set-up.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "controls.h"
#include "core/dialog/dialog_layout.h"
#include "core/dialog/dialog_model.h"
#include "core/dialog/dialog_regions.h"
#include "core/dialog/setting_rows.h"
#include "option_pictures.h"
#include "setting_hook.h"
#include "settings_overlay.h"

namespace nivora::win32 {

class FrmSetting : public Window {
public:
    // Edits `settings` in place; they must outlive the window.
    explicit FrmSetting(SnowSettings& settings);

    // Creates the window and its overlay, hidden, on the monitor that holds `at`, and runs Form_Load.
    bool load(POINT at);
    FrmDisplay& overlay() { return frmDisplay_; }

    // Shows the current value of item 1..kRowCount in its row and in the overlay.
    void ShowSetting(int16_t item);
    // Gives the window the keyboard focus, on the control that last had it, unless the focus is already inside.
    void SetFocus();
    // Closes the window: Form_QueryUnload, then the window goes.
    void unload();

    // Listed from the top of the z-order down.
    PushButton Command5;  // "CANCEL"
    PushButton Command4;  // "OK"
    PushButton Command3;  // "+"
    PushButton Command2;  // "SELECT"
    PushButton Command1;  // "-"
    Panel Picture1;       // holds the rows
    Panel Frame1;         // holds the button labels

    // Inside Picture1, from the top of the z-order down: Text1 over the message row, then the rows from the last.
    TextBox Text1;
    // The pictures of row k at [k - 1] (img_Precipitation, img_Velocity, img_Direction, img_Blightness,
    // img_MessageText), the picture of value i at index i.
    std::array<std::vector<PictureControl>, kRowCount> rowPictures;

    // Inside Frame1, from the top of the z-order down.
    Label Label3;                   // "+"
    Label Label4;                   // "OK"
    ControlArray<Label, 1> Label5;  // "CANCEL"
    Label Label1;                   // "-"
    Label Label2;                   // "SELECT"

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void createControls();
    // Lays the window out at `dpi`, centred on `suggested` when given, else where it is.
    void applyLayout(int dpi, const RECT* suggested);
    void showPictures();
    void Form_Load();
    void Form_QueryUnload();
    void Form_activate();  // of the overlay: places it under the rows and takes the focus back
    std::vector<PictureControl>& pictures(int row) { return rowPictures[static_cast<size_t>(row - 1)]; }
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Text1_LostFocus();
    void showStep(const StepResult& step);
    void showButtonStates();
    void showSelectionName();
    void setRegion(int item);
    POINT rowBandOnScreen() const;
    HWND tabStop(SettingControl control);
    void tabFrom(HWND from, bool backwards);
    void onArrow(int direction);
    void onActivate(bool active);
    void onDpiChanged(int dpi, LPARAM suggestion);
    void onChangeUiState(WORD action, WORD flags);

    DialogModel model_;
    DialogLayout layout_;
    bool layingOut_ = false;  // its own SetWindowPos may bring WM_DPICHANGED again: not laid out from inside
    OptionPictures pictures_;
    SettingHook hook_;
    FrmDisplay frmDisplay_;
    std::array<RegionOutline, kRowCount> regionPoints_{};
    HWND lastFocus_ = nullptr;
    bool closing_ = false;
    WORD uiState_ = 0;  // UISF_HIDEFOCUS, UISF_HIDEACCEL: the keyboard cues hidden
};

// Loads, places and shows the settings window and its overlay near the pointer; null when the mode cannot run.
// The window lives as long as what is returned.
std::unique_ptr<FrmSetting> setUpSettings(SnowSettings& settings);

}  // namespace nivora::win32
