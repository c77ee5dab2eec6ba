// The snow window: its five picture surfaces, its three timers, and what it does with them.
#pragma once

#include <optional>

#include "core/exit_fade.h"
#include "core/random.h"
#include "core/snow_field.h"
#include "core/wind.h"
#include "toolkit.h"

namespace nivora::win32 {

class FrmMain : public Window {
public:
    // The single instance, created and loaded (hidden) on first use.
    static FrmMain& get();

    void InitData();
    void DrawSnow();

    PictureBox picChar2;  // flake mask strip, hidden
    PictureBox picChar;   // flake sprite strip, hidden
    PictureBox picMain;   // what is seen; receives the keys and mouse events
    PictureBox PicDesk;   // dimmed desktop with every settled flake
    PictureBox PicText;   // text mask: exactly white pixels catch flakes

    Timer Timer1{*this, 20, true, [this] { Timer1_Timer(); }};
    Timer Timer2{*this, 200, false, [this] { Timer2_Timer(); }};
    Timer Timer3{*this, 5000, false, [this] { Timer3_Timer(); }};

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    FrmMain() = default;
    void load();
    void layOutMessage();
    void captureDesktop();
    void carryOut(const FadeAction& action);
    void Form_Unload();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void picMain_KeyDown();
    void picMain_MouseDown();
    void picMain_MouseMove(float x, float y);

    std::optional<Random> random_;  // one generator for the run, seeded from the clock
    SnowField field_;
    std::optional<AutoWind> wind_;
    std::optional<ExitFade> fade_;
    std::vector<RECT> presented_;
};

}  // namespace nivora::win32
