// What the lockdown tests share: a device of a chosen platform and model, and tests/support.
#pragma once

#include <windows.h>

#include "device/DeviceIdentity.h"
#include "DeviceProfile.h"
#include "RegistrySupport.h"
#include "TestSupport.h"

namespace lockdown_test {

using namespace testing_support;

// A device for one test: platform text ("PocketPC", "XScale", "Other") and model id, reported
// through the PAL's model text for the models it names, through the OEM text for the others.
class DeviceScope {
 public:
  DeviceScope(const wchar_t* platformText, int model) {
    const wchar_t* pal[17] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, L"VP21", L"VP33",
                              L"VX13", L"VX12", L"VX14", L"VX15", L"VR4A", L"VR4B", L"VP22", L"VX16"};
    const wchar_t* oem[7] = {L"Other Maker", L"Korvanex VP48", L"Korvanex VM5", L"Korvanex VP57",
                             L"Korvanex VR42", L"Korvanex VM4", L"Korvanex VM6"};
    namespace p = wince::profile;
    profile_.Set(p::kPlatformType, platformText);
    if (model >= 7 && model <= 16) {
      profile_.Set(p::kPalModel, pal[model]);
    } else {
      profile_.Unset(p::kPalModel);
      profile_.Set(p::kOemInfo, model == 99 ? L"Korvanex Z9" : oem[model >= 0 && model <= 6 ? model : 0]);
    }
    qzr::ResetDeviceFactsForTesting();
  }
  ~DeviceScope() { qzr::ResetDeviceFactsForTesting(); }
  testing_support::ProfileScope& profile() { return profile_; }

 private:
  testing_support::ProfileScope profile_;
};

}  // namespace lockdown_test
