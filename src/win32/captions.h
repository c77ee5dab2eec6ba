// The captions of the program's windows. The single-instance test looks for the first two, so they are written
// here once.
#pragma once

namespace nivora::win32 {

inline constexpr const wchar_t* kMainCaption = L"Nivora MAIN";        // the full-screen snow window
inline constexpr const wchar_t* kSettingCaption = L"Nivora Setting";  // the settings window and its overlay
inline constexpr const wchar_t* kPreviewCaption = L"Nivora Preview";  // the preview; not looked for

}  // namespace nivora::win32
