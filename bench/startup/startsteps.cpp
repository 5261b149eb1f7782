// startsteps.exe: the launcher's start-up steps one at a time, with the launcher's own code, so
// that the start-up benchmark can say where the time goes. It runs from the launcher's folder
// (menu.ini and Gatewarden.exe beside it) and repeats the steps RUNS times.
//   startsteps RUNS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../BenchTiming.h"
#include "device/DeviceIdentity.h"
#include "core/LauncherConfig.h"
#include "device/Radio80211.h"
#include "lockdown/StartKey.h"
#include "Win32Owners.h"
#include "WhitelistCache.h"
#include "power.h"

namespace {

using bench::Median;
using bench::NowMs;

std::wstring OpenCommand() {
  qzr::RegKey key;
  key.Open(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
  return key.ReadString(L"Default").value_or(L"");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const char* names[] = {
      "whitelist block, events and starting Gatewarden (model construction)",
      "preparing the block (PrepareSharedCache)",
      "menu.ini: reading the model, publishing the whitelist, start key",
      "radio: loading 80211api.dll, association, signal, addresses",
      "device facts: platform type, model id, serial number, battery",
      "Gatewarden, from its start to its hook in place (in parallel)",
  };
  constexpr int kSteps = 6;
  std::vector<double> times[kSteps];
  const std::wstring unhooked = OpenCommand();
  for (int i = -1; i < runs; ++i) {  // the first round warms Wine's caches
    double t[kSteps] = {};
    double t0 = NowMs();
    double monitorStart = t0;
    {
      qzr::LauncherConfig config;
      config.whitelist.Construct();
      t[0] = NowMs() - t0;
      double t1 = NowMs();
      config.whitelist.PrepareSharedCache(true);
      t[1] = NowMs() - t1;
      double t2 = NowMs();
      {
        // As LauncherApp::LoadConfiguration does it.
        qzr::MenuLocation where = qzr::ProductMenuLocation();
        qzr::IniSnapshot ini;
        config.Assign(qzr::ReadMenuConfig(where, ini));
        config.whitelist.PublishWhitelist(qzr::WhitelistSourcesOf(config, where, ini, qzr::GetModelId()));
        qzr::SyncStartKeySetting(config);
      }
      t[2] = NowMs() - t2;

      double t3 = NowMs();
      {
        qzr::Radio80211 radio;
        radio.Load();
        DWORD association = 1;
        LONG rssi = 0;
        wchar_t text[128] = {};
        qzr::IsWiredLinkUp();
        radio.GetAssociationStatus(&association);
        radio.GetRSSI(&rssi);
        radio.GetRadioIpAddress(text);
        radio.GetMac(text);
        wchar_t authentication[32] = {};
        qzr::GetAuthenticationText(authentication, sizeof authentication);
      }
      t[3] = NowMs() - t3;

      double t4 = NowMs();
      qzr::ResetDeviceFactsForTesting();
      qzr::GetPlatformType();
      qzr::GetModelId();
      wchar_t serial[64] = {};
      qzr::GetDeviceSerialText(serial, 64);
      int percent = 0;
      wince::ReadBatteryPercent(&percent);
      t[4] = NowMs() - t4;

      while (OpenCommand() == unhooked && NowMs() - monitorStart < 20000) Sleep(1);
      t[5] = NowMs() - monitorStart;
    }  // the model's end tells the monitor to end
    for (int w = 0; w < 100 && OpenCommand() != unhooked; ++w) Sleep(20);
    if (i >= 0)
      for (int k = 0; k < kSteps; ++k) times[k].push_back(t[k]);
  }
  printf("start-up steps, medians of %d runs:\n", runs);
  for (int k = 0; k < kSteps; ++k) printf("  %-70s %8.2f ms\n", names[k], Median(times[k]));
  return 0;
}
