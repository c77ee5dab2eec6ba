// A library that stands in for a system one dropped beside the saver: if it is ever loaded, it leaves a file named
// after itself with ".ran" added, and it offers the functions the saver's system libraries offer, so that a
// program importing them would start with it rather than fail to.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
        const std::wstring mark = std::wstring(path, n) + L".ran";
        const HANDLE file = CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return TRUE;
}

// msimg32, wtsapi32 and shcore, as far as a saver could use them; each fails harmlessly. exports.def gives them the
// system's names, which the system headers declare as imports.
extern "C" {
BOOL WINAPI plantedAlphaBlend(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION)
{
    return FALSE;
}
BOOL WINAPI plantedTransparentBlt(HDC, int, int, int, int, HDC, int, int, int, int, UINT)
{
    return FALSE;
}
BOOL WINAPI plantedRegisterSession(HWND, DWORD)
{
    return FALSE;
}
BOOL WINAPI plantedUnregisterSession(HWND)
{
    return FALSE;
}
HRESULT WINAPI plantedGetDpiForMonitor(HMONITOR, int, UINT*, UINT*)
{
    return E_NOTIMPL;
}
HRESULT WINAPI plantedSetProcessDpiAwareness(int)
{
    return E_NOTIMPL;
}
}
