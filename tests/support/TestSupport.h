// Helpers shared by the test suites: scratch folders on drive C, files, processes, the device profile.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under C:\qzrtest\, removed with everything in it when the object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& hint = L"t");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }  // ends with a backslash
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::wstring& path);
bool RemoveTree(const std::wstring& path);
// A REG_SZ value written, its key created as needed; read back (nullopt when missing).
bool WriteRegString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text);
std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name);

// Folder of the running test program (build/bin), where every product and stand-in is built.
std::wstring BinFolder();

// An export bound by name as the product binds the device's libraries (the library stays loaded), or nullptr.
template <class Fn>
Fn Export(const std::wstring& library, const char* name) {
  HMODULE module = LoadLibraryW(library.c_str());
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Sets an environment variable for the scope; children inherit it.
class EnvScope {
 public:
  EnvScope(const wchar_t* name, const std::wstring& value) : name_(name) { SetEnvironmentVariableW(name, value.c_str()); }
  ~EnvScope() { SetEnvironmentVariableW(name_.c_str(), nullptr); }

 private:
  std::wstring name_;
};

struct ProcessResult {
  bool started = false;
  bool finished = false;
  DWORD exitCode = 0;
};
// Runs a command line in `folder` and waits up to timeoutMs; `output` collects its standard output and error.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000, const wchar_t* folder = L"C:\\",
                         std::string* output = nullptr);

// Ids of the running processes whose program file has this name.
std::vector<DWORD> ProcessesNamed(const wchar_t* exeName);

// Serves this thread's windows until done() or the time is up; hot keys stay queued for the test to find.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Saves a key's subtree (below HKEY_CURRENT_USER) and puts it back when the object goes; `clear` removes it meanwhile.
class RegistryScope {
 public:
  RegistryScope(HKEY root, std::wstring path, bool clear = true);
  ~RegistryScope();
  RegistryScope(const RegistryScope&) = delete;
  RegistryScope& operator=(const RegistryScope&) = delete;

 private:
  HKEY root_;
  std::wstring path_, backup_;
  bool saved_ = false;
};

// Saves the registry device profile and puts it back afterwards; tests change it freely.
class ProfileScope : public RegistryScope {
 public:
  ProfileScope();
  void Set(const wchar_t* name, const std::wstring& value);
  void SetBinary(const wchar_t* name, const std::vector<BYTE>& value);
  void Unset(const wchar_t* name);
};

// Lines of the event log file that the profile names, and of the device journal.
std::vector<std::string> ReadLines(const std::wstring& path);

// The device journal that the profile names, from the moment the object is made.
class Journal {
 public:
  Journal();
  std::vector<std::string> Lines() const;
  size_t Count(const std::string& part) const;  // lines that hold `part`
  bool Has(const std::string& part) const { return Count(part) > 0; }
  bool WaitFor(const std::string& part, DWORD timeoutMs = 8000) const;
  std::string Dump() const;

 private:
  std::wstring path_;
  size_t skip_;
};

// A real tap (SendInput): the pointer moved to p on the screen, pressed and released.
void TapScreen(POINT p);
// Real key presses (SendInput) as one combination: down in order, up in reverse order.
void PressKeys(const std::vector<WORD>& keys);

// A visible top-level window of the test's own, which records the WM_COMMAND ids it gets.
class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  // Brings the window to the front; whether it got there.
  bool Front();
  std::vector<UINT> commands;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

// The handheld's device shell (qzrdeviceshell.exe) for one test, up once its task bar (and the
// class `alsoWaitFor`) exists. A shell left running is closed first and this one is closed and
// waited for at the end, so FindWindow never meets another test's task bar.
class DeviceShellProcess {
 public:
  explicit DeviceShellProcess(const wchar_t* alsoWaitFor = nullptr);
  ~DeviceShellProcess();
  DeviceShellProcess(const DeviceShellProcess&) = delete;
  DeviceShellProcess& operator=(const DeviceShellProcess&) = delete;
  bool running() const;
  static HWND TaskBar();
  static void CloseRunning();

 private:
  PROCESS_INFORMATION process_{};
};

std::string Narrow(const std::wstring& s);
std::wstring Widen(const std::string& s);

}  // namespace testing_support
