// The window hook of the settings window: a procedure of the program's own in front of the window's, which keeps
// the overlay under the rows whenever the window moves.
#pragma once

#include <windows.h>

namespace nivora::win32 {

// The settings window's procedure as it was before the hook.
extern WNDPROC previousWndProc;

void HookSettingWindow();
LRESULT CALLBACK SettingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Closes the overlay, then gives the settings window its previous procedure back.
void UnhookSettingWindow();

}  // namespace nivora::win32
