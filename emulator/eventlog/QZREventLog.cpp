// Stand-in for the device maker's event log library: every line is appended, with its
// facility and category, to the text file that the device profile names; an empty name
// discards the lines (the launch benchmark's sink).
//
// Kept lean on purpose: the monitor loads it in every program start the shell makes, so
// its load and each line cost what the device's own library would not. It has no C runtime
// start-up of its own (no CRT, thread-local data or constructors to set up when it loads:
// built without start files, formatting with the system C library its host has loaded
// already), uses no emulator code, keeps the profile key open, and formats on the stack.
// Each line is still one WriteFile on a file opened for that line alone: a process that dies
// right after a call loses nothing, and tests can delete or replace the file at any time.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "DeviceProfile.h"
#include "Win32Owners.h"

namespace {

constexpr DWORD kPathChars = MAX_PATH * 2;
constexpr int kTextBytes = 2048;
constexpr int kLineBytes = 2200;

// The registry calls, from kernelbase where the system has them there (as Wine and current
// Windows do), else from advapi32: a monitored program start that loads this library then
// loads no further system library for it.
struct RegistryCalls {
  decltype(&RegOpenKeyExW) open = nullptr;
  decltype(&RegQueryValueExW) query = nullptr;
  decltype(&RegCloseKey) close = nullptr;
};

template <typename Fn>
bool Bind(HMODULE library, Fn* fn, const char* name) {
  *fn = library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
  return *fn != nullptr;
}

const RegistryCalls* Registry() {
  static const RegistryCalls calls = [] {
    RegistryCalls c;
    auto bindAll = [&c](HMODULE library) {
      return Bind(library, &c.open, "RegOpenKeyExW") && Bind(library, &c.query, "RegQueryValueExW") &&
             Bind(library, &c.close, "RegCloseKey");
    };
    // advapi32 is loaded only when kernelbase lacks the calls: loading it brings sechost and
    // the universal C runtime along, whose start-up would fall on every monitored launch.
    if (!bindAll(GetModuleHandleW(L"kernelbase.dll"))) bindAll(LoadLibraryW(L"advapi32.dll"));
    return c;
  }();
  return calls.open && calls.query && calls.close ? &calls : nullptr;
}

// The profile key, opened on first use and kept; reopened once when a profile reload has
// deleted and recreated it under us.
HKEY g_profileKey = nullptr;

HKEY ProfileKey(const RegistryCalls& reg, bool reopen) {
  if (reopen && g_profileKey) {
    reg.close(g_profileKey);
    g_profileKey = nullptr;
  }
  if (!g_profileKey && reg.open(HKEY_LOCAL_MACHINE, wince::kProfileKey, 0, KEY_QUERY_VALUE, &g_profileKey) != ERROR_SUCCESS)
    g_profileKey = nullptr;
  return g_profileKey;
}

// The log file's path as the profile names it now; false when the lines go nowhere.
bool EventLogPath(wchar_t (&path)[kPathChars]) {
  const RegistryCalls* reg = Registry();
  if (!reg) return false;
  for (bool reopen : {false, true}) {
    HKEY key = ProfileKey(*reg, reopen);
    if (!key) continue;
    DWORD type = 0, size = sizeof path - sizeof(wchar_t);
    LONG rc = reg->query(key, wince::profile::kEventLogFile, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return false;  // the key is fine; the device has no event log
    if (rc != ERROR_SUCCESS) continue;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    path[size / sizeof(wchar_t)] = L'\0';
    return path[0] != L'\0';
  }
  return false;
}

// The system C library's formatting, which leaves a cut text without its NUL and says -1:
// always ended here, and the length is what the buffer holds.
int FormatV(char* out, int size, const char* format, va_list args) {
  int n = _vsnprintf(out, static_cast<size_t>(size) - 1, format, args);
  if (n < 0 || n > size - 1) n = size - 1;
  out[n] = '\0';
  return n;
}

int Format(char* out, int size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = FormatV(out, size, format, args);
  va_end(args);
  return n;
}

// Callers end many messages with CR LF; the file's own line end replaces it, one entry a line.
void AppendEventLine(char* line, int length) {
  if (length < 0) return;
  if (length > kLineBytes - 3) length = kLineBytes - 3;
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  wchar_t path[kPathChars];
  if (!EventLogPath(path)) return;
  line[length++] = '\r';
  line[length++] = '\n';
  // FILE_APPEND_DATA makes the single WriteFile land whole at the end, even with several
  // processes writing the same file.
  qzr::FileHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), line, static_cast<DWORD>(length), &written, nullptr);
}

// A facility number per name, stable across processes: the same name always gets the same number.
WORD FacilityFor(const wchar_t* name) {
  DWORD hash = 0;
  for (const wchar_t* p = name; p && *p; ++p) hash = hash * 31 + static_cast<DWORD>(*p);
  return static_cast<WORD>(0x100 + hash % 0xFE00);
}

}  // namespace

extern "C" {

// The library's entry point in place of the C runtime's: there is nothing to set up.
BOOL WINAPI EventLogEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }

__declspec(dllexport) DWORD WINAPI QZRRegisterFacility(const wchar_t* name) {
  WORD facility = FacilityFor(name);
  char utf8[600];
  utf8[0] = '\0';
  if (name) WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  char line[kLineBytes];
  AppendEventLine(line, Format(line, sizeof line, "[facility %u] registered %s", facility, utf8));
  return 0x00010000u | facility;
}

__declspec(dllexport) DWORD WINAPI QZRLogStringVEx(WORD facility, DWORD reserved, DWORD category, const char* format,
                                                   va_list args) {
  (void)reserved;
  char text[kTextBytes];
  text[0] = '\0';
  if (format) FormatV(text, sizeof text, format, args);
  char line[kLineBytes];
  AppendEventLine(line, Format(line, sizeof line, "[facility %u] [category %lu] %s", facility,
                                 static_cast<unsigned long>(category), text));
  return 0;
}

__declspec(dllexport) DWORD WINAPI QZRLogString(DWORD eventCode, const char* text) {
  char line[kLineBytes];
  AppendEventLine(line, Format(line, sizeof line, "[event 0x%08lX] %s", static_cast<unsigned long>(eventCode),
                                 text ? text : ""));
  return 0;
}

}  // extern "C"
