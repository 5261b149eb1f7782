// The decoding rules of menu.ini values and password scrambling.
#include "core/MenuRules.h"

#include "core/LauncherConfig.h"
#include "wince.h"

namespace qzr {

bool IsTrueValue(std::wstring_view value) { return EqualsNoCase(TrimWhite(value), L"TRUE"); }
bool IsFalseValue(std::wstring_view value) { return EqualsNoCase(TrimWhite(value), L"FALSE"); }

bool ExpandCurrentCard(std::wstring_view loweredValue, std::wstring_view cardFolder, std::wstring& expanded) {
  const std::wstring token = kCurrentCardToken;
  size_t skip = 0;
  if (loweredValue.find(L"\\" + token) != std::wstring_view::npos) skip = token.size() + 1;
  else if (loweredValue.find(token) != std::wstring_view::npos) skip = token.size();
  else return false;
  expanded.assign(cardFolder);
  expanded.append(loweredValue.substr(skip));
  return true;
}

std::wstring DecodeButtonPath(std::wstring_view value, std::wstring_view cardFolder) {
  std::wstring trimmed = TrimWhite(value);
  if (trimmed.empty()) return {};
  std::wstring expanded;
  if (ExpandCurrentCard(LowerCase(trimmed), cardFolder, expanded)) return LowerCase(expanded);
  return LowerCase(value);
}

std::wstring DecodeTopLogoPath(std::wstring_view value, std::wstring_view cardFolder) {
  std::wstring lowered = LowerCase(TrimWhite(value));
  if (lowered.empty()) return {};
  std::wstring expanded;
  if (ExpandCurrentCard(lowered, cardFolder, expanded)) return expanded;
  return lowered;
}

AppKeyBinding DecodeAppKeyValue(std::wstring_view value, std::wstring_view launcherModuleName,
                                const ButtonSlot* buttons, std::wstring_view cardFolder) {
  AppKeyBinding binding;
  std::wstring trimmed = TrimWhite(value);
  if (trimmed.empty()) return binding;
  binding.configured = true;
  if (EqualsNoCase(trimmed, kAppKeyLauncher)) {
    binding.exe = launcherModuleName;
    binding.title = kLauncherTitle;
    return binding;
  }
  for (int n = 1; n <= kButtonSlots; ++n) {
    wchar_t name[16];
    swprintf(name, 16, kButtonKeyFormat, n);
    if (EqualsNoCase(trimmed, name)) {
      binding.exe = buttons[n - 1].exePath;
      binding.title = buttons[n - 1].caption;
      return binding;
    }
  }
  binding.exe = LowerCase(trimmed);
  if (EqualsNoCase(trimmed, kAppKeyUnlocked)) return binding;  // left to the system
  std::wstring expanded;
  if (ExpandCurrentCard(binding.exe, cardFolder, expanded)) binding.exe = expanded;
  binding.whitelisted = true;
  return binding;
}

std::wstring PickStorageCardFolder(std::wstring_view candidates, const std::vector<std::wstring>& rootDirectories) {
  size_t start = 0;
  while (start <= candidates.size()) {
    size_t end = candidates.find(L'$', start);
    if (end == std::wstring_view::npos) end = candidates.size();
    std::wstring_view candidate = candidates.substr(start, end - start);
    std::wstring_view component = candidate;
    if (!component.empty() && component.front() == L'\\') component.remove_prefix(1);
    component = component.substr(0, component.find(L'\\'));
    if (!component.empty())
      for (const std::wstring& directory : rootDirectories)
        if (EqualsNoCase(directory, component)) return std::wstring(candidate);
    start = end + 1;
  }
  return {};
}

bool LauncherFolderFromModuleName(std::wstring_view returned, size_t capacity, std::wstring& folder) {
  folder.clear();
  if (returned.size() >= capacity) return false;
  size_t slash = returned.find_last_of(L'\\');
  if (slash != std::wstring_view::npos) folder = LowerCase(returned.substr(0, slash + 1));
  return true;
}

namespace {

// One step forward or backward, as the scrambler moves a code: the printable ring 32..127
// wraps onto itself, and the 16-bit range wraps at its ends.
wchar_t StepForward(wchar_t x) { return x == 127 ? wchar_t(32) : x == 0xFFFF ? wchar_t(0) : wchar_t(x + 1); }
wchar_t StepBackward(wchar_t x) { return x == 32 ? wchar_t(127) : x == 0 ? wchar_t(0xFFFF) : wchar_t(x - 1); }

std::wstring Rotate(const std::wstring& source, const std::wstring& key, wchar_t (*step)(wchar_t)) {
  std::wstring result;
  result.reserve(source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    wchar_t x = source[i];
    if (x >= 32 && !key.empty()) {
      unsigned k = key[i % key.size()];
      if (x <= 127) {
        // Inside the ring a whole turn is 96 steps.
        k %= 96;
      }
      for (unsigned s = 0; s < k; ++s) x = step(x);
    }
    result.push_back(x);
  }
  return result;
}

}  // namespace

std::wstring ScramblePassword(const std::wstring& source, const std::wstring& key) {
  return Rotate(source, key, StepForward);
}

std::wstring UnscramblePassword(const std::wstring& source, const std::wstring& key) {
  return Rotate(source, key, StepBackward);
}

const std::vector<MenuIniKey>& MenuIniKeys() {
  using K = MenuValueKind;
  static const std::vector<MenuIniKey> keys = {
      {L"Caption", kButtonKeyFormat, K::Text, 1, 10},
      {L"exe", kButtonKeyFormat, K::Path, 1, 10},
      {L"parameters", kButtonKeyFormat, K::Text, 1, 10},
      {L"Alternate Icon Path", kButtonKeyFormat, K::Path, 1, 10},
      {L"Disabled if no signal", kButtonKeyFormat, K::TrueTest, 1, 10},
      {L"EnforceSingleAppInstance", kButtonKeyFormat, K::TrueTest, 1, 10},
      {L"ApplicationKeys", kAppKeyFormat, K::AppKey, 1, 6},
      {L"WhiteList", L"WhiteListEnabled", K::TrueTest},
      {L"WhiteList", L"Permit%d", K::Permit, 1, 0x7FFFFFFF},
      {L"Auto start", L"Enabled", K::FalseTest},
      {L"Lockable Keys", L"EnableDeviceLockKeys", K::TrueTest},
      {L"Lockable Keys", L"EnablePhoneKeys", K::TrueTest},
      {L"Lockable Keys", L"EnableTaskManagerKeys", K::TrueTest},
      {L"Lockable Keys", L"EnableVolumeKeys", K::TrueTest},
      {L"Lockable Keys", L"EnableWindowsKey", K::TrueTest},
      {L"Lockable Keys", L"EnableOrangePlaneVolumeUp", K::TrueTest},
      {L"Lockable Keys", L"EnableSk1AndSk2", K::TrueTest},
      {L"PassWord", L"pwd", K::PlainPassword},
      {L"PassWord", L"cpwd", K::ScrambledPassword},
      {L"Bitmaps", L"TopLogo", K::Path},
      {L"Full Screen Mode", L"Enabled", K::FalseTest},
      {L"RestoreOnTermination", L"Enabled", K::TrueTest},
      {L"Start Icon", L"Enabled", K::FalseTest},
  };
  return keys;
}

}  // namespace qzr
