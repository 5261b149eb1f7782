// Captions, messages and fixed texts of the operator's screens, each defined once.
#pragma once

namespace qzr {

inline constexpr wchar_t kErrorCaption[] = L"Error";
inline constexpr wchar_t kShellErrorCaption[] = L"Shell Error";
inline constexpr wchar_t kPasswordErrorCaption[] = L"Password Error";
inline constexpr wchar_t kInvalidPasswordText[] = L"Invalid Password";
inline constexpr wchar_t kStatusSoftKeyFailedText[] = L"Korvanex Launcher could not create Status soft key.";
inline constexpr wchar_t kBackSoftKeyFailedText[] = L"Korvanex Launcher could not create Back soft key.";
inline constexpr wchar_t kProgramNotFoundText[] = L"The program could not be found";
inline constexpr wchar_t kItemNameColumn[] = L"Item Name";
inline constexpr wchar_t kOpenVerb[] = L"open";
inline constexpr wchar_t kLaunchFolder[] = L"\\windows\\";
inline constexpr wchar_t kIgnoreTouchEvent[] = L"QZR_IGNORE_TOUCH";
inline constexpr wchar_t kTaskBarClass[] = L"HHTaskBar";
inline constexpr wchar_t kLauncherVersionText[] = L"2.20.03.0147";
inline constexpr wchar_t kUnknownText[] = L"Unknown";
inline constexpr wchar_t kPercentFormat[] = L"%d%%";
inline constexpr wchar_t kRssiFormat[] = L"%d";
inline constexpr wchar_t kNoAddress[] = L"0.0.0.0";
inline constexpr wchar_t kNoticeLine[] = L"(c) Korvanex. All rights reserved.";
inline constexpr wchar_t kWhitelistWarning[] = L"~~ WARNING ~~\r\nW H I T E L I S T   D I S A B L E D";
inline constexpr wchar_t kPlatformLibrary[] = L"CoreDLL.dll";
inline constexpr wchar_t kFontFace[] = L"Tahoma";

inline constexpr wchar_t kActivateTrace[] = L"In OnActivate...\n";
inline constexpr wchar_t kNotActiveTrace[] = L"   and not active\n";
inline constexpr wchar_t kActiveTrace[] = L"   and active\n";
inline constexpr wchar_t kSettingSipTrace[] = L"      and setting SIP\n";

}  // namespace qzr
