// The snow window: design-time definition, set-up of the snow field, frames, wind, fade and exit.
#include "frm_main.h"

#include <algorithm>
#include <cstring>

#include "core/flake_sprites.h"
#include "core/rounding.h"
#include "core/snow_message.h"
#include "module1.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

RECT boundsAt(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

Surface surfaceOf(const PictureBox& box) { return {box.pixels(), box.width(), box.height(), box.width()}; }

void fill(PictureBox& box, const FlakeStrip& strip)
{
    GdiFlush();
    std::memcpy(box.pixels(), strip.data(), sizeof strip);
}

uint64_t clockSeed()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return uint64_t(counter.QuadPart) ^ (GetTickCount64() << 20) ^ (uint64_t(GetCurrentProcessId()) << 40);
}

// PicText's font as the message layout measures and shrinks it.
class PicTextFont : public MessageFont {
public:
    PicTextFont(PictureBox& box, const std::wstring& text, FontSpec choice) : box_(box), text_(text), choice_(std::move(choice)) {}
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

const FontSpec kMessageFont{{L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo", L"Yu Gothic",
                             L"IPAPGothic", L"VL PGothic"},
                            48,
                            true,
                            SHIFTJIS_CHARSET};

}  // namespace

FrmMain& FrmMain::get()
{
    static FrmMain* window = [] {
        auto* w = new FrmMain;  // lives until the program ends
        w->load();
        return w;
    }();
    return *window;
}

void FrmMain::load()
{
    // Borderless, black, design size 529 x 249; the code maximises it before it is shown.
    create({L"NivoraMain", static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), programIcon(false)},
           WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, boundsAt(0, 0, 529, 249), nullptr, L"Nivora");

    // Listed from the top of the z-order down.
    const COLORREF windowBack = GetSysColor(COLOR_WINDOW), windowText = GetSysColor(COLOR_WINDOWTEXT);
    picChar2.create(hwnd(), {boundsAt(294, 208, 42, 6), false, windowBack, windowText});
    picChar.create(hwnd(), {boundsAt(344, 208, 42, 6), false, windowBack, windowText});
    picMain.create(hwnd(), {boundsAt(0, 0, 391, 56), true, kBlack, windowText});
    PicDesk.create(hwnd(), {boundsAt(0, 0, 161, 153), true, kBlack, kBlack});
    PicText.create(hwnd(), {boundsAt(0, 0, 281, 105), true, kBlack, kWhite});
    for (HWND child : {PicText.hwnd(), PicDesk.hwnd(), picMain.hwnd(), picChar.hwnd(), picChar2.hwnd()})
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PicText.setFont(kMessageFont);
    fill(picChar, flakeSpriteStrip());
    fill(picChar2, flakeMaskStrip());

    picMain.onKeyDown = [this] { picMain_KeyDown(); };
    picMain.onMouseDown = [this] { picMain_MouseDown(); };
    picMain.onMouseMove = [this](float x, float y) { picMain_MouseMove(x, y); };
}

void FrmMain::InitData()
{
    Module1& m = module1();
    const SnowArea area{m.drawWidth, m.drawHeight, m.preview() ? SnowMode::Preview : SnowMode::FullScreen,
                        m.previewScaleY};
    random_.emplace(clockSeed());
    field_.InitData(m.SnowSettings, area, *random_);
    m.SnowSettings.velocity = field_.velocity;  // from now on the record holds the wind in pixels

    // Maximised: the whole screen, or the whole preview box.
    SetWindowPos(hwnd(), nullptr, 0, 0, m.drawWidth, m.drawHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    setCaption(L"Nivora MAIN");
    PicDesk.setBounds(boundsAt(0, 0, m.drawWidth + 10, m.drawHeight + 10));
    picMain.setBounds(boundsAt(0, 0, m.drawWidth + 10, m.drawHeight + 10));

    layOutMessage();
    PicDesk.setBackColor(kBlack);
    captureDesktop();
    field_.attachSurfaces({surfaceOf(picMain), surfaceOf(PicDesk), surfaceOf(PicText)});

    Timer3.setEnabled(m.SnowSettings.direction);
    wind_.emplace(field_.velocity);
    fade_.emplace(m.preview());
}

void FrmMain::layOutMessage()
{
    const Module1& m = module1();
    const std::wstring text(m.SnowSettings.messageText.begin(), m.SnowSettings.messageText.end());
    FontSpec choice = kMessageFont;
    if (m.preview()) {
        choice.points = kPreviewMessageFontSize;
        choice.bold = false;
        PicText.setFont(choice);
    }
    PicTextFont font(PicText, text, choice);
    fitMessageFont(font, messageWidthLimit(m.drawWidth));
    PicText.setBounds(boundsAt(0, 0, m.drawWidth, m.drawHeight));
    const MessagePosition at = messagePosition(m.drawWidth, m.drawHeight, PicText.textWidth(text));
    PicText.print(roundToInt<int>(at.x).value_or(0), roundToInt<int>(at.y).value_or(0), text);
}

void FrmMain::captureDesktop()
{
    const Module1& m = module1();
    const std::optional<uint8_t> alpha = brightnessAlpha(m.SnowSettings.blightness);
    if (!alpha)
        return;  // level 0: the background stays black
    HWND desktopWindow = GetDesktopWindow();
    WindowDc desktopDC(desktopWindow);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, *alpha, 0};
    AlphaBlend(PicDesk.hDC(), 0, 0, m.drawWidth, m.drawHeight, desktopDC.get(), 0, 0,
               Screen::widthTwips() / Screen::twipsPerPixelX(), Screen::heightTwips() / Screen::twipsPerPixelY(),
               blend);
    GdiFlush();
    PicDesk.refresh();
}

void FrmMain::DrawSnow()
{
    GdiFlush();  // GDI must be done with the pictures before the frame writes into them
    field_.DrawSnow();
    presented_.clear();
    for (const Rect& r : field_.changedRects())
        presented_.push_back(RECT{r.left, r.top, r.right, r.bottom});
    picMain.present(presented_.data(), presented_.size());
}

LRESULT FrmMain::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        // Also reached when the host of a preview takes its child window down.
        Form_Unload();
        return 0;
    default:
        return Window::onMessage(message, wParam, lParam);
    }
}

void FrmMain::Form_Unload()
{
    if (module1().preview())
        PostMessageW(GetWindow(hwnd(), GW_OWNER), WM_CLOSE, 0, 0);
    endProgram();
}

void FrmMain::Timer1_Timer()
{
    // A preview whose host has gone without taking its children down would otherwise run forever.
    if (module1().preview() && !IsWindow(module1().previewParent))
        Form_Unload();
    DrawSnow();
}

void FrmMain::Timer2_Timer() { carryOut(fade_->Timer2_Timer()); }

void FrmMain::Timer3_Timer() { Timer3.setInterval(wind_->Timer3_Timer(field_.velocity, *random_)); }

void FrmMain::picMain_KeyDown() { carryOut(fade_->picMain_KeyDown()); }

void FrmMain::picMain_MouseDown() { carryOut(fade_->picMain_MouseDown()); }

void FrmMain::picMain_MouseMove(float x, float y) { carryOut(fade_->picMain_MouseMove(x, y)); }

void FrmMain::carryOut(const FadeAction& action)
{
    switch (action.kind) {
    case FadeAction::Kind::None:
        break;
    case FadeAction::Kind::BeginFadeOut: {
        while (ShowCursor(TRUE) < 0) {
        }
        const LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
        Timer2.setEnabled(true);
        SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd(), 0, action.opacity, LWA_ALPHA);
        DrawSnow();
        break;
    }
    case FadeAction::Kind::SetOpacity:
        SetLayeredWindowAttributes(hwnd(), 0, action.opacity, LWA_ALPHA);
        break;
    case FadeAction::Kind::Unload:
        Timer2.setEnabled(false);
        Form_Unload();
    }
}

}  // namespace nivora::win32
