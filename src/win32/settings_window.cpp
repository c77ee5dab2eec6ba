// The settings mode: frmSetting's layout and handlers, and how the settings window and its overlay are set up.
#include "settings_window.h"

#include "captions.h"
#include "core/dialog/option_picture_scales.h"
#include "core/dialog/placement.h"
#include "fonts.h"
#include "registry_store.h"
#include "test_seams.h"

namespace nivora::win32 {

namespace {

constexpr COLORREF kAccent = RGB(kAccentColour.r, kAccentColour.g, kAccentColour.b);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLabelText = RGB(51, 0, 153);

// Passes a change of the keyboard cues on to one control (an EnumChildWindows callback: stdcall on 32-bit Windows).
BOOL CALLBACK tellUiState(HWND child, LPARAM update)
{
    SendMessageW(child, WM_UPDATEUISTATE, static_cast<WPARAM>(update), 0);
    return TRUE;
}

// A fixed dialog frame with a caption and a close box; the outer size follows from the client area.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Control identifiers. Enter and Escape reach the window as IDOK (1) and IDCANCEL (2) without a control, so the
// buttons keep clear of those. A picture's identifier is that of the picture it shows (firstPictureId), below these.
constexpr UINT kFirstCommandId = 201;  // Command1 .. Command5
constexpr UINT kText1Id = 210;
static_assert(firstPictureId(kRowCount + 1) <= static_cast<int>(kFirstCommandId), "picture identifiers overlap");

// A rectangle of the rows (Text1, a row) where it lies inside Picture1: moved by the band's corner.
RECT inPicture1(const Rect& r, const Rect& rowBand)
{
    return winRect(offsetRect(r, rowBand.left, rowBand.top));
}

}  // namespace

FrmSetting::FrmSetting(SnowSettings& settings) : model_(settings)
{
    for (int row = 1; row <= kRowCount; ++row)
        pictures(row) = std::vector<PictureControl>(static_cast<size_t>(optionPictureCount(row)));
}

// ---- Definition --------------------------------------------------------------------------------------------------

bool FrmSetting::load(POINT at)
{
    // Created on the monitor it will open on, so it is laid out at that monitor's scale from the start.
    const int dpi = monitorDpi(at);
    layout_ = dialogLayout(dpi);
    RECT bounds = windowRectForClient(widthOf(layout_.settingClient), heightOf(layout_.settingClient), kStyle, kExStyle,
                                      dpi);
    OffsetRect(&bounds, at.x - bounds.left, at.y - bounds.top);
    create({kSettingClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), programIcon(false)}, kStyle, kExStyle, bounds,
           nullptr, kSettingCaption);
    if (!hwnd())
        return false;
    // Nothing to restore, size, minimise or maximise.
    HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
    for (UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
        DeleteMenu(systemMenu, command, MF_BYCOMMAND);
    frmDisplay_.load(
        layout_, [this] { Form_activate(); }, [this] { unload(); });
    if (!frmDisplay_.hwnd())
        return false;
    createControls();
    Form_Load();
    return true;
}

void FrmSetting::createControls()
{
    PushButton* commands[] = {&Command1, &Command2, &Command3, &Command4, &Command5};
    for (size_t i = 0; i < 5; ++i)
        commands[i]->create(hwnd(), winRect(layout_.commandButtons[i]), kFirstCommandId + static_cast<UINT>(i),
                            wideText(kCommandNames[i]));
    Picture1.create(hwnd(), {winRect(layout_.picture1), kWhite, Panel::Border::Sunken, layout_.picture1Border, true});
    Frame1.create(hwnd(), {winRect(layout_.frame1), GetSysColor(COLOR_BTNFACE), Panel::Border::Etched});
    stackFrontToBack({Command5.hwnd(), Command4.hwnd(), Command3.hwnd(), Command2.hwnd(), Command1.hwnd(),
                      Picture1.hwnd(), Frame1.hwnd()});

    // The rows, inside Picture1's sunken edge.
    HWND rows = Picture1.hwnd();
    Text1.create(
        rows, {inPicture1(layout_.text1, layout_.rowBand), wideText(kDefaultMessage), kText1MaxLength, kWhite, kAccent},
        kText1Id);
    std::vector<HWND> inside{Text1.hwnd()};
    for (int row = kRowCount; row >= 1; --row) {
        std::vector<PictureControl>& picturesOfRow = pictures(row);
        for (size_t i = picturesOfRow.size(); i-- > 0;) {
            const int element = static_cast<int>(i);
            picturesOfRow[i].create(rows, inPicture1(layout_.row(row), layout_.rowBand), kAccent,
                                    static_cast<UINT>(firstPictureId(row) + element));
            picturesOfRow[i].setCaption(wideText(pictureName(row, element)));
            inside.push_back(picturesOfRow[i].hwnd());
        }
    }
    stackFrontToBack(inside);

    // The button labels, over the middle of their buttons.
    Label* labels[] = {&Label3, &Label4, &Label5[0], &Label1, &Label2};
    for (size_t i = 0; i < 5; ++i) {
        const ButtonLabel& label = layout_.buttonLabels[i];
        labels[i]->create(Frame1.hwnd(),
                          {winRect(label.inFrame), wideText(label.caption), kLabelText, GetSysColor(COLOR_BTNFACE)});
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
        ArrowHandler arrow = [this](int direction) { onArrow(direction); };
        if (control == SettingControl::Picture1) {
            Picture1.onTab = next;
            Picture1.onArrow = arrow;
        } else if (SystemControl* system = SystemControl::from(stop)) {
            system->onTab = next;
            if (control != SettingControl::Text1)  // the text box keeps its arrows for the caret
                system->onArrow = arrow;
        }
    }
}

// Everything that depends on the display scale: sizes, places, fonts, pictures and the window's shape. Called at
// loading and whenever the window moves to a monitor of another scale.
void FrmSetting::applyLayout(int dpi, const RECT* suggested)
{
    layingOut_ = true;
    layout_ = dialogLayout(dpi);
    const RECT bounds = windowRectForClient(widthOf(layout_.settingClient), heightOf(layout_.settingClient), kStyle,
                                            kExStyle, layout_.dpi);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    // The system suggests a rectangle for its own idea of the size: the window keeps the middle of it.
    const POINT corner = suggested ? POINT{(suggested->left + suggested->right - width) / 2,
                                           (suggested->top + suggested->bottom - height) / 2}
                                   : POINT{0, 0};
    SetWindowPos(hwnd(), nullptr, corner.x, corner.y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));
    // The frame as the system really draws it decides: where it keeps one scale for every monitor (Wine), the
    // caption of the new scale is not the one drawn. One correction by what the client area lacks or has too much.
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int extraWidth = widthOf(layout_.settingClient) - client.right;
    const int extraHeight = heightOf(layout_.settingClient) - client.bottom;
    if (extraWidth != 0 || extraHeight != 0)
        SetWindowPos(hwnd(), nullptr, 0, 0, bounds.right - bounds.left + extraWidth,
                     bounds.bottom - bounds.top + extraHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);

    PushButton* commands[] = {&Command1, &Command2, &Command3, &Command4, &Command5};
    for (size_t i = 0; i < 5; ++i)
        commands[i]->setBounds(winRect(layout_.commandButtons[i]));
    Picture1.setBounds(winRect(layout_.picture1), layout_.picture1Border);
    Frame1.setBounds(winRect(layout_.frame1), 0);
    Text1.setBounds(inPicture1(layout_.text1, layout_.rowBand));
    Text1.setFont(createFont(messageTextFont(layout_.messageFontPixels)));
    for (int row = 1; row <= kRowCount; ++row)
        for (PictureControl& picture : pictures(row))
            picture.setBounds(inPicture1(layout_.row(row), layout_.rowBand));
    Label* labels[] = {&Label3, &Label4, &Label5[0], &Label1, &Label2};
    for (size_t i = 0; i < 5; ++i) {
        const ButtonLabel& label = layout_.buttonLabels[i];
        labels[i]->setBounds(winRect(label.inFrame));
        const auto font = static_cast<size_t>(label.font);
        labels[i]->setFont(fittedFont(labelFont(label.font, layout_.labelFontPixels[font]), wideText(label.caption),
                                      widthOf(label.inFrame)));
    }
    frmDisplay_.applyLayout(layout_, Text1.textInset(), createFont(messageTextFont(layout_.messageFontPixels)));
    showPictures();

    // The holes of the shape lie where the rows really are: measured, so a frame of any thickness cannot move them.
    RECT window{};
    GetWindowRect(hwnd(), &window);
    const POINT rows = rowBandOnScreen();
    const RowBand band{rows.x - window.left, rows.y - window.top, layout_.rowWidth, layout_.rowHeight};
    regionPoints_ = regionOutlines(window.right - window.left, window.bottom - window.top, band);
    setRegion(model_.currentItem());
    Form_activate();
    layingOut_ = false;
}

// The option pictures at the layout's size, in the rows and, for the current values, in the overlay.
void FrmSetting::showPictures()
{
    const SIZE size{layout_.rowWidth, layout_.rowHeight};
    for (int row = 1; row <= kRowCount; ++row) {
        std::vector<PictureControl>& picturesOfRow = pictures(row);
        for (size_t i = 0; i < picturesOfRow.size(); ++i)
            picturesOfRow[i].setPicture(pictures_.get(row, static_cast<int>(i), size));
        // The overlay names the message row's picture by its heading alone: its label shows the text.
        const RowView view = model_.ShowSetting(row);
        frmDisplay_.showPicture(row, pictures_.get(row, view.overlayElement, size),
                                wideText(rowKind(row) == RowKind::Text ? pictureName(row, 0) : view.name));
    }
    pictures_.keepOnly(size);  // no control shows another size any more
}

POINT FrmSetting::rowBandOnScreen() const
{
    POINT corner{0, 0};
    ClientToScreen(rowPictures.front().front().hwnd(), &corner);
    return corner;
}

// ---- Handlers ----------------------------------------------------------------------------------------------------

void FrmSetting::Form_Load()
{
    hook_.HookSettingWindow(hwnd(), [this] { Form_activate(); });
    // Item 1 selected, values that name no picture brought into range (the model did both), the shape of item 1.
    applyLayout(windowDpi(hwnd()), nullptr);
    for (int16_t item = 1; item <= kRowCount; ++item)
        ShowSetting(item);
}

void FrmSetting::ShowSetting(int16_t item)
{
    const RowView view = model_.ShowSetting(item);
    if (view.item == 0)
        return;
    if (rowKind(view.item) == RowKind::Text) {
        Text1.setText(wideText(view.text));
        frmDisplay_.showMessage(wideText(view.text));
        showSelectionName();
        return;
    }
    PictureControl& front = pictures(view.item)[static_cast<size_t>(view.frontElement)];
    front.bringToFront();
    // The "yes" picture of a yes/no row lies over the "no" one, and is hidden for "no".
    if (rowKind(view.item) == RowKind::Toggle)
        front.setVisible(view.frontElementVisible);
    frmDisplay_.showPicture(view.item,
                            pictures_.get(view.item, view.overlayElement, {layout_.rowWidth, layout_.rowHeight}),
                            wideText(view.name));
    showSelectionName();
}

// Picture1 takes the focus for the rows: its name is the selected row's, with the value it shows.
void FrmSetting::showSelectionName()
{
    Picture1.setCaption(wideText(model_.ShowSetting(model_.currentItem()).name));
}

void FrmSetting::showButtonStates()
{
    Command1.setEnabled(model_.minusEnabled());
    Command3.setEnabled(model_.plusEnabled());
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

void FrmSetting::Command1_Click()
{
    showStep(model_.Command1_Click());
}

void FrmSetting::Command3_Click()
{
    showStep(model_.Command3_Click());
}

void FrmSetting::Command2_Click()
{
    const bool leavesMessage = rowKind(model_.currentItem()) == RowKind::Text;
    const int16_t item = model_.Command2_Click(coreText(Text1.text()));
    if (leavesMessage) {  // the message was taken from the box, and cut if it had to be
        const std::wstring kept = wideText(model_.settings().messageText);
        if (Text1.text() != kept)
            Text1.setText(kept);
        frmDisplay_.showMessage(kept);
    }
    showButtonStates();
    setRegion(item);
    showSelectionName();
}

void FrmSetting::Command4_Click()
{
    RegistryStore store;
    const OkOutcome outcome = model_.Command4_Click(store, userDecimalSeparator());
    if (outcome == OkOutcome::ErasedShowMessage)
        messageBox(hwnd(), kErasedMessage, kMessageBoxCaption);
    else if (const std::u16string_view warning = failureMessage(outcome); !warning.empty())
        messageBox(hwnd(), warning, kMessageBoxCaption, MessageIcon::Warning);
    unload();
}

void FrmSetting::Command5_Click()
{
    unload();
}

void FrmSetting::Text1_LostFocus()
{
    // The text box also loses the focus when the window goes; the overlay is closed by then.
    if (closing_)
        return;
    if (model_.Text1_LostFocus(coreText(Text1.text())))
        Text1.setText(wideText(model_.settings().messageText));
    frmDisplay_.showMessage(wideText(model_.settings().messageText));
}

void FrmSetting::Form_QueryUnload()
{
    // The overlay first, then the hook, as the window itself goes right after.
    if (frmDisplay_.hwnd())
        DestroyWindow(frmDisplay_.hwnd());
    hook_.UnhookSettingWindow();
}

void FrmSetting::unload()
{
    if (closing_ || !hwnd())
        return;
    closing_ = true;
    Form_QueryUnload();
    DestroyWindow(hwnd());
}

void FrmSetting::Form_activate()
{
    if (!frmDisplay_.hwnd() || !pictures(1)[0].hwnd())
        return;
    frmDisplay_.moveTo(rowBandOnScreen());
    if (visible())
        SetFocus();
}

void FrmSetting::setRegion(int item)
{
    std::array<POINT, kOutlineVertexCount> points{};
    const RegionOutline& outline = regionPoints_[static_cast<size_t>(item - 1)];
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {outline[i].x, outline[i].y};
    setWindowRegion(hwnd(), polygonRegion(points.data(), kOutlineVertexCount));
}

// ---- Keyboard ----------------------------------------------------------------------------------------------------

HWND FrmSetting::tabStop(SettingControl control)
{
    switch (control) {
    case SettingControl::Picture1:
        return Picture1.hwnd();
    case SettingControl::Command1:
        return Command1.hwnd();
    case SettingControl::Command2:
        return Command2.hwnd();
    case SettingControl::Command3:
        return Command3.hwnd();
    case SettingControl::Command4:
        return Command4.hwnd();
    case SettingControl::Command5:
        return Command5.hwnd();
    case SettingControl::Text1:
        return Text1.hwnd();
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

// Left and Down press "-", Right and Up press "+", as long as that button can be pressed.
void FrmSetting::onArrow(int direction)
{
    PushButton& button = direction < 0 ? Command1 : Command3;
    if (button.enabled())
        direction < 0 ? Command1_Click() : Command3_Click();
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
    if (frmDisplay_.hwnd())
        SetWindowPos(frmDisplay_.hwnd(), hwnd(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND target = lastFocus_;
    if (!target || !IsChild(hwnd(), target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
        target = tabStop(kSettingTabOrder.front());
    ::SetFocus(target);
}

// Moved to a monitor of another scale: the whole window at the new scale, centred where the system suggests (or
// where it is, when the message comes without a suggestion).
void FrmSetting::onDpiChanged(int dpi, LPARAM suggestion)
{
    // Windows sends the scale the window has just taken. Any other comes from another program, and would lay the
    // window out for a monitor it is not on, with a new set of pictures and fonts each time.
    if (layingOut_ || (dpi != windowDpi(hwnd()) && !testTakesAnyScale()))
        return;
    // Read as untrusted memory: a message sent by another program may point anywhere.
    RECT suggested{};
    const bool suggests = suggestion != 0 &&
                          ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(suggestion), &suggested,
                                            sizeof suggested, nullptr) &&
                          suggested.right > suggested.left && suggested.bottom > suggested.top;
    applyLayout(dpi, suggests ? &suggested : nullptr);
}

// The keyboard cues (the focus, the access keys) are shown or hidden for the whole window. The state is kept here,
// where the controls ask for it with WM_QUERYUISTATE: Wine's default window procedure keeps none.
void FrmSetting::onChangeUiState(WORD action, WORD flags)
{
    flags &= UISF_HIDEFOCUS | UISF_HIDEACCEL;
    WORD state = uiState_;
    if (action == UIS_SET)
        state |= flags;
    else if (action == UIS_CLEAR)
        state &= static_cast<WORD>(~flags);
    if (state == uiState_)
        return;
    uiState_ = state;
    // Every control is told, as the default window procedure tells them; ours draw their focus mark again.
    EnumChildWindows(hwnd(), tellUiState, static_cast<LPARAM>(MAKEWPARAM(action, flags)));
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
    if (SystemControl::reflect(hwnd(), message, wParam, lParam, result))
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
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), lParam);
        return 0;
    case WM_CHANGEUISTATE:
        onChangeUiState(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_UPDATEUISTATE:
        return 0;  // this window is where the state is kept
    case WM_QUERYUISTATE:
        return uiState_;
    case WM_CLOSE:  // the close box, the system menu, Alt+F4
        unload();
        return 0;
    case WM_ENDSESSION:  // the user logs off or the system shuts down
        if (wParam)
            unload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);  // the settings mode ends with its window
        return 0;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

// ---- Set-up ------------------------------------------------------------------------------------------------------

std::unique_ptr<FrmSetting> setUpSettings(SnowSettings& settings)
{
    POINT pointer{0, 0};
    // Placed on the monitor under the pointer, within its work area (clear of the taskbar). Without a pointer, as
    // on a screen of its own: the primary one, whole.
    Rect area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetCursorPos(&pointer)) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor))
            area = {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    } else {
        pointer = {kUnknownPointerPixel, kUnknownPointerPixel};
    }
    auto frmSetting = std::make_unique<FrmSetting>(settings);
    if (!frmSetting->load({area.left, area.top}))
        return nullptr;

    RECT window{};
    GetWindowRect(frmSetting->hwnd(), &window);
    const PixelPoint corner = placeNearPointer({pointer.x, pointer.y}, window.right - window.left,
                                               window.bottom - window.top, area);
    SetWindowPos(frmSetting->hwnd(), nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    frmSetting->setCaption(kSettingCaption);
    // The focus is not shown until the keyboard is used, as in the system's own dialogs opened with the mouse (a
    // saver's settings are opened with a click on "Settings"), unless the user has the cues always shown.
    BOOL cuesAlwaysShown = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlwaysShown, 0);
    if (!cuesAlwaysShown)
        SendMessageW(frmSetting->hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    // Showing the overlay activates it, and its activation hands the focus straight back to the settings window.
    ShowWindow(frmSetting->hwnd(), SW_SHOW);
    ShowWindow(frmSetting->overlay().hwnd(), SW_SHOW);
    return frmSetting;
}

}  // namespace nivora::win32
