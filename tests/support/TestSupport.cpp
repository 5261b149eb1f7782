// Helpers shared by the test suites.
#include "TestSupport.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <sstream>

#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace testing_support {

ScratchFolder::ScratchFolder(const std::wstring& hint) {
  static std::atomic<int> counter{0};
  CreateDirectoryW(L"C:\\qzrtest", nullptr);
  path_ = L"C:\\qzrtest\\" + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool RemoveTree(const std::wstring& path) {
  std::wstring folder = path;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = folder + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
      else DeleteFileW(child.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryW(folder.c_str()) != 0;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(f);
  return ok;
}

std::optional<std::string> ReadBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  bool ok = data.empty() || ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  CloseHandle(f);
  if (!ok) return std::nullopt;
  data.resize(read);
  return data;
}

std::wstring BinFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs, const wchar_t* folder, std::string* output) {
  ProcessResult result;
  // A file of its own per run: the console host may hold the previous run's file a moment longer.
  std::optional<ScratchFolder> outFolder;
  std::wstring outPath;
  HANDLE out = INVALID_HANDLE_VALUE;
  if (output) {
    outPath = outFolder.emplace(L"out") / L"output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                      CREATE_ALWAYS, 0, nullptr);
  }
  std::wstring cmd = commandLine;
  STARTUPINFOW si{sizeof si};
  if (out != INVALID_HANDLE_VALUE) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
  }
  PROCESS_INFORMATION pi{};
  result.started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, out != INVALID_HANDLE_VALUE, 0, nullptr, folder,
                                  &si, &pi) != FALSE;
  const DWORD error = GetLastError();
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (!result.started) {
    if (output) *output = "cannot start " + Narrow(commandLine) + ", error " + std::to_string(error);
    return result;
  }
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    result.finished = true;
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
  } else {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (output) *output = ReadBytes(outPath).value_or("");
  return result;
}

bool WriteRegString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  qzr::RegKey k;
  return k.Create(root, key) && k.WriteString(name, text);
}

std::optional<std::wstring> ReadRegString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(buffer);
}

std::vector<DWORD> ProcessesNamed(const wchar_t* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{sizeof entry};
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(20)) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, WM_HOTKEY - 1, PM_REMOVE) ||
           PeekMessageW(&msg, nullptr, WM_HOTKEY + 1, 0xFFFF, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

namespace {

// A key's subtree copied to another place, the target created as needed.
bool CopyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
  qzr::RegKey source, target;
  return source.Open(fromRoot, from) && target.Create(toRoot, to) &&
         RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}

}  // namespace

RegistryScope::RegistryScope(HKEY root, std::wstring path, bool clear) : root_(root), path_(std::move(path)) {
  static std::atomic<int> counter{0};
  backup_ = L"QZRTestBackup\\" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
  saved_ = CopyTree(root_, path_, HKEY_CURRENT_USER, backup_);
  if (clear) RegDeleteTreeW(root_, path_.c_str());
}

RegistryScope::~RegistryScope() {
  RegDeleteTreeW(root_, path_.c_str());
  if (saved_) CopyTree(HKEY_CURRENT_USER, backup_, root_, path_);
  RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
}

ProfileScope::ProfileScope() : RegistryScope(HKEY_LOCAL_MACHINE, wince::kProfileKey, false) {}
void ProfileScope::Set(const wchar_t* name, const std::wstring& value) { wince::WriteProfileString(name, value); }
void ProfileScope::SetBinary(const wchar_t* name, const std::vector<BYTE>& value) { wince::WriteProfileBinary(name, value); }
void ProfileScope::Unset(const wchar_t* name) { wince::DeleteProfileValue(name); }

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  std::istringstream text(ReadBytes(path).value_or(""));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

Journal::Journal()
    : path_(wince::ReadProfileString(wince::profile::kJournalFile).value_or(L"")), skip_(ReadLines(path_).size()) {}

std::vector<std::string> Journal::Lines() const {
  auto all = ReadLines(path_);
  return std::vector<std::string>(all.begin() + std::min(skip_, all.size()), all.end());
}

size_t Journal::Count(const std::string& part) const {
  size_t n = 0;
  for (const auto& line : Lines()) n += line.find(part) != std::string::npos;
  return n;
}

bool Journal::WaitFor(const std::string& part, DWORD timeoutMs) const {
  return PumpUntil([&] { return Has(part); }, timeoutMs);
}

std::string Journal::Dump() const {
  std::string s;
  for (const auto& line : Lines()) s += line + "\n";
  return s;
}

TestWindow::TestWindow() {
  static ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QZR.TestWindow";
    return RegisterClassW(&wc);
  }();
  (void)atom;
  hwnd_ = CreateWindowExW(0, L"QZR.TestWindow", L"Test window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 60, 200, 150,
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TestWindow::~TestWindow() {
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool TestWindow::Front() {
  SetForegroundWindow(hwnd_);
  return PumpUntil([&] { return GetForegroundWindow() == hwnd_; }, 2000);
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_COMMAND && self) self->commands.push_back(LOWORD(wParam));
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TapScreen(POINT p) {
  INPUT in[3] = {};
  for (auto& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in[0].mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  for (INPUT& i : in) {
    SendInput(1, &i, sizeof i);
    Sleep(50);
  }
  Sleep(150);
}

void PressKeys(const std::vector<WORD>& keys) {
  auto send = [](WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = flags;
    SendInput(1, &in, sizeof in);
    Sleep(20);
  };
  for (WORD k : keys) send(k, 0);
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) send(*k, KEYEVENTF_KEYUP);
  Sleep(200);
}

namespace {

// Whether a process runs one of Wine's own programs (system32), such as the desktop's explorer.exe
// that the shell may have started: ending it would take the desktop and its hot keys along.
bool IsSystemProgram(HANDLE process) {
  wchar_t image[MAX_PATH] = {}, system[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!QueryFullProcessImageNameW(process, 0, image, &size)) return true;
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  return n > 0 && _wcsnicmp(image, system, n) == 0;
}

// Ends every process that `parent` started, and theirs, but Wine's own: what the shell opens
// inherits the test's standard output, and one left running keeps CTest waiting for its end.
void EndDescendants(DWORD parent) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{sizeof entry};
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) found.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  for (DWORD id : found) {
    HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!child) continue;
    if (!IsSystemProgram(child)) {
      EndDescendants(id);
      TerminateProcess(child, 1);
      WaitForSingleObject(child, 5000);
    }
    CloseHandle(child);
  }
}

}  // namespace

DeviceShellProcess::DeviceShellProcess(const wchar_t* alsoWaitFor) {
  CloseRunning();
  std::wstring cmd = L"\"" + BinFolder() + L"qzrdeviceshell.exe\"";
  STARTUPINFOW si{sizeof si};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &process_)) {
    process_ = {};
    return;
  }
  PumpUntil([&] { return TaskBar() && (!alsoWaitFor || FindWindowW(alsoWaitFor, nullptr)); }, 15000);
  // Idle once all its windows are up: a screen opened earlier could end up behind the shell's
  // desktop, which never happens on a device, where the shell is up before anything starts.
  WaitForInputIdle(process_.hProcess, 5000);
}

DeviceShellProcess::~DeviceShellProcess() {
  if (!process_.hProcess) return;
  EndDescendants(process_.dwProcessId);
  HWND bar = TaskBar();
  DWORD owner = 0;
  if (bar) GetWindowThreadProcessId(bar, &owner);
  // Only this shell's own task bar is asked; a bar that belongs to no one any more is left to go.
  if (bar && owner == process_.dwProcessId) PostMessageW(bar, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  // The window goes with its process, a moment after it.
  PumpUntil([] { return !TaskBar(); });
}

bool DeviceShellProcess::running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT && TaskBar();
}

HWND DeviceShellProcess::TaskBar() { return FindWindowW(L"HHTaskBar", nullptr); }

void DeviceShellProcess::CloseRunning() {
  if (HWND bar = TaskBar()) PostMessageW(bar, WM_CLOSE, 0, 0);
  PumpUntil([] { return !TaskBar(); });
}

std::string Narrow(const std::wstring& s) { return wince::ToUtf8(s); }
std::wstring Widen(const std::string& s) { return wince::FromUtf8(s); }

}  // namespace testing_support
