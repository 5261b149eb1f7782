// The simulated handheld's installation of real cabinets, in the device installer's order.
#pragma once

#include <string>

namespace cabhost {

// Exit codes of the host.
constexpr int kInstalled = 0;
constexpr int kRolledBack = 1;  // the setup DLL cancelled, or asked for the installation to be undone
constexpr int kUsage = 2;
constexpr int kNoLibrary = 3;
constexpr int kNoRecord = 4;
constexpr int kRefused = 5;  // a damaged or hostile cabinet, or one the device does not meet

struct CabOptions {
  bool noUi = false;      // /noui, /silent: every prompt answered "Yes", none shown
  bool keepCab = false;   // /nodelete, /delete 0
};

// install FILE.cab: check, extract, call the setup DLL, copy, write, register, delete the cabinet.
int InstallCabinet(const std::wstring& cabinet, const CabOptions& options);
// uninstall "Provider AppName"; kNoRecord when no such application is registered.
int UninstallApplication(const std::wstring& name, const CabOptions& options);
// Whether "Provider AppName" is registered for removal.
bool IsRegisteredApplication(const std::wstring& name);

// Shared with the folder form (qzrcabhost.cpp).
void Print(const std::wstring& text);
void PrintLog(const std::wstring& installDir);

}  // namespace cabhost
