// The exit fade and the input rules that start and cut it short.
#include "core/snow/exit_fade.h"

namespace nivora {

FadeAction ExitFade::BeginFadeOut()
{
    if (preview_ || timer2Enabled_)
        return {};
    timer2Enabled_ = true;
    return {FadeAction::Kind::BeginFadeOut, static_cast<uint8_t>(255 - fadeLevel)};
}

FadeAction ExitFade::keyOrClick()
{
    // A second key or click during the fade does not wait for it.
    if (timer2Enabled_) {
        timer2Enabled_ = false;
        return {FadeAction::Kind::Unload, 0};
    }
    return BeginFadeOut();
}

FadeAction ExitFade::picMain_MouseMove(float x, float y)
{
    // The first event only records where the pointer is (the system may send one as soon as the window lies under
    // it), and a move must change both coordinates: a jitter along one axis does not end the saver.
    FadeAction action;
    if (mouseArmed == 1 && x != lastMouseX && y != lastMouseY)
        action = BeginFadeOut();
    mouseArmed = 1;
    lastMouseX = x;
    lastMouseY = y;
    return action;
}

FadeAction ExitFade::Timer2_Timer()
{
    if (!timer2Enabled_)
        return {};
    fadeLevel = static_cast<int16_t>(fadeLevel + kFadeStepSize);
    if (fadeLevel > 255) {
        timer2Enabled_ = false;
        return {FadeAction::Kind::Unload, 0};
    }
    return {FadeAction::Kind::SetOpacity, static_cast<uint8_t>(255 - fadeLevel)};
}

}  // namespace nivora
