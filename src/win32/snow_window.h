// The snow window: one window over the whole virtual screen (or inside the preview box), the pictures of each
// monitor, and the snow session that fills them, driven by the window's messages and the session's clocks.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/settings/settings.h"
#include "core/snow/snow_screens.h"
#include "core/snow/snow_session.h"
#include "pause_notifications.h"
#include "test_seams.h"
#include "toolkit.h"

namespace nivora::win32 {

// What start-up hands the snow window.
struct SnowStart {
    SnowSettings settings;            // as loaded
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
    // The first frame, as the window shows; the session's clocks count from it.
    void DrawSnow();
    // The message loop with the session's clocks, until the program ends.
    int run();
    // Gives the keyboard focus to the primary monitor's picMain.
    void focusPicMain();

    // One monitor's pictures, for the session's screen of the same index.
    struct MonitorPictures {
        PictureBox picMain;  // what is seen; receives the keys and mouse events
        PictureBox PicDesk;  // dimmed desktop with every settled flake, until the session lets go of it
        PictureBox PicText;  // text mask: exactly white pixels catch flakes
    };

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool preview() const { return start_.previewParent != nullptr; }
    bool loadMonitor(size_t i);
    // Prints the message into PicText; false when this monitor has none, and so needs no PicText at all.
    bool layOutMessage(size_t i);
    void captureDesktop(size_t i);
    // What a step of the session asks: the frame presented on every monitor, then the fade's step.
    void carryOut(const SessionStep& step);
    void presentFrame();
    void Form_Unload();
    // Runs what the session has due now; microseconds until it has more.
    int64_t runDue();
    void picMain_KeyDown();
    void picMain_MouseDown();
    void picMain_MouseMove(float x, float y);
    // The reasons the system gives for nobody seeing the snow, handed to the session.
    void notePause();

    SnowStart start_;
    std::vector<std::unique_ptr<MonitorPictures>> monitors_;  // one per start_.screens entry
    std::optional<SnowSession> session_;
    std::vector<RECT> presented_;
    // Nobody sees the snow (display off, session locked or away): no frame is made, the clocks keep their time.
    PauseNotifications pauseNotifications_;
    std::unique_ptr<SnowWindowSeam> testSeam_;  // the test build's answers to the tests; null in the shipped saver
    bool loaded_ = false;

    friend class SnowWindowTestSeam;
};

// The seed of the run: NIVORA_SEED when set to a number (to replay a run), else one from the clock.
uint64_t runSeed();

}  // namespace nivora::win32
