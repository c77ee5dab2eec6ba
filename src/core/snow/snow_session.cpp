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

int64_t microseconds(uint32_t ms)
{
    return int64_t{ms} * 1000;
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
    for (ScreenSnow& s : screens_) {
        s.field.DrawSnow();
        // After the first frame PicDesk is read only where snow can settle: that part is kept, the rest let go.
        if (!s.deskCut && s.desk.pixels != nullptr && cutDeskInto(s.field, s.desk, s.deskPart)) {
            s.deskCut = true;
            s.desk = {};
        }
    }
}

void SnowSession::frame()
{
    drawFrame();
    presentWhole_ = wholeNext_;
    wholeNext_ = false;
    ++frameCount_;
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
    frameClock_.start(now, kFrameInterval);
    if (automaticWind_)
        windClock_.start(now, microseconds(kWindFirstInterval));
    if (pause_.paused()) {
        // Not seen from the start: the first frame comes a whole interval after the resume.
        for (FrameClock* clock : {&frameClock_, &fadeClock_, &windClock_})
            clock->pause(now);
        return {};
    }
    frame();
    return {true, {}};
}

SessionStep SnowSession::run(int64_t now)
{
    SessionStep step;
    if (frameClock_.tick(now)) {
        frame();
        step.drawn = true;
    }
    if (fadeClock_.tick(now)) {
        step.fade = fade_.Timer2_Timer();
        if (!fade_.timer2Enabled())
            fadeClock_.stop();
    }
    if (windClock_.tick(now))
        windStep(now);
    return step;
}

void SnowSession::windStep(int64_t now)
{
    const uint32_t interval = autoWind_.Timer3_Timer(wind_, random_);
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
    SessionStep step{false, action};
    switch (action.kind) {
    case FadeAction::Kind::BeginFadeOut:
        fadeClock_.start(now, microseconds(kFadeInterval));
        frame();  // the fade starts from a frame of its own
        step.drawn = true;
        break;
    case FadeAction::Kind::Unload:
        fadeClock_.stop();
        break;
    case FadeAction::Kind::Nothing:
    case FadeAction::Kind::SetOpacity:
        break;
    }
    return step;
}

void SnowSession::reshape(std::vector<SnowScreen> screens)
{
    startFields(std::move(screens));
}

}  // namespace nivora
