// The values the settings window's pictures show, taken from what each value does to the snow.
#include "core/dialog/setting_rows.h"

#include <array>

#include "core/settings/settings_text.h"

namespace nivora {
namespace {

std::u16string decimal(int32_t value)
{
    std::array<char16_t, 12> text{};  // a sign and ten digits
    size_t at = text.size();
    int64_t magnitude = value < 0 ? -int64_t{value} : int64_t{value};
    do {
        text[--at] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        text[--at] = u'-';
    return {text.data() + at, text.size() - at};
}

}  // namespace

std::u16string flakeCountLabel(int element)
{
    return decimal(flakeCountFor(static_cast<int16_t>(element)));
}

std::u16string windLabel(int element)
{
    return decimal(static_cast<int32_t>(windFromLevel(static_cast<float>(element))));
}

std::u16string windModeLabel(int element)
{
    return element != 0 ? u"自動" : u"固定";
}

std::u16string brightnessLabel(int element)
{
    return decimal(brightnessAlpha(static_cast<int16_t>(element)).value_or(0));
}

std::u16string pictureName(int row, int element)
{
    if (row < 1 || row > kRowCount)
        return {};
    const SettingRow& r = kSettingRows[static_cast<size_t>(row - 1)];
    std::u16string name(r.heading);
    if (r.valueLabel && element >= 0 && element < kRowPictureCounts[static_cast<size_t>(row - 1)]) {
        const std::u16string value = r.valueLabel(element);
        name.append(u" ").append(value);
    }
    return name;
}

}  // namespace nivora
