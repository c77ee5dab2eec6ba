// Loading, saving and erasing the settings, driven by the one table of settings in settings.h.
#include "core/settings/settings.h"

#include "core/settings/settings_text.h"

namespace nivora {

namespace {

std::optional<int16_t> readValue(std::u16string_view text, int16_t /*type*/, char16_t separator)
{
    return readInt16(text, separator);
}

std::optional<float> readValue(std::u16string_view text, float /*type*/, char16_t separator)
{
    return readSingle(text, separator);
}

std::optional<bool> readValue(std::u16string_view text, bool /*type*/, char16_t separator)
{
    return readBoolean(text, separator);
}

std::optional<std::u16string> readValue(std::u16string_view text, std::u16string_view /*type*/, char16_t)
{
    return std::u16string(text);
}

}  // namespace

SnowSettings loadSettings(SettingsStore& store, char16_t decimalSeparator)
{
    SnowSettings settings;  // every field starts at its default
    forEachSetting([&](const auto& f) {
        const std::optional<std::u16string> text = store.read(f.setting.storedName);
        if (!text)
            return;
        // A text that does not convert leaves this one field at its default rather than refusing to start:
        // a hand-edited or damaged value should not keep the saver from running.
        if (auto value = readValue(*text, f.setting.defaultValue, decimalSeparator))
            settings.*f.field = std::move(*value);
    });
    return settings;
}

void saveSettings(const SnowSettings& settings, SettingsStore& store, char16_t decimalSeparator)
{
    forEachSetting(
        [&](const auto& f) { store.write(f.setting.storedName, formatValue(settings.*f.field, decimalSeparator)); });
}

void eraseSettings(SettingsStore& store)
{
    store.erase();
}

bool hasStoredSettings(SettingsStore& store)
{
    const auto text = store.read(kVelocitySetting.storedName);
    return text && !text->empty();
}

bool isDefault(const SnowSettings& settings)
{
    bool allDefault = true;
    forEachSetting([&](const auto& f) {
        if (!(settings.*f.field == f.setting.defaultValue))
            allDefault = false;
    });
    return allDefault;
}

}  // namespace nivora
