// The snow session: the fields of every monitor, the three clocks (frames, fade, wind), the pause and the input,
// behind the calls every front end makes.
#include "core/snow/snow_session.h"

#include <algorithm>
#include <utility>

namespace nivora {

namespace {

bool isPreview(std::span<const SnowScreen> screens)
{
    return !screens.empty() && screens.front().area.mode == SnowMode::Preview;
}

// The clocks count in microseconds.
int64_t microseconds(std::chrono::microseconds duration)
{
    return duration.count();
}

}  // namespace

SnowSession::SnowSession(const SnowSettings& settings, std::vector<SnowScreen> screens, uint64_t seed)
    : settings_(settings),
      random_(seed),
      wind_(windFromLevel(settings.velocity)),
      automaticWind_(isAutomaticWind(settings.direction)),
      autoWind_(wind_),
      fade_(isPreview(screens))
{
    startFields(std::move(screens));
}

void SnowSession::startFields(std::vector<SnowScreen> screens)
{
    screens_.clear();
    screens_.reserve(screens.size());
    // One after another from the one generator, in the screens' order: the flakes of each screen are four draws
    // each, before any frame draws.
    for (const SnowScreen& screen : screens) {
        ScreenSnow& s = screens_.emplace_back();
        s.screen = screen;
        s.settings = screenSettings(settings_, screen);
        s.field.InitData(s.settings, screen.area, random_);
        s.field.velocity = wind_;  // a reshape: the wind blows on as it was
        s.whole = {0, 0, screen.area.drawWidth, screen.area.drawHeight};
    }
}

int32_t SnowSession::pictureWidth(size_t i) const
{
    return screens_[i].screen.area.drawWidth + kPictureMargin;
}

int32_t SnowSession::pictureHeight(size_t i) const
{
    return screens_[i].screen.area.drawHeight + kPictureMargin;
}

bool SnowSession::wantsDesktop(const SnowSettings& settings)
{
    return brightnessAlpha(settings.blightness).has_value();
}

void SnowSession::attach(size_t i, const SnowSurfaces& pictures, const ConstSurface& desktop)
{
    bitBlt(pictures.desk, 0, 0, pictures.desk.width, pictures.desk.height, Rop::Blackness);
    if (const std::optional<uint8_t> alpha = brightnessAlpha(settings_.blightness); alpha && desktop.pixels)
        blendOverBlack(pictures.desk, desktop, *alpha);
    attach(i, pictures);
}

void SnowSession::attach(size_t i, const SnowSurfaces& pictures)
{
    ScreenSnow& s = screens_[i];
    s.field.attachSurfaces(pictures);
    s.desk = pictures.desk;
    s.deskPart.clear();
    s.deskCut = false;
}

void SnowSession::drawFrame()
{
    for (size_t i = 0; i < screens_.size(); ++i) {
        ScreenSnow& s = screens_[i];
        s.field.DrawSnow();
        // After the first frame PicDesk is read only where snow can settle: that part is kept, the rest let go.
        if (!s.deskCut && s.desk.pixels != nullptr && cutDeskInto(s.field, s.desk, s.deskPart)) {
            s.deskCut = true;
            s.desk = {};
            released_.push_back(i);
        }
    }
}

void SnowSession::frame(SessionStep& step, int64_t now)
{
    drawFrame();
    presentWhole_ = wholeNext_;
    wholeNext_ = false;
    ++frameCount_;
    step.drawn = true;
    if (holdAfter_ && frameCount_ == *holdAfter_) {
        hold(PauseReason::HeldForTest, true, now);
        step.held = true;
    }
}

void SnowSession::reportReleased(SessionStep& step)
{
    reported_.swap(released_);
    released_.clear();
    step.releasedDesks = reported_;
}

void SnowSession::runAhead(uint64_t frames)
{
    for (uint64_t i = 0; i < frames; ++i)
        drawFrame();
    if (frames > 0)
        wholeNext_ = true;
}

SessionStep SnowSession::start(int64_t now)
{
    frameClock_.start(now, microseconds(kFrameInterval));
    if (automaticWind_)
        windClock_.start(now, microseconds(kWindFirstInterval));
    SessionStep step;
    if (pause_.paused()) {
        // Not seen from the start: the first frame comes a whole interval after the resume.
        for (FrameClock* clock : {&frameClock_, &fadeClock_, &windClock_})
            clock->pause(now);
    } else {
        frame(step, now);
    }
    reportReleased(step);
    return step;
}

SessionStep SnowSession::run(int64_t now)
{
    SessionStep step;
    if (frameClock_.tick(now))
        frame(step, now);
    if (fadeClock_.tick(now)) {
        step.fade = fade_.Timer2_Timer();
        if (!fade_.timer2Enabled())
            fadeClock_.stop();
    }
    if (windClock_.tick(now))
        windStep(now);
    reportReleased(step);
    return step;
}

void SnowSession::windStep(int64_t now)
{
    const std::chrono::milliseconds interval = autoWind_.Timer3_Timer(wind_, random_);
    for (ScreenSnow& s : screens_)
        s.field.velocity = wind_;  // one wind over every monitor
    windClock_.start(now, microseconds(interval));
}

int64_t SnowSession::waitFrom(int64_t now) const
{
    return std::min({frameClock_.waitFrom(now), fadeClock_.waitFrom(now), windClock_.waitFrom(now)});
}

Presentation SnowSession::presentation(size_t i) const
{
    const ScreenSnow& s = screens_[i];
    if (presentWhole_)
        return {true, std::span<const Rect>(&s.whole, 1)};
    return {false, s.field.changedRects()};
}

PauseChange SnowSession::pause(PauseReason reason, int64_t now)
{
    return hold(reason, true, now);
}

PauseChange SnowSession::resume(PauseReason reason, int64_t now)
{
    return hold(reason, false, now);
}

PauseChange SnowSession::hold(PauseReason reason, bool holds, int64_t now)
{
    const PauseChange change = pause_.set(reason, holds);
    for (FrameClock* clock : {&frameClock_, &fadeClock_, &windClock_}) {
        if (change == PauseChange::Pause)
            clock->pause(now);
        else if (change == PauseChange::Resume)
            clock->resume(now);
    }
    return change;
}

SessionStep SnowSession::onKey(int64_t now)
{
    return carryOut(fade_.picMain_KeyDown(), now);
}

SessionStep SnowSession::onClick(int64_t now)
{
    return carryOut(fade_.picMain_MouseDown(), now);
}

SessionStep SnowSession::onPointerMove(float x, float y, int64_t now)
{
    return carryOut(fade_.picMain_MouseMove(x, y), now);
}

SessionStep SnowSession::carryOut(const FadeAction& action, int64_t now)
{
    SessionStep step;
    step.fade = action;
    switch (action.kind) {
    case FadeAction::Kind::BeginFadeOut:
        fadeClock_.start(now, microseconds(kFadeInterval));
        frame(step, now);  // the fade starts from a frame of its own
        break;
    case FadeAction::Kind::Unload:
        fadeClock_.stop();
        break;
    case FadeAction::Kind::Nothing:
    case FadeAction::Kind::SetOpacity:
        break;
    }
    reportReleased(step);
    return step;
}

void SnowSession::reshape(std::vector<SnowScreen> screens)
{
    released_.clear();  // of the old screens: their pictures go with them
    startFields(std::move(screens));
}

}  // namespace nivora
