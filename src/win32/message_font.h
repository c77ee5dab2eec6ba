// The font the message is printed with into the text mask PicText.
#pragma once

#include "toolkit.h"

namespace nivora::win32 {

// "HG丸ｺﾞｼｯｸM-PRO" 48 point bold, or the nearest rounded or Japanese face installed; in the preview box 6 point,
// not bold. Drawn without antialiasing: flakes settle only on exactly white pixels, and font smoothing (on by
// default on Windows) would leave the strokes' edges grey or coloured, so thin strokes would catch almost nothing.
FontSpec messageFont(bool preview);

}  // namespace nivora::win32
