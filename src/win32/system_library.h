// Libraries of the system taken from the system folder only. Windows looks for a library that is not one of its
// KnownDLLs in the program's own folder first, so a DLL dropped beside the saver (in Downloads, say) would run with
// it; the saver imports only KnownDLLs and loads everything else through here.
#pragma once

#include <windows.h>

namespace nivora::win32 {

// From now on, libraries loaded by name (by the program or by the system on its behalf) come from the system
// folder only. First thing in the program, before anything can load a library.
void restrictLibrarySearch();

// A library of the system folder, loaded for the rest of the run; null where the system lacks it.
HMODULE systemLibrary(const wchar_t* name);

// A function of a system library that older Windows may lack; null there.
template <class Function>
Function* systemFunction(const wchar_t* library, const char* name)
{
    HMODULE handle = systemLibrary(library);
    return handle ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

}  // namespace nivora::win32
