// What the lockdown and start-key tests share: a device of a chosen platform and model, registry
// values and subtrees saved and put back, and reading values as the registry holds them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "DeviceIdentity.h"
#include "DeviceProfile.h"
#include "TestSupport.h"
#include "Win32Owners.h"

namespace lockdown_test {

// The profile texts that make the device report a model: the PAL's model text for the models
// it names, the OEM text for the others.
inline void SetModel(testing_support::ProfileScope& profile, int model) {
  const wchar_t* pal[17] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, L"VP21", L"VP33",
                            L"VX13", L"VX12", L"VX14", L"VX15", L"VR4A", L"VR4B", L"VP22", L"VX16"};
  const wchar_t* oem[7] = {L"Other Maker", L"Korvanex VP48", L"Korvanex VM5", L"Korvanex VP57",
                           L"Korvanex VR42", L"Korvanex VM4", L"Korvanex VM6"};
  namespace p = wince::profile;
  if (model >= 7 && model <= 16) {
    profile.Set(p::kPalModel, pal[model]);
    return;
  }
  profile.Unset(p::kPalModel);
  profile.Set(p::kOemInfo, model == 99 ? L"Korvanex Z9" : oem[model >= 0 && model <= 6 ? model : 0]);
}

// A device for one test: platform text ("PocketPC", "XScale", "Other") and model id.
class DeviceScope {
 public:
  DeviceScope(const wchar_t* platformText, int model) {
    profile_.Set(wince::profile::kPlatformType, platformText);
    SetModel(profile_, model);
    qzr::ResetDeviceFactsForTesting();
  }
  ~DeviceScope() { qzr::ResetDeviceFactsForTesting(); }
  testing_support::ProfileScope& profile() { return profile_; }

 private:
  testing_support::ProfileScope profile_;
};

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  bool operator==(const RawValue&) const = default;
};

inline std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name) {
  qzr::RegKey key;
  RawValue v;
  auto data = key.Open(root, path) ? key.ReadBinary(name, &v.type) : std::nullopt;
  if (!data) return std::nullopt;
  v.data = std::move(*data);
  return v;
}

inline bool KeyExists(HKEY root, const std::wstring& path) { return qzr::RegKey().Open(root, path); }

inline bool WriteRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<BYTE>& data,
                     DWORD options = REG_OPTION_NON_VOLATILE) {
  qzr::RegKey key;
  return key.Create(root, path, KEY_ALL_ACCESS, options) &&
         key.WriteBinary(name, data.data(), static_cast<DWORD>(data.size()), type);
}

inline std::vector<BYTE> TextBytes(const std::wstring& text, size_t extraNulls = 1) {
  std::vector<BYTE> b;
  for (wchar_t c : text) {
    b.push_back(static_cast<BYTE>(c & 0xFF));
    b.push_back(static_cast<BYTE>(c >> 8));
  }
  b.insert(b.end(), extraNulls * 2, 0);
  return b;
}

// Registry values saved, and put back as they were when the scope ends: a value that was not
// there is deleted, and a key that was not there goes with everything in it.
class SavedValues {
 public:
  struct Name { HKEY root; std::wstring path; const wchar_t* name; };
  explicit SavedValues(std::vector<Name> names) {
    for (Name& n : names) saved_.push_back({n, KeyExists(n.root, n.path), ReadRaw(n.root, n.path, n.name)});
  }
  ~SavedValues() {
    for (const Saved& s : saved_) {
      if (!s.keyExisted) RegDeleteTreeW(s.name.root, s.name.path.c_str());
      else if (s.value) WriteRaw(s.name.root, s.name.path, s.name.name, s.value->type, s.value->data);
      else RegDeleteKeyValueW(s.name.root, s.name.path.c_str(), s.name.name);
    }
  }
  SavedValues(const SavedValues&) = delete;
  SavedValues& operator=(const SavedValues&) = delete;

 private:
  struct Saved { Name name; bool keyExisted; std::optional<RawValue> value; };
  std::vector<Saved> saved_;
};

// Removes a subtree before and after a test.
class RegistryTreeScope {
 public:
  RegistryTreeScope(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) { RegDeleteTreeW(root_, path_.c_str()); }
  ~RegistryTreeScope() { RegDeleteTreeW(root_, path_.c_str()); }

 private:
  HKEY root_;
  std::wstring path_;
};

}  // namespace lockdown_test
