// The settings store in the registry: HKEY_CURRENT_USER\Software\Nivora\Settings, one REG_SZ value per setting.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/settings.h"

namespace nivora::win32 {

class RegistryStore : public nivora::SettingsStore {
public:
    // The text up to the value's first NUL, with or without a terminating one; an expandable string (REG_EXPAND_SZ)
    // expanded. Nothing when the value is absent, holds no single text (a number, a list of strings, binary data),
    // or is larger than any setting could sensibly be.
    std::optional<std::u16string> read(std::u16string_view name) override;
    // Creates the key when needed; a failure (no access, say) leaves the store as it was.
    void write(std::u16string_view name, std::u16string_view text) override;
    // Deletes HKEY_CURRENT_USER\Software\Nivora with everything below it.
    void erase() override;
};

// The decimal separator of the user's locale, or '.' when it cannot be read or would be mistaken for part of a
// number (a digit, a sign, an E or a blank).
char16_t userDecimalSeparator();

}  // namespace nivora::win32
