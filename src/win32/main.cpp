// Entry of nivora.scr: refuses a second instance, loads the settings, builds what the mode the command line asks
// for needs and hands it to the mode's window.
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "captions.h"
#include "core/settings/command_line.h"
#include "preview_host.h"
#include "process_arguments.h"
#include "registry_store.h"
#include "settings_window.h"
#include "single_instance.h"
#include "snow_window.h"
#include "system_library.h"
#include "window_services.h"

namespace nivora::win32 {

namespace {

Rect rectOf(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// 32-bit Windows calls back with a stack aligned to 4 bytes only; SSE2 code here expects 16.
#if defined(__GNUC__) && defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
BOOL CALLBACK
noteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ListedMonitor>*>(list)->push_back({rectOf(info.rcMonitor),
                                                                  (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
                                                                  displayScaleOfDpi(monitorDpi(monitor))});
    return TRUE;
}

std::vector<ListedMonitor> monitors()
{
    std::vector<ListedMonitor> found;
    EnumDisplayMonitors(nullptr, nullptr, &noteMonitor, reinterpret_cast<LPARAM>(&found));
    if (found.empty())  // no monitor reported: the primary screen as the system gives it
        found.push_back({{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                         true,
                         displayScaleOfDpi(monitorDpi(POINT{0, 0}))});
    return found;
}

Rect virtualScreen()
{
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0)
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {x, y, x + w, y + h};
}

int runPreview(const SnowSettings& settings, HWND parent, PreviewArea host)
{
    const std::optional<SnowScreen> box = previewScreen(host.width, host.height, Screen::heightPixels());
    if (!box)
        return 1;  // a box no drawing area fits in

    // A child of another program's window must share that window's DPI awareness, or Windows refuses it as a child.
    const ThreadDpiAwarenessOf hostAwareness(parent);
    FrmMain frmMain({settings, {*box}, box->bounds, parent, runSeed()});
    if (!frmMain.InitData())
        return 1;
    ShowWindow(frmMain.hwnd(), SW_SHOWNA);
    frmMain.DrawSnow();
    frmMain.setCaption(kPreviewCaption);
    return frmMain.run();
}

int runFullScreen(const SnowSettings& settings)
{
    const Rect everything = virtualScreen();
    const std::vector<ListedMonitor> shown = monitors();
    std::optional<std::vector<SnowScreen>> screens = snowScreensFor(everything, shown);
    if (!screens)
        return 1;  // no monitor a drawing area can cover
    ShowCursor(FALSE);
    FrmMain frmMain({settings, std::move(*screens), everything, nullptr, runSeed()});
    if (!frmMain.InitData())
        return 1;
    ShowWindow(frmMain.hwnd(), SW_SHOW);
    frmMain.DrawSnow();
    frmMain.setCaption(kMainCaption);
    frmMain.focusPicMain();
    SetWindowPos(frmMain.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return frmMain.run();
}

}  // namespace

int Main()
{
    // Both searches are made, whatever the mode; either window's presence ends this start at once and silently.
    // By class and caption: a browser tab or an editor titled "Nivora MAIN" is no saver.
    const bool mainRunning = FindWindowW(kMainClass, kMainCaption) != nullptr;
    const bool settingRunning = FindWindowW(kSettingClass, kSettingCaption) != nullptr ||
                                FindWindowW(kDisplayClass, kSettingCaption) != nullptr;
    if (mainRunning || settingRunning)
        return 0;

    RegistryStore store;
    const SnowSettings settings = loadSettings(store, userDecimalSeparator());

    const CommandLine command = parseCommandLine(processArgumentText());
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
        return runPreview(settings, parent, *area);
    }
    case SaverMode::Settings: {
        SnowSettings edited = settings;  // the dialog edits its own copy; "OK" stores it
        const std::unique_ptr<FrmSetting> frmSetting = setUpSettings(edited);
        if (!frmSetting)
            return 0;
        return runMessageLoop();
    }
    case SaverMode::FullScreen:
        return runFullScreen(settings);
    }
    return 0;
}

}  // namespace nivora::win32

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    nivora::win32::restrictLibrarySearch();  // before any library can be looked for beside the program
    return nivora::win32::Main();
}
