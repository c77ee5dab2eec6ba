// The faces and sizes of the program's texts, chosen here for every window: the settings windows' controls and the
// message the snow settles on.
#pragma once

#include <string_view>

#include "core/dialog/dialog_layout.h"
#include "core/snow/snow_motion.h"
#include "handles.h"
#include "toolkit.h"

namespace nivora::win32 {

// A button label's font, `pixels` high: "ＭＳ Ｐゴシック" or "Arial Narrow" bold, else the nearest installed face.
FontSpec labelFont(LabelFont font, int pixels);
// The message's font, in the text box and in the overlay: "HG丸ｺﾞｼｯｸM-PRO" or the nearest rounded or Japanese face.
FontSpec messageTextFont(int pixels);

// The message printed into the text mask PicText of `area`: "HG丸ｺﾞｼｯｸM-PRO" 48 point bold at the monitor's DPI, or
// the nearest rounded or Japanese face installed; in the preview box 6 point, not bold, at the system's DPI. Drawn
// without antialiasing: flakes settle only on exactly white pixels, and font smoothing (on by default on Windows)
// would leave the strokes' edges grey or coloured, so thin strokes would catch almost nothing.
FontSpec messageFont(const SnowArea& area);

// The font asked for at its size, or at the largest smaller size at which `text` is no wider than `width`:
// "Arial Narrow" comes with office suites, not with Windows, and its stand-ins are wider.
UniqueHfont fittedFont(const FontSpec& wanted, std::wstring_view text, int width);

// How wide and high `text` is in `font`, in pixels.
SIZE textExtent(HFONT font, std::wstring_view text);

}  // namespace nivora::win32
