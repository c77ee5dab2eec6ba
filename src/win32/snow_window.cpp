// The snow window: design-time definition, the pictures of every monitor handed to the snow session, the session's
// frames presented, the fade carried out, and the exit.
#include "snow_window.h"

#include <algorithm>
#include <cwchar>

#include "core/base/rounding.h"
#include "core/snow/snow_message.h"
#include "captions.h"
#include "clocked_loop.h"
#include "fonts.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kCaptureBandRows = 128;  // rows of the desktop read at a time: 2 MB at 3840 pixels a row

RECT boundsAt(int x, int y, int width, int height)
{
    return RECT{x, y, x + width, y + height};
}

Surface surfaceOf(const PictureBox& box)
{
    return {box.pixels(), box.width(), box.height(), box.width()};
}

bool hasImage(const PictureBox& box, int width, int height)
{
    return box.pixels() && box.width() == width && box.height() == height;
}

// PicText's font as the message layout measures and shrinks it.
class PicTextFont : public MessageFont {
public:
    PicTextFont(PictureBox& box, const std::wstring& text, FontSpec choice)
        : box_(box), text_(text), choice_(std::move(choice))
    {}
    double textWidth() override { return box_.textWidth(text_); }
    float fontSize() override { return static_cast<float>(box_.fontPoints()); }
    void setFontSize(float points) override
    {
        choice_.points = points;
        box_.setFont(choice_);
    }

private:
    PictureBox& box_;
    const std::wstring& text_;
    FontSpec choice_;
};

}  // namespace

uint64_t runSeed()
{
    wchar_t text[32] = {};
    const DWORD n = GetEnvironmentVariableW(L"NIVORA_SEED", text, DWORD(std::size(text)));
    if (n > 0 && n < std::size(text)) {
        wchar_t* end = nullptr;
        const unsigned long long seed = std::wcstoull(text, &end, 10);
        if (end != text && *end == L'\0')
            return seed;
    }
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return nivora::runSeed(uint64_t(counter.QuadPart), GetCurrentProcessId(), GetTickCount64());
}

FrmMain::FrmMain(SnowStart start) : start_(std::move(start)), testSeam_(makeSnowWindowSeam(*this))
{
    // Borderless and black, over the whole virtual screen or preview box. Where no monitor has a picture, the black
    // background shows, at no cost.
    const Rect& w = start_.window;
    create({kMainClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), programIcon(false)},
           WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, boundsAt(w.left, w.top, w.right - w.left, w.bottom - w.top),
           nullptr, L"Nivora");
    if (!hwnd() || start_.screens.empty())
        return;
    if (preview()) {
        // A window cannot be a popup and a child at once: the child style replaces the popup style.
        const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
        SetWindowLongPtrW(hwnd(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
        // The host may refuse the child (another desktop, a higher integrity level, another DPI awareness): a
        // host-sized window at the screen's corner that nobody can end would be left otherwise, so the saver ends.
        SetParent(hwnd(), start_.previewParent);
        if (GetParent(hwnd()) != start_.previewParent)
            return;
        // Reparenting may keep the window where it was on the screen: it goes to the box's corner.
        SetWindowPos(hwnd(), nullptr, w.left, w.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool loaded = true;
    for (size_t i = 0; i < start_.screens.size(); ++i) {
        monitors_.push_back(std::make_unique<MonitorPictures>());
        loaded = loaded && loadMonitor(i);
    }
    // From the top of the z-order down: each monitor's picMain, PicDesk, PicText.
    for (auto& m : monitors_)
        for (HWND child : {m->PicText.hwnd(), m->PicDesk.hwnd(), m->picMain.hwnd()})
            SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    loaded_ = loaded;
    pauseNotifications_.registerFor(hwnd());
}

bool FrmMain::loadMonitor(size_t i)
{
    const SnowScreen& screen = start_.screens[i];
    MonitorPictures& m = *monitors_[i];
    // Each covers the monitor from the start. Their images come with InitData, which knows the session's margin and
    // whether this monitor has a message at all.
    const RECT bounds = boundsAt(screen.windowX, screen.windowY, screen.area.drawWidth, screen.area.drawHeight);
    const COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
    m.picMain.create(hwnd(), {.bounds = bounds, .backColor = kBlack, .foreColor = windowText, .image = false});
    m.PicDesk.create(hwnd(), {.bounds = bounds, .backColor = kBlack, .foreColor = kBlack, .image = false});
    m.PicText.create(hwnd(), {.bounds = bounds, .backColor = kBlack, .foreColor = kWhite, .image = false});
    if (!m.picMain.hwnd() || !m.PicDesk.hwnd() || !m.PicText.hwnd())
        return false;
    m.PicText.setFont(messageFont(screen.area));

    // Pointer positions in desktop coordinates, so that a move from one monitor to another counts as a move.
    const int left = screen.bounds.left, top = screen.bounds.top;
    m.picMain.onKeyDown = [this] { picMain_KeyDown(); };
    m.picMain.onMouseDown = [this] { picMain_MouseDown(); };
    m.picMain.onMouseMove = [this, left, top](float px, float py) {
        picMain_MouseMove(static_cast<float>(double(px) + left), static_cast<float>(double(py) + top));
    };
    return true;
}

bool FrmMain::InitData()
{
    if (!loaded_)
        return false;
    session_.emplace(start_.settings, start_.screens, start_.seed);
    notePause();  // what the system said while the window was made
    setCaption(kMainCaption);

    for (size_t i = 0; i < monitors_.size(); ++i) {
        MonitorPictures& m = *monitors_[i];
        const SnowScreen& screen = session_->screen(i);
        const SnowArea& area = screen.area;
        const int width = session_->pictureWidth(i), height = session_->pictureHeight(i);

        // The windows cover the monitor; the images are larger by the session's margin, as the frames expect.
        for (PictureBox* box : {&m.PicDesk, &m.picMain}) {
            box->resizeImage(width, height);
            if (!hasImage(*box, width, height))
                return false;
        }
        const bool message = layOutMessage(i);
        if (message && !hasImage(m.PicText, area.drawWidth, area.drawHeight))
            return false;
        m.PicDesk.setBackColor(kBlack);
        captureDesktop(i);
        GdiFlush();  // the message and the desktop are in the pictures before the session reads them
        // Where there is no message, no snow can settle: the session gets no text picture at all.
        const Surface text = message ? surfaceOf(m.PicText) : Surface{};
        session_->attach(i, {surfaceOf(m.picMain), surfaceOf(m.PicDesk), text});
        // The session keeps the message as a one-byte mask and never looks at PicText again: a whole-screen 32-bit
        // picture less to keep.
        m.PicText.resizeImage(0, 0);
    }
    session_->runAhead(testFramesAhead());
    return true;
}

bool FrmMain::layOutMessage(size_t i)
{
    MonitorPictures& m = *monitors_[i];
    const SnowArea& area = session_->screen(i).area;
    const std::u16string& message = session_->message(i);
    const std::wstring text(message.begin(), message.end());
    PicTextFont font(m.PicText, text, messageFont(area));
    fitMessageFont(font, messageWidthLimit(area.drawWidth));
    if (text.empty())
        return false;  // PicText gets no image: no whole-screen picture of nothing but black
    m.PicText.resizeImage(area.drawWidth, area.drawHeight);
    const MessagePosition at = messagePosition(area.drawWidth, area.drawHeight, m.PicText.textWidth(text));
    m.PicText.print(roundToInt<int>(at.x).value_or(0), roundToInt<int>(at.y).value_or(0), text);
    return true;
}

void FrmMain::captureDesktop(size_t i)
{
    MonitorPictures& m = *monitors_[i];
    const SnowScreen& screen = session_->screen(i);
    const std::optional<uint8_t> alpha = brightnessAlpha(start_.settings.blightness);
    if (!alpha)
        return;  // level 0: the background stays black
    HWND desktopWindow = GetDesktopWindow();
    WindowDc desktopDC(desktopWindow);
    // The desktop's device context may start at the virtual screen's corner rather than the primary monitor's.
    POINT origin{};
    GetDCOrgEx(desktopDC.get(), &origin);
    // Full screen: the monitor 1:1. Preview: the whole primary screen shrunk into the box.
    const Rect source = preview() ? Rect{0, 0, Screen::widthPixels(), Screen::heightPixels()} : screen.bounds;
    const int x = source.left - origin.x, y = source.top - origin.y;
    const int width = source.right - source.left, height = source.bottom - source.top;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, *alpha, 0};
    const int drawWidth = screen.area.drawWidth, drawHeight = screen.area.drawHeight;
    // Full screen maps the monitor 1:1, so it is blended in bands of rows: the system reads the screen into a
    // buffer as large as each blend's source, and one of a whole monitor would add as much again to the saver's
    // memory at start (under Wine it even stays with the process). The preview shrinks the screen in one blend.
    const int band = preview() ? height : std::min(height, kCaptureBandRows);
    auto blendBand = [&](HDC from, int fromX, int fromY, int top, int rows) {
        if (preview())
            GdiAlphaBlend(m.PicDesk.hDC(), 0, 0, drawWidth, drawHeight, from, fromX, fromY, width, height, blend);
        else
            GdiAlphaBlend(m.PicDesk.hDC(), 0, top, drawWidth, rows, from, fromX, fromY, width, rows, blend);
    };
    if (x >= 0 && y >= 0) {
        for (int top = 0; top < height; top += band)
            blendBand(desktopDC.get(), x, y + top, top, std::min(band, height - top));
    } else {
        // GdiAlphaBlend takes no source left of or above the device context's origin, where a monitor left of or
        // above the primary one lies: copy it out first, band by band.
        UniqueHdc copyDC(CreateCompatibleDC(desktopDC.get()));
        UniqueHbitmap copy(CreateCompatibleBitmap(desktopDC.get(), width, band));
        if (!copyDC || !copy)
            return;  // the background stays black
        SelectGuard select(copyDC.get(), copy.get());
        for (int top = 0; top < height; top += band) {
            const int rows = std::min(band, height - top);
            BitBlt(copyDC.get(), 0, 0, width, rows, desktopDC.get(), x, y + top, SRCCOPY);
            blendBand(copyDC.get(), 0, 0, top, rows);
        }
    }
    GdiFlush();
    // The screen's pixels come with an alpha byte (Wine gives 0xFF), which the blend carries over. No window shows
    // it, but a flake's white mask clears it: with it left in, every flake would have to save and stamp its whole
    // cell instead of its own few pixels.
    clearUnusedBytes(surfaceOf(m.PicDesk));
    m.PicDesk.refresh();
}

void FrmMain::DrawSnow()
{
    GdiFlush();  // GDI must be done with the pictures before a frame writes into them
    carryOut(session_->start(clockNow()));
}

void FrmMain::presentFrame()
{
    for (size_t i = 0; i < monitors_.size(); ++i) {
        MonitorPictures& m = *monitors_[i];
        presented_.clear();
        for (const Rect& r : session_->presentation(i).rects)
            presented_.push_back(winRect(r));
        m.picMain.present(presented_.data(), presented_.size());
    }
}

int FrmMain::run()
{
    return runClockedMessageLoop([this] { return runDue(); });
}

int64_t FrmMain::runDue()
{
    const int64_t now = clockNow();
    if (session_->waitFrom(now) == 0) {
        GdiFlush();  // GDI must be done with the pictures before a frame writes into them
        const SessionStep step = session_->run(now);
        // A preview whose host has gone without taking its children down would otherwise run forever.
        if (step.drawn && preview() && !IsWindow(start_.previewParent))
            Form_Unload();
        carryOut(step);
    }
    return session_->waitFrom(clockNow());
}

void FrmMain::focusPicMain()
{
    for (size_t i = 0; i < monitors_.size(); ++i)
        if (start_.screens[i].primary)
            SetFocus(monitors_[i]->picMain.hwnd());
}

LRESULT FrmMain::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (testSeam_)
        if (const std::optional<LRESULT> answer = testSeam_->answer(message, wParam, lParam))
            return *answer;
    if (pauseNotifications_.onMessage(message, wParam, lParam)) {
        notePause();
        return message == WM_POWERBROADCAST ? TRUE : 0;
    }
    switch (message) {
    case WM_ACTIVATEAPP:
        // A click that reached another program, or a window that took the foreground: the saver is over, as the
        // system's own savers are.
        if (!wParam && !preview())
            Form_Unload();
        return 0;
    case WM_DISPLAYCHANGE:
        // A monitor came or went, or a resolution changed: the window no longer covers the screens it was made
        // for (a new monitor would stay uncovered and live), so the saver is over.
        if (!preview())
            Form_Unload();
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        // Also reached when the host of a preview takes its child window down.
        pauseNotifications_.unregister();
        Form_Unload();
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

void FrmMain::notePause()
{
    if (!session_)
        return;  // InitData hands over what was said meanwhile
    const SessionPause& said = pauseNotifications_.state();
    const int64_t now = clockNow();
    const std::pair<PauseReason, bool> reasons[] = {{PauseReason::DisplayOff, said.displayOff()},
                                                    {PauseReason::SessionLocked, said.locked()},
                                                    {PauseReason::SessionAway, said.away()}};
    for (const auto& [reason, holds] : reasons) {
        if (holds)
            session_->pause(reason, now);
        else
            session_->resume(reason, now);
    }
}

void FrmMain::Form_Unload()
{
    if (preview())
        PostMessageW(GetWindow(hwnd(), GW_OWNER), WM_CLOSE, 0, 0);
    endProgram();
}

void FrmMain::picMain_KeyDown()
{
    if (session_) {
        GdiFlush();
        carryOut(session_->onKey(clockNow()));
    }
}

void FrmMain::picMain_MouseDown()
{
    if (session_) {
        GdiFlush();
        carryOut(session_->onClick(clockNow()));
    }
}

void FrmMain::picMain_MouseMove(float x, float y)
{
    if (session_) {
        GdiFlush();
        carryOut(session_->onPointerMove(x, y, clockNow()));
    }
}

// The desks let go first, then the frame, then the fade, as the session asks.
void FrmMain::carryOut(const SessionStep& step)
{
    // A whole monitor of 32-bit pixels less once the session reads PicDesk no more: snow settles only on the message.
    for (const size_t i : step.releasedDesks)
        monitors_[i]->PicDesk.resizeImage(0, 0);
    if (step.drawn)
        presentFrame();
    const FadeAction& action = step.fade;
    switch (action.kind) {
    case FadeAction::Kind::Nothing:
        break;
    case FadeAction::Kind::BeginFadeOut: {
        while (ShowCursor(TRUE) < 0) {}
        const LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
        SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd(), 0, action.opacity, LWA_ALPHA);
        break;
    }
    case FadeAction::Kind::SetOpacity:
        SetLayeredWindowAttributes(hwnd(), 0, action.opacity, LWA_ALPHA);
        break;
    case FadeAction::Kind::Unload:
        Form_Unload();
    }
}

}  // namespace nivora::win32
