// The snow window: one window over the whole virtual screen (or inside the preview box), a drawing area with its
// own pictures and snow field per monitor, the three timers, and what they do.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "clocked_timer.h"
#include "core/snow/exit_fade.h"
#include "core/snow/random.h"
#include "core/settings/settings.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "core/snow/wind.h"
#include "pause_notifications.h"
#include "surface_readback.h"
#include "toolkit.h"

namespace nivora::win32 {

// What start-up hands the snow window.
struct SnowStart {
    SnowSettings settings;            // as loaded; the snow turns `velocity` into the wind in pixels
    std::vector<SnowScreen> screens;  // full screen: one per monitor; preview: the preview box
    Rect window;                      // where the window lies: the virtual screen, or the box's client area
    HWND previewParent = nullptr;     // the host's preview box; null in full screen
    uint64_t seed = 0;                // of the run's one random generator
};

class FrmMain : public Window {
public:
    // Creates the window, loaded and hidden; in preview a child of the preview box.
    explicit FrmMain(SnowStart start);

    // False when the window or one of its pictures cannot be made: the saver cannot run.
    bool InitData();
    void DrawSnow();
    // The message loop with the timers, until the program ends.
    int run();
    // Gives the keyboard focus to the primary monitor's picMain.
    void focusPicMain();

    PictureBox picChar2;  // flake mask strip, hidden
    PictureBox picChar;   // flake sprite strip, hidden

    // One monitor's pictures and snow.
    struct Monitor {
        SnowScreen screen;
        PictureBox picMain;  // what is seen; receives the keys and mouse events
        PictureBox PicDesk;  // dimmed desktop with every settled flake
        PictureBox PicText;  // text mask: exactly white pixels catch flakes
        SnowField field;
        std::vector<Pixel> deskPart;  // what the frames still read of PicDesk once it is cut down
        bool deskCut = false;
    };

    ClockedTimer Timer1{20, true, [this] { Timer1_Timer(); }};
    ClockedTimer Timer2{kFadeInterval, false, [this] { Timer2_Timer(); }};
    ClockedTimer Timer3{kWindFirstInterval, false, [this] { Timer3_Timer(); }};

    // Frames drawn so far; tests read it through the registered message "NivoraFrameCount".
    uint64_t frameCount() const { return frameCount_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool preview() const { return start_.previewParent != nullptr; }
    bool loadMonitor(Monitor& monitor);
    // Prints the message into PicText; false when this monitor has none, and so needs no PicText at all.
    bool layOutMessage(Monitor& monitor);
    // After the first frame: keeps only the part of PicDesk that frames still read, and frees the picture.
    void cutDesk(Monitor& monitor);
    void captureDesktop(Monitor& monitor);
    void carryOut(const FadeAction& action);
    void Form_Unload();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void picMain_KeyDown();
    void picMain_MouseDown();
    void picMain_MouseMove(float x, float y);
    void runTimers(bool run);
    LRESULT onReadback(WPARAM request, LPARAM picture);

    SnowStart start_;  // its settings' `velocity` is the current wind once InitData has run
    std::vector<std::unique_ptr<Monitor>> monitors_;
    std::optional<Random> random_;  // one generator for the run
    std::optional<AutoWind> wind_;
    std::optional<ExitFade> fade_;
    std::vector<RECT> presented_;
    uint64_t frameCount_ = 0;
    UINT frameCountMessage_ = 0;
    // Nobody sees the snow (display off, session locked or away): no frame is made, the timers keep their time.
    PauseNotifications pauseNotifications_;
    SurfaceReadback readback_;
    bool heldForReadback_ = false;
    bool loaded_ = false;
};

// The seed of the run: NIVORA_SEED when set to a number (to replay a run), else one from the clock.
uint64_t runSeed();

}  // namespace nivora::win32
