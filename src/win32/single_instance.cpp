// The session-wide mutex beside the caption test of start-up.
#include "single_instance.h"

namespace nivora::win32 {

namespace {

// "Local\": one per logon session, as the caption test sees only this session's windows.
constexpr const wchar_t* kMutexName = L"Local\\Nivora single instance";

}  // namespace

bool SingleInstance::admit(SaverMode mode)
{
    if (mode == SaverMode::Preview) {
        HANDLE found = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
        const DWORD error = GetLastError();
        const UniqueMutex other(found);
        // Access denied means it exists, made by a process of other rights.
        return !other && error != ERROR_ACCESS_DENIED;
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    // Read at once: it tells whether this call made the mutex or found it.
    const DWORD error = GetLastError();
    mutex_ = UniqueMutex(mutex);
    if (!mutex_ || error == ERROR_ALREADY_EXISTS) {
        mutex_ = UniqueMutex();
        return false;
    }
    return true;
}

}  // namespace nivora::win32
