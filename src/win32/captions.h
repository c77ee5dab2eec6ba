// The captions and window classes of the program's windows. The single-instance test looks for the first two by
// class and caption together (any program may show a window with the same caption), so they are written here once.
#pragma once

namespace nivora::win32 {

inline constexpr const wchar_t* kMainCaption = L"Nivora MAIN";        // the full-screen snow window
inline constexpr const wchar_t* kSettingCaption = L"Nivora Setting";  // the settings window and its overlay
inline constexpr const wchar_t* kPreviewCaption = L"Nivora Preview";  // the preview; not looked for

inline constexpr const wchar_t* kMainClass = L"NivoraMain";        // the snow window, full screen and preview
inline constexpr const wchar_t* kSettingClass = L"NivoraSetting";  // the settings window
inline constexpr const wchar_t* kDisplayClass = L"NivoraDisplay";  // its overlay

}  // namespace nivora::win32
