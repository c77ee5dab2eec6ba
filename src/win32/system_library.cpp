// Libraries of the system taken from the system folder only.
#include "system_library.h"

#include <string>

namespace nivora::win32 {

void restrictLibrarySearch()
{
    // Windows 7 has SetDefaultDllDirectories only with an update; kernel32 is a KnownDLL and always loaded.
    using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn*>(reinterpret_cast<void*>(
                                         GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");  // at least not the current folder; systemLibrary names full paths there
}

HMODULE systemLibrary(const wchar_t* name)
{
    if (HMODULE handle = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return handle;
    // Without the search flags (Windows 7 before its update) the call fails with ERROR_INVALID_PARAMETER: name the
    // file in the system folder instead.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace nivora::win32
