// The settings dialog's behaviour: selection, stepping, the message text and the decision of "OK".
#include "core/dialog/dialog_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/dialog/dialog_layout.h"
#include "core/dialog/setting_rows.h"
#include "core/base/rounding.h"
#include "core/settings/settings_text.h"
#include "core/base/utf16.h"

namespace nivora {

namespace {

// The picture of a number in range: the value itself; a wind speed is a whole option once the dialog has opened.
int16_t elementOf(int16_t value)
{
    return value;
}
int16_t elementOf(float value)
{
    return roundToInt<int16_t>(value).value_or(0);
}

// A value brought into its row's range, so it names a picture that exists.
void bringIntoRange(int16_t& value, const Setting<int16_t>& setting)
{
    value = std::clamp(value, static_cast<int16_t>(setting.range.minimum), static_cast<int16_t>(setting.range.maximum));
}
void bringIntoRange(float& value, const Setting<float>& setting)
{
    double v = value;
    if (std::isnan(v))
        v = setting.defaultValue;  // no nearest bound: the default
    // Rounded to a whole option so the steps stay on whole numbers (rounding also turns -0 into 0).
    v = std::clamp(roundHalfEven(v), double{static_cast<float>(setting.range.minimum)},
                   double{static_cast<float>(setting.range.maximum)});
    value = static_cast<float>(v);
}
void bringIntoRange(bool&, const Setting<bool>&) {}
void bringIntoRange(std::u16string& text, const Setting<std::u16string_view>&)
{
    text.resize(cutMessageText(text).size());
}

}  // namespace

std::u16string_view cutMessageText(std::u16string_view text)
{
    constexpr size_t max = kText1MaxLength;
    text = text.substr(0, max);
    // Half a pair at the end is a character no font can show and no store can round-trip: the first half of a pair
    // cut here, or left alone by a text box that stopped at its limit. A stored text may end in several such halves.
    while (!text.empty() && isHighSurrogate(text.back()))
        text.remove_suffix(1);
    return text;
}

void bringIntoDialogRanges(SnowSettings& settings)
{
    forEachSetting([&](const auto& f) { bringIntoRange(settings.*f.field, f.setting); });
}

DialogModel::DialogModel(SnowSettings& settings) : settings_(settings)
{
    bringIntoDialogRanges(settings_);
}

RowView DialogModel::ShowSetting(int item) const
{
    RowView view;
    visitRowSetting(item, [&](const auto& f) {
        const auto& value = settings_.*f.field;
        using Value = decltype(f.setting.defaultValue);
        if constexpr (rowKindOf<Value>() == RowKind::Steps) {
            view.frontElement = view.overlayElement = elementOf(value);
        } else if constexpr (rowKindOf<Value>() == RowKind::Toggle) {
            // The "yes" picture (element 1) lies over the "no" one (element 0); hiding it shows the "no" one.
            view.frontElement = 1;
            view.frontElementVisible = value;
            view.overlayElement = value ? 1 : 0;
        } else {
            view.text = value;
        }
        view.item = static_cast<int16_t>(item);
    });
    if (view.item == 0)
        return view;
    view.name = rowKind(item) == RowKind::Text ? pictureName(item, 0) + u" " + view.text
                                               : pictureName(item, view.overlayElement);
    return view;
}

namespace {

// One step of a value between 0 and max. Returns whether the value moved; at a bound it does not.
template <class T>
bool stepWithin(T& value, int direction, T max)
{
    if (direction < 0 ? !(value > 0) : !(value < max))
        return false;
    // Computed wider and stored back, as every number of the dialog.
    value = static_cast<T>(static_cast<double>(value) + direction);
    return true;
}

}  // namespace

StepResult DialogModel::step(int direction)
{
    StepResult result;
    bool atBound = false;
    bool moved = false;
    visitRowSetting(currentItem_, [&](const auto& f) {
        auto& value = settings_.*f.field;
        using Value = decltype(f.setting.defaultValue);
        if constexpr (rowKindOf<Value>() == RowKind::Steps) {
            const auto max = static_cast<Value>(f.setting.range.maximum);
            moved = stepWithin(value, direction, max);
            atBound = direction < 0 ? value == 0 : value == max;
        } else if constexpr (rowKindOf<Value>() == RowKind::Toggle) {
            value = !value;
            result.shown = ShowSetting(currentItem_);  // a toggle has no bound: both buttons stay as they are
        }
    });
    if (!moved)
        return result;  // a toggle, the text row (it has no steps), or a value at its bound
    result.shown = ShowSetting(currentItem_);
    bool& pressed = direction < 0 ? minusEnabled_ : plusEnabled_;
    bool& opposite = direction < 0 ? plusEnabled_ : minusEnabled_;
    opposite = true;
    if (atBound) {
        pressed = false;
        result.focus = FocusMove::ToSelect;
    }
    return result;
}

StepResult DialogModel::Command1_Click()
{
    return step(-1);
}

StepResult DialogModel::Command3_Click()
{
    return step(+1);
}

int16_t DialogModel::Command2_Click(std::u16string_view text1Text)
{
    if (rowKind(currentItem_) == RowKind::Text)
        settings_.messageText = cutMessageText(text1Text);  // the message row is being left
    currentItem_ = currentItem_ >= kRowCount ? int16_t{1} : static_cast<int16_t>(currentItem_ + 1);
    minusEnabled_ = plusEnabled_ = false;
    visitRowSetting(currentItem_, [&](const auto& f) {
        const auto& value = settings_.*f.field;
        using Value = decltype(f.setting.defaultValue);
        if constexpr (rowKindOf<Value>() == RowKind::Steps) {
            minusEnabled_ = value != 0;
            plusEnabled_ = value != static_cast<Value>(f.setting.range.maximum);
        } else if constexpr (rowKindOf<Value>() == RowKind::Toggle) {
            minusEnabled_ = plusEnabled_ = true;
        }
    });
    return currentItem_;
}

namespace {

// The stored values in the table's order, as read: nothing where a value is absent.
using StoredValues = std::array<std::optional<std::u16string>, kSettingCount>;

StoredValues readStored(SettingsStore& store)
{
    StoredValues values;
    size_t i = 0;
    forEachSetting([&](const auto& f) { values[i++] = store.read(f.setting.storedName); });
    return values;
}

// Puts the store back as it was before a failed write or erase: a clean entry, then the values that were there.
// False when the store refused that too and holds something else now.
bool restore(SettingsStore& store, const StoredValues& before)
{
    store.erase();
    size_t i = 0;
    forEachSetting([&](const auto& f) {
        if (const auto& text = before[i++])
            store.write(f.setting.storedName, *text);
    });
    return readStored(store) == before;
}

}  // namespace

OkOutcome DialogModel::Command4_Click(SettingsStore& store, char16_t decimalSeparator)
{
    // The store says nothing of its failures; reading back is what tells whether a write or the erase took.
    const StoredValues before = readStored(store);
    if (!isDefault(settings_)) {
        saveSettings(settings_, store, decimalSeparator);
        StoredValues wanted;
        size_t i = 0;
        forEachSetting([&](const auto& f) { wanted[i++] = formatValue(settings_.*f.field, decimalSeparator); });
        if (readStored(store) == wanted)
            return OkOutcome::Saved;
        return restore(store, before) ? OkOutcome::SaveFailed : OkOutcome::SaveFailedChanged;
    }
    if (hasStoredSettings(store)) {
        eraseSettings(store);
        if (readStored(store) == StoredValues{})
            return OkOutcome::ErasedShowMessage;
        return restore(store, before) ? OkOutcome::EraseFailed : OkOutcome::EraseFailedChanged;
    }
    return OkOutcome::Nothing;
}

bool DialogModel::Text1_LostFocus(std::u16string_view text1Text)
{
    const std::u16string_view kept = cutMessageText(text1Text);
    settings_.messageText = kept;
    return kept.size() != text1Text.size();
}

}  // namespace nivora
