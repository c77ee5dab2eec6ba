// Entry of nivora.scr: refuses a second instance, loads the settings and sets up the mode the command line asks for.
#include <windows.h>

#include <optional>

#include "core/command_line.h"
#include "core/placement.h"
#include "frm_main.h"
#include "module1.h"
#include "preview_host.h"
#include "process_arguments.h"
#include "registry_store.h"
#include "settings_window.h"
#include "single_instance.h"

namespace nivora::win32 {

Module1& module1()
{
    static Module1 state;
    return state;
}

namespace {

void setUpPreview(HWND parent, PreviewArea area)
{
    Module1& m = module1();
    m.previewParent = parent;
    FrmMain& frmMain = FrmMain::get();
    HWND snow = frmMain.hwnd();
    // A window cannot be a popup and a child at once: the child style replaces the popup style.
    const LONG_PTR style = GetWindowLongPtrW(snow, GWL_STYLE);
    SetWindowLongPtrW(snow, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
    SetParent(snow, parent);
    m.drawWidth = area.width;
    m.drawHeight = area.height;
    m.previewScaleY = static_cast<float>(double(m.drawHeight) / (Screen::heightTwips() / Screen::twipsPerPixelY()));
    frmMain.InitData();
    ShowWindow(snow, SW_SHOWNA);
    frmMain.DrawSnow();
    frmMain.setCaption(L"Nivora Preview");
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
    frmMain.setCaption(L"Nivora MAIN");
    SetFocus(frmMain.picMain.hwnd());
    SetWindowPos(frmMain.hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

}  // namespace

int Main()
{
    // Both searches are made, whatever the mode; either window's presence ends this start at once and silently.
    const bool mainRunning = FindWindowW(nullptr, L"Nivora MAIN") != nullptr;
    const bool settingRunning = FindWindowW(nullptr, L"Nivora Setting") != nullptr;
    if (mainRunning || settingRunning)
        return 0;

    Module1& m = module1();
    RegistryStore store;
    m.SnowSettings = loadSettings(store, userDecimalSeparator());

    const CommandLine command = parseCommandLine(processArgumentText());
    m.modeLetter = command.modeLetter;
    SingleInstance instance;  // held until the program ends
    if (!instance.admit(command.mode))
        return 0;
    switch (command.mode) {
    case SaverMode::Preview: {
        // A preview needs a live host; there is nothing to draw into otherwise.
        HWND parent = command.previewParent ? reinterpret_cast<HWND>(static_cast<INT_PTR>(*command.previewParent))
                                            : nullptr;
        const std::optional<PreviewArea> area = previewArea(parent);
        if (!area)
            return 0;
        setUpPreview(parent, *area);
        break;
    }
    case SaverMode::Settings:
        if (!setUpSettings())
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
