// qzrCEInstall.dll: the four entry points that the cabinet installer calls.
#include "wince.h"

#include "InstallFlow.h"
#include "SetupState.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // The progress dialog is loaded from this module.
  if (reason == DLL_PROCESS_ATTACH) qzrsetup::State().module = instance;
  return TRUE;
}

int WINAPI Install_Init(HWND, BOOL, BOOL, const wchar_t*) { return qzrsetup::kContinue; }

int WINAPI Install_Exit(HWND parent, const wchar_t* installDir, WORD, WORD, WORD, WORD, WORD) {
  return qzrsetup::InstallExit(parent, installDir);
}

int WINAPI Uninstall_Init(HWND, const wchar_t* installDir) { return qzrsetup::UninstallInit(installDir); }

int WINAPI Uninstall_Exit(HWND) { return qzrsetup::kContinue; }

}  // extern "C"
