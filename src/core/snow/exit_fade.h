// How the snow screen ends on user input: the first key, click or real pointer move starts a short fade-out, the
// eighth fade tick (or another key or click) ends the program. The preview never ends on input.
#pragma once

#include <chrono>
#include <cstdint>

namespace nivora {

inline constexpr std::chrono::milliseconds kFadeInterval{200};  // Timer2
inline constexpr int16_t kFadeStepSize = 32;

// What the window layer has to do after an event.
struct FadeAction {
    enum class Kind : uint8_t {
        Nothing,
        // Start the fade: show the cursor again (ShowCursor(TRUE) until the count is >= 0), enable Timer2, make the
        // window layered, set its opacity to `opacity` (LWA_ALPHA) and draw one frame.
        BeginFadeOut,
        SetOpacity,  // SetLayeredWindowAttributes with `opacity`
        Unload,      // unload the snow window: the program ends at once
    };
    Kind kind = Kind::Nothing;
    uint8_t opacity = 255;
    friend bool operator==(const FadeAction&, const FadeAction&) = default;
};

class ExitFade {
public:
    explicit ExitFade(bool preview) : preview_(preview) {}

    FadeAction picMain_KeyDown() { return keyOrClick(); }
    FadeAction picMain_MouseDown() { return keyOrClick(); }
    // x, y: the pointer position in pixels, as the event reports it.
    FadeAction picMain_MouseMove(float x, float y);
    FadeAction Timer2_Timer();
    FadeAction BeginFadeOut();

    bool timer2Enabled() const { return timer2Enabled_; }

    int16_t fadeLevel = 0;
    int16_t mouseArmed = 0;
    float lastMouseX = 0;
    float lastMouseY = 0;

private:
    FadeAction keyOrClick();

    bool preview_;
    bool timer2Enabled_ = false;
};

}  // namespace nivora
