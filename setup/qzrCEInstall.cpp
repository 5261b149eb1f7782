// qzrCEInstall.dll: the four entry points that the cabinet installer calls.
#include "wince.h"

#include "InstallFlow.h"

namespace {

// All that outlives one call into the library: its own module, remembered at load, from
// which Install_Exit loads the progress dialog. Each run is made afresh by its entry point.
HMODULE g_thisModule = nullptr;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_thisModule = instance;
  return TRUE;
}

int WINAPI Install_Init(HWND, BOOL, BOOL, const wchar_t*) { return ToInstaller(qzrsetup::InstallerAnswer::kContinue); }

int WINAPI Install_Exit(HWND parent, const wchar_t* installDir, WORD, WORD, WORD, WORD, WORD) {
  return ToInstaller(qzrsetup::InstallExit(g_thisModule, parent, installDir));
}

int WINAPI Uninstall_Init(HWND, const wchar_t* installDir) { return ToInstaller(qzrsetup::UninstallInit(installDir)); }

int WINAPI Uninstall_Exit(HWND) { return ToInstaller(qzrsetup::InstallerAnswer::kContinue); }

}  // extern "C"
