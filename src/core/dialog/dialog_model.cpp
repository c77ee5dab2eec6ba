// The settings dialog's behaviour: selection, stepping, the message text and the decision of "OK".
#include "core/dialog/dialog_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/dialog/dialog_layout.h"
#include "core/base/rounding.h"
#include "core/settings/settings_text.h"
#include "core/base/utf16.h"

namespace nivora {

namespace {

constexpr int16_t kPrecipitationMin = kPrecipitationSetting.range.minimum;
constexpr int16_t kPrecipitationMax = kPrecipitationSetting.range.maximum;
constexpr float kVelocityMin = kVelocitySetting.range.minimum;
constexpr float kVelocityMax = kVelocitySetting.range.maximum;
constexpr int16_t kBlightnessMin = kBlightnessSetting.range.minimum;
constexpr int16_t kBlightnessMax = kBlightnessSetting.range.maximum;
// The steps below test against 0 as the lower bound, and picture i shows value i.
static_assert(kPrecipitationMin == 0 && kVelocityMin == 0 && kBlightnessMin == 0);

// The picture of a wind speed option; the value is a whole number in range once the dialog has opened.
int16_t velocityElement(float velocity)
{
    return roundToInt<int16_t>(velocity).value_or(0);
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

std::u16string pictureName(int row, int element)
{
    constexpr std::u16string_view headings[] = {u"降雪量", u"風速", u"風向", u"明度", u"雪文字"};
    constexpr std::u16string_view precipitation[] = {u"100", u"500", u"1000", u"2000", u"3000"};
    constexpr std::u16string_view direction[] = {u"固定", u"自動"};
    constexpr std::u16string_view blightness[] = {u"0", u"63", u"127", u"191", u"255"};
    const auto pick = [element](const auto& values) {
        return element >= 0 && static_cast<size_t>(element) < std::size(values) ? values[static_cast<size_t>(element)]
                                                                                : std::u16string_view{};
    };
    if (row < 1 || row > 5)
        return {};
    std::u16string name(headings[row - 1]);
    std::u16string value;
    switch (row) {
    case 1:
        value = pick(precipitation);
        break;
    case 2:
        if (element >= 0 && element < kVelocityPictures)
            value = formatInt16(static_cast<int16_t>(5 * element - 30));
        break;
    case 3:
        value = pick(direction);
        break;
    case 4:
        value = pick(blightness);
        break;
    default:
        break;
    }
    if (!value.empty())
        name += u" " + value;
    return name;
}

void bringIntoDialogRanges(SnowSettings& settings)
{
    settings.precipitation = std::clamp(settings.precipitation, kPrecipitationMin, kPrecipitationMax);
    settings.blightness = std::clamp(settings.blightness, kBlightnessMin, kBlightnessMax);
    double velocity = settings.velocity;
    if (std::isnan(velocity))
        velocity = kVelocitySetting.defaultValue;  // no nearest bound: calm wind, the default
    // Rounded to a whole option so the steps stay on whole numbers (rounding also turns -0 into 0).
    velocity = std::clamp(roundHalfEven(velocity), double{kVelocityMin}, double{kVelocityMax});
    settings.velocity = static_cast<float>(velocity);
    settings.messageText.resize(cutMessageText(settings.messageText).size());
}

DialogModel::DialogModel(SnowSettings& settings) : settings_(settings)
{
    bringIntoDialogRanges(settings_);
}

RowView DialogModel::ShowSetting(int item) const
{
    RowView view;
    switch (item) {
    case 1:
        view.frontElement = view.overlayElement = settings_.precipitation;
        break;
    case 2:
        view.frontElement = view.overlayElement = velocityElement(settings_.velocity);
        break;
    case 3:
        // The automatic picture (element 1) lies over the fixed one (element 0); hiding it shows the fixed one.
        view.frontElement = 1;
        view.frontElementVisible = settings_.direction;
        view.overlayElement = settings_.direction ? 1 : 0;
        break;
    case 4:
        view.frontElement = view.overlayElement = settings_.blightness;
        break;
    case 5:
        view.text = settings_.messageText;
        break;
    default:
        return view;
    }
    view.item = static_cast<int16_t>(item);
    view.name = item == 5 ? pictureName(5, 0) + u" " + view.text : pictureName(item, view.overlayElement);
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
    switch (currentItem_) {
    case 1:
        if (!stepWithin(settings_.precipitation, direction, kPrecipitationMax))
            return result;
        atBound = direction < 0 ? settings_.precipitation == 0 : settings_.precipitation == kPrecipitationMax;
        break;
    case 2:
        if (!stepWithin(settings_.velocity, direction, kVelocityMax))
            return result;
        atBound = direction < 0 ? settings_.velocity == 0 : settings_.velocity == kVelocityMax;
        break;
    case 3:
        settings_.direction = !settings_.direction;
        result.shown = ShowSetting(3);
        return result;  // a toggle has no bound: both buttons stay as they are
    case 4:
        if (!stepWithin(settings_.blightness, direction, kBlightnessMax))
            return result;
        atBound = direction < 0 ? settings_.blightness == 0 : settings_.blightness == kBlightnessMax;
        break;
    default:
        return result;  // the message row has no steps
    }
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
    currentItem_ = currentItem_ >= 5 ? int16_t{1} : static_cast<int16_t>(currentItem_ + 1);
    switch (currentItem_) {
    case 1:
        settings_.messageText = cutMessageText(text1Text);  // the message row is being left
        minusEnabled_ = settings_.precipitation != 0;
        plusEnabled_ = settings_.precipitation != kPrecipitationMax;
        break;
    case 2:
        minusEnabled_ = settings_.velocity != 0;
        plusEnabled_ = settings_.velocity != kVelocityMax;
        break;
    case 3:
        minusEnabled_ = plusEnabled_ = true;
        break;
    case 4:
        minusEnabled_ = settings_.blightness != 0;
        plusEnabled_ = settings_.blightness != kBlightnessMax;
        break;
    default:
        minusEnabled_ = plusEnabled_ = false;
        break;
    }
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
