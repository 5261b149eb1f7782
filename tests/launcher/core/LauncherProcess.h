// The launcher installed on drive C and run as a real process, and what the tests read of its windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "TestSupport.h"

namespace launcher_process {

using namespace testing_support;

// Controls of the launcher's dialogs that the tests tap and read.
inline constexpr int kProgramList = 1050;
inline constexpr int kStatusOrExitButton = 1006;  // "Status" on the main screen, "Exit" on the status page
inline constexpr int kBatteryProgress = 1000;     // only the status page has it
inline constexpr int kPasswordEdit = 1002;

// A launcher folder on drive C holding QZRShell.exe and a menu.ini, logging into scratch files.
struct InstalledLauncher {
  ScratchFolder folder;
  ProfileScope profile;
  std::wstring exe = folder / L"QZRShell.exe";

  explicit InstalledLauncher(const std::string& menuIni, const wchar_t* folderName = L"launcher") : folder{folderName} {
    EXPECT_TRUE(CopyFileW((BinFolder() + L"QZRShell.exe").c_str(), exe.c_str(), FALSE));
    EXPECT_TRUE(WriteBytes(folder / L"menu.ini", menuIni));
    profile.Set(wince::profile::kEventLogFile, folder / L"events.txt");
    profile.Set(wince::profile::kJournalFile, folder / L"journal.txt");
  }
  // Starts the launcher and waits until start-up has signalled the device (or the process ended);
  // journalLines 0 returns at once.
  HANDLE Start(const std::wstring& args, size_t journalLines = 1) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    for (int i = 0; i < 300 && Journal().size() < journalLines; ++i)
      if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
    return pi.hProcess;
  }
  // The main dialog waits for the exit password; tests that only look at start-up end it.
  static void Stop(HANDLE process) {
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  bool RunStartUp(const std::wstring& args) {
    HANDLE process = Start(args);
    if (!process) return false;
    Stop(process);
    return !Journal().empty();
  }
  std::vector<std::string> Events() { return ReadLines(folder / L"events.txt"); }
  std::vector<std::string> Journal() { return ReadLines(folder / L"journal.txt"); }
};

// A launcher process that is ended when the test is over, however it ends.
class RunningLauncher {
 public:
  explicit RunningLauncher(HANDLE process) : process_(process) {}
  ~RunningLauncher() {
    if (process_) InstalledLauncher::Stop(process_);
  }
  RunningLauncher(const RunningLauncher&) = delete;
  RunningLauncher& operator=(const RunningLauncher&) = delete;
  HANDLE get() const { return process_; }
  DWORD id() const { return GetProcessId(process_); }
  bool Ended(DWORD waitMs) const { return WaitForSingleObject(process_, waitMs) == WAIT_OBJECT_0; }

 private:
  HANDLE process_;
};

inline DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  if (window) GetWindowThreadProcessId(window, &pid);
  return pid;
}

// The visible dialogs (message boxes included) of one process, top of the z-order first.
inline std::vector<HWND> DialogsOf(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  EnumWindows(
      [](HWND w, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (ProcessOf(w) == s->pid && IsWindowVisible(w) && std::wstring(cls) == L"#32770") s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// Whether any child of `window` shows `text`: how a message box is told from a dialog.
inline bool ShowsText(HWND window, const std::wstring& text) {
  struct Search {
    const std::wstring* text;
    bool found = false;
  } search{&text};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        s->found = TextOf(child) == *s->text;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The process's window that shows `text`, or null.
inline HWND BoxShowing(DWORD pid, const std::wstring& text) {
  for (HWND w : DialogsOf(pid))
    if (ShowsText(w, text)) return w;
  return nullptr;
}

// Brings a window of another process to the front and presses keys there, as the operator would.
inline void PressKeysIn(HWND window, const std::vector<WORD>& keys) {
  SetForegroundWindow(window);
  PumpUntil([&] { return GetForegroundWindow() == window; }, 2000);
  PressKeys(keys);
}

// Digits and letters as the key presses that type them.
inline void TypeIn(HWND window, const std::wstring& text) {
  SetForegroundWindow(window);
  PumpUntil([&] { return GetForegroundWindow() == window; }, 2000);
  for (wchar_t c : text) PressKeys({static_cast<WORD>(towupper(c))});
}

// The process's dialog that has control `id` (and not `without`), or null.
inline HWND DialogWith(DWORD pid, int id, int without = 0) {
  for (HWND w : DialogsOf(pid))
    if (GetDlgItem(w, id) && !(without && GetDlgItem(w, without))) return w;
  return nullptr;
}

inline HWND WaitForDialogWith(DWORD pid, int id, int without = 0) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = DialogWith(pid, id, without)) != nullptr; }, 15000);
  return found;
}

// A real tap in the middle of a dialog's control.
inline void TapControl(HWND dialog, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  SetForegroundWindow(dialog);
  TapScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// Taps a control until the dialog it opens is up: a tap that lands while the screen is still
// being claimed can go to the window that held it.
inline HWND TapUntilDialog(HWND dialog, int control, DWORD pid, int opensWith, int without = 0) {
  HWND opened = nullptr;
  for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
    TapControl(dialog, control);
    PumpUntil([&] { return (opened = DialogWith(pid, opensWith, without)) != nullptr; }, 3000);
  }
  return opened;
}

}  // namespace launcher_process
