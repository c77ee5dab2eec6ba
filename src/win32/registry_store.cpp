// Reading and writing the settings as registry strings, with the wide-character API only.
#include "registry_store.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/base/unique_handle.h"

namespace nivora::win32 {

namespace {

constexpr const wchar_t* kApplicationKey = L"Software\\Nivora";
constexpr const wchar_t* kSettingsKey = L"Software\\Nivora\\Settings";

// No setting comes near this; a larger value is treated as unreadable rather than risking an enormous allocation.
constexpr DWORD kMaxValueBytes = 16u << 20;
// A value that keeps growing between our size query and our read is given up on after a few tries.
constexpr int kReadAttempts = 4;

struct HkeyTraits {
    using Handle = HKEY;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { RegCloseKey(h); }
};
using UniqueHkey = UniqueHandle<HkeyTraits>;

std::wstring toWide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

// The value types that hold one text. A list of texts (REG_MULTI_SZ) is not one, nor is a number.
bool isText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The text with its %NAME% references replaced, as the system's own readers give an expandable string; the text
// unchanged when it cannot be expanded.
std::u16string expanded(const std::u16string& text)
{
    const std::wstring source = toWide(text);
    std::wstring out(std::max<size_t>(source.size() + 1, 64), L'\0');
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), out.data(), static_cast<DWORD>(out.size()));
        if (needed == 0 || needed > kMaxValueBytes / sizeof(wchar_t))
            return text;
        if (needed <= out.size()) {
            out.resize(needed - 1);  // the count includes the terminating NUL
            return std::u16string(out.begin(), out.end());
        }
        out.resize(needed);
    }
    return text;
}

}  // namespace

std::optional<std::u16string> RegistryStore::read(std::u16string_view name)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueHkey key(raw);
    const std::wstring valueName = toWide(name);

    DWORD type = REG_NONE;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> bytes;
    for (int attempt = 0;; ++attempt) {
        if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || !isText(type) || size > kMaxValueBytes ||
            attempt == kReadAttempts)
            return std::nullopt;
        bytes.resize(std::max<DWORD>(size, 2));
        DWORD got = static_cast<DWORD>(bytes.size());
        status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, bytes.data(), &got);
        if (status == ERROR_SUCCESS) {
            if (!isText(type) || got > bytes.size())
                return std::nullopt;
            bytes.resize(got);
            break;
        }
        size = got;  // ERROR_MORE_DATA: the value grew since we asked; got is its new size
    }

    // The stored bytes need be neither terminated nor of even count: drop a stray odd byte and end the text at
    // the first NUL, if there is one.
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    text.resize(std::min(text.size(), text.find(u'\0')));
    return type == REG_EXPAND_SZ ? expanded(text) : text;
}

void RegistryStore::write(std::u16string_view name, std::u16string_view text)
{
    const std::wstring data = toWide(text);
    const size_t bytes = (data.size() + 1) * sizeof(wchar_t);  // with the terminating NUL
    if (bytes > kMaxValueBytes)
        return;  // it could never be read back
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        return;
    const UniqueHkey key(raw);
    RegSetValueExW(key.get(), toWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(bytes));
}

void RegistryStore::erase()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kApplicationKey);
}

char16_t userDecimalSeparator()
{
    wchar_t buffer[8] = {};
    // The count includes the terminating NUL: 2 means exactly one character.
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) != 2)
        return u'.';
    const auto c = static_cast<char16_t>(buffer[0]);
    const bool confusable = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E' || c == u' ' ||
                            c == u'\t' || c == u'\r' || c == u'\n' || c == u'\0';
    return confusable ? u'.' : c;
}

}  // namespace nivora::win32
