// The shell open requests behind list taps, auto start and the volume program.
#include "ui/ProgramLaunch.h"

#include "wince.h"

#include <cwchar>

#include "core/LauncherConfig.h"
#include "core/MessageBoxes.h"
#include "ui/UiTexts.h"

namespace qzr {
namespace {

void OpenWithShell(HWND owner, const std::wstring& file, const wchar_t* parameters, const std::wstring& folder) {
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_FLAG_NO_UI;
  request.lpVerb = kOpenVerb;
  request.lpFile = file.c_str();
  request.lpParameters = parameters;
  request.lpDirectory = folder.c_str();
  request.nShow = SW_SHOWNORMAL;
  if (ShellExecuteEx(&request)) return;
  ShowMessageBox(owner, ShellErrorText(GetLastError()), kShellErrorCaption, MB_OK);
}

}  // namespace

std::wstring ShellErrorText(DWORD error) {
  if (error == 0) return kProgramNotFoundText;
  wchar_t text[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 256, nullptr);
  text[255] = L'\0';
  return text;
}

void LaunchButton(const LauncherConfig& model, HWND owner, int index, int itemCount) {
  if (index < 0 || index >= itemCount || index >= kButtonSlots) return;
  const ButtonSlot& button = model.buttons[index];
  OpenWithShell(owner, button.exePath, button.parameters.c_str(), kLaunchFolder);
}

void ShellOpen(const std::wstring& folder, const std::wstring& file) {
  if (file.empty()) return;
  OpenWithShell(nullptr, file, nullptr, folder);
}

}  // namespace qzr
