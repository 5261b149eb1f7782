// What the lockdown tests share: a device of a chosen platform and model, and tests/support.
#pragma once

#include <windows.h>

#include "DeviceIdentity.h"
#include "DeviceProfile.h"
#include "RegistrySupport.h"
#include "TestSupport.h"

namespace lockdown_test {

using namespace testing_support;

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

}  // namespace lockdown_test
