// The settings mode: frmSetting, the settings window with its five rows and five buttons, and its set-up.
#pragma once

#include <array>
#include <optional>

#include "controls.h"
#include "core/dialog_layout.h"
#include "core/dialog_model.h"
#include "core/dialog_regions.h"

namespace nivora::win32 {

// The message text's font, in the text box and in the overlay: "HG丸ｺﾞｼｯｸM-PRO" 12 pt or the nearest rounded
// or Japanese face installed.
FontSpec messageTextFont();

class FrmSetting : public Window {
public:
    // Creates and loads (hidden) the single instance, editing the settings start-up loaded.
    static FrmSetting& open(const SnowSettings& settings);
    // The instance `open` made.
    static FrmSetting& get();
    static bool loaded();

    // Shows the current value of item 1..5 in its row and in the overlay.
    void ShowSetting(int16_t item);
    // Gives the window the keyboard focus, on the control that last had it, unless the focus is already inside.
    void SetFocus();
    // Closes the window: Form_QueryUnload, then the window goes.
    void unload();
    const DialogModel* model() const { return model_ ? &*model_ : nullptr; }

    // Listed from the top of the z-order down.
    PushButton Command5;  // "CANCEL"
    PushButton Command4;  // "OK"
    PushButton Command3;  // "+"
    PushButton Command2;  // "SELECT"
    PushButton Command1;  // "-"
    Panel Picture1;       // holds the rows
    Panel Frame1;         // holds the button labels

    // Inside Picture1, from the top of the z-order down.
    TextBox Text1;
    ControlArray<PictureControl, kBlightnessPictures> img_Blightness;
    PictureControl img_MessageText;
    ControlArray<PictureControl, kDirectionPictures> img_Direction;  // element 1 lies at the very back
    ControlArray<PictureControl, kVelocityPictures> img_Velocity;
    ControlArray<PictureControl, kPrecipitationPictures> img_Precipitation;

    // Inside Frame1, from the top of the z-order down.
    Label Label3;                  // "+"
    Label Label4;                  // "OK"
    ControlArray<Label, 1> Label5; // "CANCEL"
    Label Label1;                  // "-"
    Label Label2;                  // "SELECT"

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    explicit FrmSetting(const SnowSettings& settings) : loadedSettings_(settings) {}
    void load();
    void createControls();
    void Form_Load();
    void Form_QueryUnload();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Text1_LostFocus();
    void showStep(const StepResult& step);
    void showButtonStates();
    void setRegion(int item);
    HWND tabStop(SettingControl control);
    void tabFrom(HWND from, bool backwards);
    void onActivate(bool active);

    SnowSettings loadedSettings_;
    std::optional<DialogModel> model_;
    std::array<RegionOutline, 5> regionPoints_{};
    HWND lastFocus_ = nullptr;
    bool closing_ = false;
};

// Loads, places and shows the settings window and its overlay; false when the mode cannot run.
bool setUpSettings(const SnowSettings& settings);

}  // namespace nivora::win32
