// Stand-in for the device maker's event log library: every line is appended, with its
// facility and category, to the text file that the device profile names; an empty name
// discards the lines (the launch benchmark's sink).
//
// Kept lean on purpose: the monitor loads it in every program start the shell makes, so
// its load and each line cost what the device's own library would not. It uses no C++
// library and no emulator code, keeps the profile key open, and formats on the stack. Each
// line is still one WriteFile on a file opened for that line alone: a process that dies
// right after a call loses nothing, and tests can delete or replace the file at any time.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "DeviceProfile.h"

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
    for (HMODULE library : {GetModuleHandleW(L"kernelbase.dll"), LoadLibraryW(L"advapi32.dll")})
      if (Bind(library, &c.open, "RegOpenKeyExW") && Bind(library, &c.query, "RegQueryValueExW") &&
          Bind(library, &c.close, "RegCloseKey"))
        break;
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
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}

// A facility number per name, stable across processes: the same name always gets the same number.
WORD FacilityFor(const wchar_t* name) {
  DWORD hash = 0;
  for (const wchar_t* p = name; p && *p; ++p) hash = hash * 31 + static_cast<DWORD>(*p);
  return static_cast<WORD>(0x100 + hash % 0xFE00);
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI QZRRegisterFacility(const wchar_t* name) {
  WORD facility = FacilityFor(name);
  char utf8[600] = {};
  if (name) WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  char line[kLineBytes];
  AppendEventLine(line, snprintf(line, sizeof line, "[facility %u] registered %s", facility, utf8));
  return 0x00010000u | facility;
}

__declspec(dllexport) DWORD WINAPI QZRLogStringVEx(WORD facility, DWORD reserved, DWORD category, const char* format,
                                                   va_list args) {
  (void)reserved;
  char text[kTextBytes] = {};
  if (format) vsnprintf(text, sizeof text, format, args);
  char line[kLineBytes];
  AppendEventLine(line, snprintf(line, sizeof line, "[facility %u] [category %lu] %s", facility,
                                 static_cast<unsigned long>(category), text));
  return 0;
}

__declspec(dllexport) DWORD WINAPI QZRLogString(DWORD eventCode, const char* text) {
  char line[kLineBytes];
  AppendEventLine(line, snprintf(line, sizeof line, "[event 0x%08lX] %s", static_cast<unsigned long>(eventCode),
                                 text ? text : ""));
  return 0;
}

}  // extern "C"
