// Reading the argument text with the program's own paths at hand, as savers are started from unquoted paths.
#include "process_arguments.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "core/settings/command_line.h"

namespace nivora::win32 {

namespace {

std::wstring modulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768)  // the longest path Windows has
            return {};
        path.resize(path.size() * 2);
    }
}

// The other spelling of a path (its long or its 8.3 short form), or nothing when the system has none.
template <DWORD(WINAPI* Convert)(LPCWSTR, LPWSTR, DWORD)>
std::wstring otherForm(const std::wstring& path)
{
    if (path.empty())
        return {};
    const DWORD needed = Convert(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring other(needed, L'\0');
    const DWORD n = Convert(path.c_str(), other.data(), needed);
    if (n == 0 || n >= needed)
        return {};
    other.resize(n);
    return other;
}

std::u16string_view view(std::wstring_view text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

}  // namespace

std::u16string processArgumentText()
{
    const std::wstring path = modulePath();
    const std::wstring paths[] = {path, otherForm<&GetShortPathNameW>(path), otherForm<&GetLongPathNameW>(path)};
    std::vector<std::u16string_view> ownPaths;
    for (const std::wstring& p : paths)
        if (!p.empty())
            ownPaths.push_back(view(p));
    return std::u16string(argumentText(view(GetCommandLineW()), ownPaths));
}

}  // namespace nivora::win32
