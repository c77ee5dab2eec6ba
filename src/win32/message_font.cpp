// The message font of the text mask.
#include "message_font.h"

#include "core/snow_message.h"

namespace nivora::win32 {

FontSpec messageFont(bool preview)
{
    FontSpec font{{L"HG丸ｺﾞｼｯｸM-PRO", L"HGMaruGothicMPRO", L"MotoyaLMaru", L"Meiryo", L"Yu Gothic", L"IPAPGothic",
                   L"VL PGothic"},
                  48,
                  true,
                  SHIFTJIS_CHARSET,
                  NONANTIALIASED_QUALITY};
    if (preview) {
        font.points = kPreviewMessageFontSize;
        font.bold = false;
    }
    return font;
}

}  // namespace nivora::win32
