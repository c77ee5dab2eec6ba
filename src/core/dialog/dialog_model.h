// The settings dialog's behaviour without its windows: the selected item, the steps of "-" and "+", "SELECT", the
// message text box and "OK". The window layer carries out what each handler returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/dialog/setting_rows.h"
#include "core/settings/settings.h"

namespace nivora {

// Shown after "OK" has erased the stored settings: "The settings were erased and set back to the initial state."
inline constexpr std::u16string_view kErasedMessage = u"設定値を消去して初期状態に戻しました。";
inline constexpr std::u16string_view kMessageBoxCaption = u"Nivora";
// Shown when "OK" could not store the settings: "The settings could not be saved. Nothing was changed."
inline constexpr std::u16string_view kSaveFailedMessage =
    u"設定値を保存できませんでした。保存されている設定は変更されていません。";
// Shown when "OK" could not erase them: "The settings could not be erased. Nothing was changed."
inline constexpr std::u16string_view kEraseFailedMessage =
    u"設定値を消去できませんでした。保存されている設定は変更されていません。";
// The same two failures when the earlier values could not be put back either (a store that keeps refusing: a full
// disk, a policy): "... The earlier settings could not be restored either; the stored settings are partly changed
// or lost."
inline constexpr std::u16string_view kSaveFailedChangedMessage =
    u"設定値を保存できませんでした。以前の設定も元に戻せなかったため、保存されている設定は一部が変わっているか失われて"
    u"います。";
inline constexpr std::u16string_view kEraseFailedChangedMessage =
    u"設定値を消去できませんでした。以前の設定も元に戻せなかったため、保存されている設定は一部が変わっているか失われて"
    u"います。";

// What one item looks like, in its row of the settings window and in the overlay.
struct RowView {
    int16_t item = 0;                 // from 1; 0 when the item number names no row, and nothing is to be shown
    int16_t frontElement = 0;         // the element of the row's picture array to bring to the front
    bool frontElementVisible = true;  // a yes/no row hides its front element ("yes") to let the "no" one show
    int16_t overlayElement = 0;       // the element whose picture the overlay shows in the row
    std::u16string text;              // the message row: the text of Text1 and the caption of the overlay's Label1
    std::u16string name;              // the row's name with its value, as a screen reader reads it: "降雪量 500"
    friend bool operator==(const RowView&, const RowView&) = default;
};

enum class FocusMove : uint8_t {
    Stay,
    ToSelect,  // the pressed button has just been disabled: the keyboard focus goes to "SELECT"
};

struct StepResult {
    std::optional<RowView> shown;  // the row to show again; nothing when the step did nothing at all
    FocusMove focus = FocusMove::Stay;
};

enum class OkOutcome : uint8_t {
    Saved,               // every value was written
    ErasedShowMessage,   // the stored entry was erased; show kErasedMessage, then close
    Nothing,             // defaults and nothing stored: nothing written
    SaveFailed,          // the store refused a value: what was stored before is back; show kSaveFailedMessage
    EraseFailed,         // the store could not be erased: what was stored before is back; show kEraseFailedMessage
    SaveFailedChanged,   // as SaveFailed, but the store refused the earlier values too; kSaveFailedChangedMessage
    EraseFailedChanged,  // as EraseFailed, but the earlier values could not be put back; kEraseFailedChangedMessage
};

// The warning a failed "OK" shows; empty for the outcomes that show none.
constexpr std::u16string_view failureMessage(OkOutcome outcome)
{
    switch (outcome) {
    case OkOutcome::SaveFailed:
        return kSaveFailedMessage;
    case OkOutcome::EraseFailed:
        return kEraseFailedMessage;
    case OkOutcome::SaveFailedChanged:
        return kSaveFailedChangedMessage;
    case OkOutcome::EraseFailedChanged:
        return kEraseFailedChangedMessage;
    default:
        return {};
    }
}

// The message as the dialog keeps it: at most 128 UTF-16 code units, never ending in half a surrogate pair (a text
// box with a limit of 128 units keeps only the first half of a pair typed as the 128th character).
std::u16string_view cutMessageText(std::u16string_view text);

// Brings values from the store into the dialog's ranges, so every row names a picture that exists: numbers are
// clamped to their nearest bound, and a wind speed is rounded to a whole option (halves to even) so steps stay on
// whole numbers; a wind speed that is not a number takes its default. The message is cut as the text box cuts it.
void bringIntoDialogRanges(SnowSettings& settings);

// frmSetting's state. Edits the settings record in place; the record must outlive the model.
class DialogModel {
public:
    // The state after Form_Load: values in range, item 1 selected, "-" and "+" enabled whatever the values.
    explicit DialogModel(SnowSettings& settings);

    int16_t currentItem() const { return currentItem_; }
    bool minusEnabled() const { return minusEnabled_; }  // Command1, "-"
    bool plusEnabled() const { return plusEnabled_; }    // Command3, "+"
    const SnowSettings& settings() const { return settings_; }

    // How item 1..kRowCount is shown; any other number shows nothing (item 0).
    RowView ShowSetting(int item) const;

    // "-" and "+": one step of the selected value. A step at a bound changes nothing, not even a button.
    StepResult Command1_Click();
    StepResult Command3_Click();

    // "SELECT": selects the next item (the last wraps to 1) and returns it, for the window region. Leaving the message
    // row takes the text box's text as the message, cut to 128 units. The rows already show their values.
    int16_t Command2_Click(std::u16string_view text1Text);

    // "OK": saves, erases, or leaves the store alone, all or nothing: every value is written or none, and a
    // store that fails is put back as it was. The window closes in every case.
    OkOutcome Command4_Click(SettingsStore& store, char16_t decimalSeparator = u'.');

    // The text box lost the focus: its text becomes the message, cut if too long. Returns true when it was cut, so
    // the text box must show the message again. The overlay's Label1 shows the message in every case.
    bool Text1_LostFocus(std::u16string_view text1Text);

private:
    StepResult step(int direction);

    SnowSettings& settings_;
    int16_t currentItem_ = 1;
    bool minusEnabled_ = true;
    bool plusEnabled_ = true;
};

}  // namespace nivora
