// Gating, auto start and status texts of the operator's screens.
#include "ui/ScreenRules.h"

#include <cwchar>

#include "core/LauncherConfig.h"
#include "core/LauncherWhitelist.h"
#include "ui/UiTexts.h"

namespace qzr {

bool AddressUsable(const std::wstring& address) {
  if (address.empty() || address.find(kNoAddress) != std::wstring::npos) return false;
  // Automatic private addresses (169.254.x.x) mean no server gave the radio an address.
  return address.rfind(L"169.254.", 0) != 0;
}

bool NetworkUpFrom(MeterMode meterMode, const std::wstring& address) {
  return meterMode != MeterMode::NoLinkPicture && AddressUsable(address);
}

bool LaunchAllowed(int index, int itemCount, bool needsSignal, bool networkUp) {
  if (index < 0 || index >= itemCount) return false;
  return !(needsSignal && !networkUp);
}

bool AutoStartAllowed(const std::wstring& slot0Program, bool autoStartOn, bool slot0NeedsSignal, bool networkUp) {
  if (slot0Program.empty() || !autoStartOn) return false;
  return !(slot0NeedsSignal && !networkUp);
}

std::wstring BatteryText(int percentByte) {
  if (percentByte < 0 || percentByte > 100) return kUnknownText;
  wchar_t text[16] = {};
  swprintf(text, 16, kPercentFormat, percentByte);
  return text;
}

std::wstring IdentificationText(bool whitelistEnabled, bool versionValid, const std::wstring& name,
                                const std::wstring& version) {
  std::wstring text = std::wstring(kLauncherTitle) + L" " + kLauncherVersionText;
  if (!whitelistEnabled) return text + L"\r\n" + kNoticeLine;
  if (versionValid) return text + L"\r\n" + name + L"\r\n" + version + L"\r\n" + kNoticeLine;
  text += std::wstring(L"\r\n") + kNoticeLine;
  if (!name.empty()) text += L"\r\n" + name + L"\r\n" + version;
  return text + L"\r\n\r\n" + kWhitelistWarning;
}

OpenRequest VolumeProgramRequest(const std::wstring& folder) {
  // Quoted, as the device shell takes paths with blanks ("\Flash File Store\...").
  return {L"\"" + folder + kVolumeProgramName + L"\"", L"\"" + folder + L"\""};
}

}  // namespace qzr
