// The settings mode: frmSetting's layout and handlers, and how the settings window and its overlay are set up.
#include "settings_window.h"

#include "core/placement.h"
#include "core/rounding.h"
#include "frm_display.h"
#include "registry_store.h"
#include "resource_ids.h"
#include "setting_hook.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kAccent = RGB(128, 90, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLabelText = RGB(51, 0, 153);

// Control identifiers. Enter and Escape reach the window as IDOK (1) and IDCANCEL (2) without a control, so the
// buttons keep clear of those. A picture's identifier is that of the picture it shows.
constexpr UINT kFirstCommandId = 201;  // Command1 .. Command5
constexpr UINT kText1Id = 210;

FrmSetting* instance = nullptr;

RECT toRect(const PixelRect& r) { return RECT{r.left, r.top, r.left + r.width, r.top + r.height}; }

FontSpec labelFont(LabelFont font)
{
    switch (font) {
    case LabelFont::Gothic9Bold:
        return {{L"ＭＳ Ｐゴシック", L"MS PGothic", L"IPAPGothic", L"VL PGothic", L"Meiryo UI", L"Tahoma"},
                9,
                true,
                SHIFTJIS_CHARSET};
    case LabelFont::ArialNarrow8Bold:
        break;
    }
    return {{L"Arial Narrow", L"Liberation Sans Narrow", L"Arial", L"Liberation Sans", L"Tahoma"}, 8.25, true,
            ANSI_CHARSET};
}

int twipsToPixels(int32_t twips, int twipsPerPixel)
{
    return roundToInt<int>(static_cast<double>(twips) / twipsPerPixel).value_or(0);
}

}  // namespace

FontSpec messageTextFont()
{
    return {{L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo UI", L"Meiryo", L"Yu Gothic UI",
             L"MS UI Gothic", L"IPAPGothic", L"VL PGothic"},
            12,
            false,
            SHIFTJIS_CHARSET};
}

FrmSetting& FrmSetting::open(const SnowSettings& settings)
{
    if (!instance) {
        instance = new FrmSetting(settings);  // lives until the program ends
        instance->load();
    }
    return *instance;
}

FrmSetting& FrmSetting::get() { return *instance; }

bool FrmSetting::loaded() { return instance && instance->hwnd(); }

// ---- Definition --------------------------------------------------------------------------------------------------

void FrmSetting::load()
{
    // A fixed dialog frame with a caption and a close box; the outer size follows from the client area.
    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT bounds = toRect(kSettingClient);
    AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    create({L"NivoraSetting", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), programIcon(false)}, style, exStyle,
           bounds, nullptr, L"Nivora Setting");
    if (!hwnd())
        return;
    // Nothing to restore, size, minimise or maximise.
    HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
    for (UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
        DeleteMenu(systemMenu, command, MF_BYCOMMAND);
    createControls();
    Form_Load();
}

void FrmSetting::createControls()
{
    PushButton* commands[] = {&Command1, &Command2, &Command3, &Command4, &Command5};
    for (size_t i = 0; i < kCommandButtons.size(); ++i)
        commands[i]->create(hwnd(), toRect(kCommandButtons[i]), kFirstCommandId + static_cast<UINT>(i));
    Picture1.create(hwnd(), {toRect(kPicture1), kWhite, Panel::Border::Sunken, true});
    Frame1.create(hwnd(), {toRect(kFrame1), GetSysColor(COLOR_BTNFACE), Panel::Border::Etched});
    stackFrontToBack({Command5.hwnd(), Command4.hwnd(), Command3.hwnd(), Command2.hwnd(), Command1.hwnd(),
                      Picture1.hwnd(), Frame1.hwnd()});

    // The rows, inside Picture1's sunken edge.
    HWND rows = Picture1.hwnd();
    Text1.create(rows, {toRect(kText1), L"Tovek Super Quorlane 2004", kText1MaxLength, messageTextFont(), kWhite, kAccent},
                 kText1Id);
    const auto createRow = [rows](auto& pictures, int row, int firstId) {
        for (int i = 0; i < pictures.size(); ++i) {
            pictures[i].create(rows, toRect(rowRect(row)), kAccent, static_cast<UINT>(firstId + i));
            pictures[i].setPicture(optionPicture(row, i));
        }
    };
    createRow(img_Precipitation, 1, IDB_PRECIPITATION_0);
    createRow(img_Velocity, 2, IDB_VELOCITY_0);
    createRow(img_Direction, 3, IDB_DIRECTION_0);
    createRow(img_Blightness, 4, IDB_BLIGHTNESS_0);
    img_MessageText.create(rows, toRect(rowRect(5)), kAccent, IDB_MESSAGE);
    img_MessageText.setPicture(optionPicture(5, 0));
    std::vector<HWND> inside{Text1.hwnd()};
    for (int i = img_Blightness.size() - 1; i >= 0; --i)
        inside.push_back(img_Blightness[i].hwnd());
    inside.push_back(img_MessageText.hwnd());
    inside.push_back(img_Direction[0].hwnd());
    for (int i = img_Velocity.size() - 1; i >= 0; --i)
        inside.push_back(img_Velocity[i].hwnd());
    for (int i = img_Precipitation.size() - 1; i >= 0; --i)
        inside.push_back(img_Precipitation[i].hwnd());
    inside.push_back(img_Direction[1].hwnd());
    stackFrontToBack(inside);

    // The button labels, over the middle of their buttons.
    Label* labels[] = {&Label3, &Label4, &Label5[0], &Label1, &Label2};
    for (size_t i = 0; i < kButtonLabels.size(); ++i) {
        const ButtonLabel& label = kButtonLabels[i];
        const std::wstring caption = wideText(label.caption);
        labels[i]->create(Frame1.hwnd(), {toRect(label.inFrame), caption, labelFont(label.font), kLabelText,
                                          GetSysColor(COLOR_BTNFACE)});
    }
    stackFrontToBack({Label3.hwnd(), Label4.hwnd(), Label5[0].hwnd(), Label1.hwnd(), Label2.hwnd()});

    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command5.onClick = [this] { Command5_Click(); };
    Text1.onLostFocus = [this] { Text1_LostFocus(); };
    for (SettingControl control : kSettingTabOrder) {
        HWND stop = tabStop(control);
        TabHandler next = [this, stop](bool backwards) { tabFrom(stop, backwards); };
        if (control == SettingControl::Picture1)
            Picture1.onTab = next;
        else if (SystemControl* system = SystemControl::from(stop))
            system->onTab = next;
    }
}

// ---- Handlers ----------------------------------------------------------------------------------------------------

void FrmSetting::Form_Load()
{
    HookSettingWindow();
    RECT window{};
    GetWindowRect(hwnd(), &window);
    const int twipsX = Screen::twipsPerPixelX(), twipsY = Screen::twipsPerPixelY();
    const WindowPixels size = windowPixels(double(window.right - window.left) * twipsX,
                                           double(window.bottom - window.top) * twipsY, twipsX, twipsY);
    regionPoints_ = regionOutlines(size, GetSystemMetrics(SM_CYCAPTION));
    setRegion(1);
    // Item 1 selected, and values that name no picture brought into range.
    model_.emplace(loadedSettings_);
    for (int16_t item = 1; item <= kRowCount; ++item)
        ShowSetting(item);
}

void FrmSetting::ShowSetting(int16_t item)
{
    const RowView view = model_->ShowSetting(item);
    switch (view.item) {
    case 1:
        img_Precipitation[view.frontElement].bringToFront();
        break;
    case 2:
        img_Velocity[view.frontElement].bringToFront();
        break;
    case 3:
        // The automatic picture lies over the fixed one, and is hidden for the fixed direction.
        img_Direction[view.frontElement].bringToFront();
        img_Direction[view.frontElement].setVisible(view.frontElementVisible);
        break;
    case 4:
        img_Blightness[view.frontElement].bringToFront();
        break;
    case 5:
        Text1.setText(wideText(view.text));
        break;
    default:
        return;
    }
    FrmDisplay::get().showRow(view);  // the first use creates the overlay
}

void FrmSetting::showButtonStates()
{
    Command1.setEnabled(model_->minusEnabled());
    Command3.setEnabled(model_->plusEnabled());
}

void FrmSetting::showStep(const StepResult& step)
{
    if (!step.shown)
        return;  // at a bound nothing changes, not even a button
    ShowSetting(step.shown->item);
    showButtonStates();
    if (step.focus == FocusMove::ToSelect)
        Command2.setFocus();
}

void FrmSetting::Command1_Click() { showStep(model_->Command1_Click()); }

void FrmSetting::Command3_Click() { showStep(model_->Command3_Click()); }

void FrmSetting::Command2_Click()
{
    const int16_t item = model_->Command2_Click(coreText(Text1.text()));
    showButtonStates();
    setRegion(item);
}

void FrmSetting::Command4_Click()
{
    RegistryStore store;
    if (model_->Command4_Click(store, userDecimalSeparator()) == OkOutcome::ErasedShowMessage)
        messageBox(hwnd(), kErasedMessage, kMessageBoxCaption);
    unload();
}

void FrmSetting::Command5_Click() { unload(); }

void FrmSetting::Text1_LostFocus()
{
    // The text box also loses the focus when the window goes; the overlay is closed by then.
    if (closing_ || !model_)
        return;
    if (model_->Text1_LostFocus(coreText(Text1.text())))
        Text1.setText(wideText(model_->settings().messageText));
    FrmDisplay::get().showRow(model_->ShowSetting(5));
}

void FrmSetting::Form_QueryUnload() { UnhookSettingWindow(); }

void FrmSetting::unload()
{
    if (closing_ || !hwnd())
        return;
    closing_ = true;
    Form_QueryUnload();
    DestroyWindow(hwnd());
}

void FrmSetting::setRegion(int item)
{
    std::array<POINT, kOutlineVertexCount> points{};
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {regionPoints_[item - 1][i].x, regionPoints_[item - 1][i].y};
    setWindowRegion(hwnd(), polygonRegion(points.data(), kOutlineVertexCount));
}

// ---- Focus -------------------------------------------------------------------------------------------------------

HWND FrmSetting::tabStop(SettingControl control)
{
    switch (control) {
    case SettingControl::Picture1: return Picture1.hwnd();
    case SettingControl::Command1: return Command1.hwnd();
    case SettingControl::Command2: return Command2.hwnd();
    case SettingControl::Command3: return Command3.hwnd();
    case SettingControl::Command4: return Command4.hwnd();
    case SettingControl::Command5: return Command5.hwnd();
    case SettingControl::Text1: return Text1.hwnd();
    }
    return nullptr;
}

void FrmSetting::tabFrom(HWND from, bool backwards)
{
    const int count = static_cast<int>(kSettingTabOrder.size());
    int at = 0;
    while (at < count && tabStop(kSettingTabOrder[static_cast<size_t>(at)]) != from)
        ++at;
    for (int step = 1; step < count; ++step) {
        const int next = ((backwards ? at - step : at + step) % count + count) % count;
        HWND candidate = tabStop(kSettingTabOrder[static_cast<size_t>(next)]);
        if (IsWindowEnabled(candidate) && IsWindowVisible(candidate)) {
            ::SetFocus(candidate);
            return;
        }
    }
}

void FrmSetting::onActivate(bool active)
{
    HWND focus = GetFocus();
    if (!active) {
        if (focus && IsChild(hwnd(), focus))
            lastFocus_ = focus;
        return;
    }
    // The overlay stays right behind the window, also when the window comes back from behind another program.
    if (FrmDisplay::loaded())
        SetWindowPos(FrmDisplay::get().hwnd(), hwnd(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND target = lastFocus_;
    if (!target || !IsChild(hwnd(), target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
        target = tabStop(kSettingTabOrder.front());
    ::SetFocus(target);
}

void FrmSetting::SetFocus()
{
    const auto focusInside = [this] {
        HWND focus = GetFocus();
        return focus && (focus == hwnd() || IsChild(hwnd(), focus));
    };
    if (focusInside())
        return;
    SetForegroundWindow(hwnd());
    if (!focusInside())
        ::SetFocus(hwnd());
}

LRESULT FrmSetting::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (SystemControl::reflect(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {  // Escape
            Command5_Click();
            return 0;
        }
        if (lParam == 0 && LOWORD(wParam) == IDOK) {  // Enter presses the button that has the focus
            HWND focus = GetFocus();
            for (PushButton* button : {&Command1, &Command2, &Command3, &Command4, &Command5})
                if (focus == button->hwnd())
                    SendMessageW(focus, BM_CLICK, 0, 0);
            return 0;
        }
        break;
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        onActivate(true);
        return 0;
    case WM_CLOSE:  // the close box, the system menu, Alt+F4
        unload();
        return 0;
    case WM_ENDSESSION:  // the user logs off or the system shuts down
        if (wParam)
            unload();
        return 0;
    case WM_DESTROY:
        if (!FrmDisplay::loaded())
            PostQuitMessage(0);  // the last window of the settings mode is gone
        return 0;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

// ---- Set-up ------------------------------------------------------------------------------------------------------

bool setUpSettings(const SnowSettings& loaded)
{
    POINT pointer{0, 0};
    if (!GetCursorPos(&pointer))
        pointer = {kUnknownPointerPixel, kUnknownPointerPixel};
    FrmSetting& settings = FrmSetting::open(loaded);
    if (!settings.hwnd() || !FrmDisplay::loaded())
        return false;
    HWND overlay = FrmDisplay::get().hwnd();

    RECT window{};
    GetWindowRect(settings.hwnd(), &window);
    const int twipsX = Screen::twipsPerPixelX(), twipsY = Screen::twipsPerPixelY();
    const int32_t left = placeNearPointer(pointer.x, twipsX, Screen::widthTwips(), (window.right - window.left) * twipsX);
    const int32_t top = placeNearPointer(pointer.y, twipsY, Screen::heightTwips(), (window.bottom - window.top) * twipsY);
    SetWindowPos(settings.hwnd(), nullptr, twipsToPixels(left, twipsX), twipsToPixels(top, twipsY), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    settings.setCaption(L"Nivora Setting");
    // Showing the overlay activates it, and its activation hands the focus straight back to the settings window.
    ShowWindow(settings.hwnd(), SW_SHOW);
    ShowWindow(overlay, SW_SHOW);
    return true;
}

}  // namespace nivora::win32
