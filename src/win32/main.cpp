// Entry of nivora.scr: refuses a second instance, loads the settings and sets up the mode the command line asks for.
#include <windows.h>

#include <memory>
#include <string_view>

#include "captions.h"
#include "core/command_line.h"
#include "frm_main.h"
#include "module1.h"
#include "registry_store.h"
#include "settings_window.h"
#include "window_services.h"

namespace nivora::win32 {

Module1& module1()
{
    static Module1 state;
    return state;
}

namespace {

// The text after the program's own name, without the blanks that separate them.
std::u16string_view argumentText()
{
    std::wstring_view line = GetCommandLineW();
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
        ++i;
    line.remove_prefix(i);
    return {reinterpret_cast<const char16_t*>(line.data()), line.size()};
}

void setUpPreview(HWND parent)
{
    Module1& m = module1();
    m.previewParent = parent;
    // A child of another program's window must share that window's DPI awareness, or Windows refuses it as a child.
    const ThreadDpiAwarenessOf hostAwareness(parent);
    FrmMain& frmMain = FrmMain::get();
    HWND snow = frmMain.hwnd();
    // A window cannot be a popup and a child at once: the child style replaces the popup style.
    const LONG_PTR style = GetWindowLongPtrW(snow, GWL_STYLE);
    SetWindowLongPtrW(snow, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
    SetParent(snow, parent);
    RECT host{};
    GetWindowRect(parent, &host);
    m.drawWidth = static_cast<int16_t>(host.right - host.left);
    m.drawHeight = static_cast<int16_t>(host.bottom - host.top);
    m.previewScaleY = static_cast<float>(double(m.drawHeight) / (Screen::heightTwips() / Screen::twipsPerPixelY()));
    frmMain.InitData();
    ShowWindow(snow, SW_SHOWNA);
    frmMain.DrawSnow();
    frmMain.setCaption(kPreviewCaption);
}

void setUpFullScreen()
{
    Module1& m = module1();
    m.drawHeight = static_cast<int16_t>(Screen::heightTwips() / Screen::twipsPerPixelY());
    m.drawWidth = static_cast<int16_t>(Screen::widthTwips() / Screen::twipsPerPixelX());
    ShowCursor(FALSE);
    FrmMain& frmMain = FrmMain::get();
    frmMain.InitData();
    ShowWindow(frmMain.hwnd(), SW_SHOW);
    frmMain.DrawSnow();
    frmMain.setCaption(kMainCaption);
    SetFocus(frmMain.picMain.hwnd());
    SetWindowPos(frmMain.hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

}  // namespace

int Main()
{
    // Both searches are made, whatever the mode; either window's presence ends this start at once and silently.
    const bool mainRunning = FindWindowW(nullptr, kMainCaption) != nullptr;
    const bool settingRunning = FindWindowW(nullptr, kSettingCaption) != nullptr;
    if (mainRunning || settingRunning)
        return 0;

    Module1& m = module1();
    RegistryStore store;
    m.SnowSettings = loadSettings(store, userDecimalSeparator());

    const CommandLine command = parseCommandLine(argumentText());
    m.modeLetter = command.modeLetter;
    std::unique_ptr<FrmSetting> frmSetting;  // the settings mode's window, for as long as the program runs
    switch (command.mode) {
    case SaverMode::Preview: {
        // A preview needs a live host; there is nothing to draw into otherwise.
        HWND parent = command.previewParent ? reinterpret_cast<HWND>(static_cast<INT_PTR>(*command.previewParent))
                                            : nullptr;
        if (!parent || !IsWindow(parent))
            return 0;
        setUpPreview(parent);
        break;
    }
    case SaverMode::Settings:
        frmSetting = setUpSettings(m.SnowSettings);
        if (!frmSetting)
            return 0;
        break;
    case SaverMode::FullScreen:
        setUpFullScreen();
        break;
    }
    return runMessageLoop();
}

}  // namespace nivora::win32

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return nivora::win32::Main(); }
