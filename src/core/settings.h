// The five user settings, their defaults and text forms, and the store operations built on a small store interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nivora {

inline constexpr std::u16string_view kDefaultMessage = u"TOVEK Super Quorlane 2004";

// One record per process. In the settings dialog `velocity` is the wind option 0 to 12; once the snow field is
// set up it holds the wind in pixels per frame.
struct SnowSettings {
    int16_t precipitation = 1;
    float velocity = 6.0f;
    bool direction = true;
    int16_t blightness = 2;  // sic: the stored name is "blightness"
    std::u16string messageText{kDefaultMessage};
};

// The per-user store of one application ("Nivora") and section ("Settings"); values are text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when no such value is stored (or it cannot be read as text).
    virtual std::optional<std::u16string> read(std::u16string_view name) = 0;
    virtual void write(std::u16string_view name, std::u16string_view text) = 0;
    // Removes the application's whole entry, every section and value.
    virtual void erase() = 0;
};

// decimalSeparator is the user's locale separator; reading also accepts '.'.
SnowSettings loadSettings(SettingsStore& store, char16_t decimalSeparator = u'.');
void saveSettings(const SnowSettings& settings, SettingsStore& store, char16_t decimalSeparator = u'.');
void eraseSettings(SettingsStore& store);
bool hasStoredSettings(SettingsStore& store);
bool isDefault(const SnowSettings& settings);

}  // namespace nivora
