// Stand-in for the device maker's event log library: every line is appended, with its
// facility and category, to the text file that the device profile names.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "DeviceProfile.h"

namespace {

// Callers end many messages with CR LF; the file's own line end replaces it, one entry a line.
void AppendEventLine(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (auto path = wince::ReadProfileString(wince::profile::kEventLogFile); path && !path->empty())
    wince::AppendLineToFile(*path, line);
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
  char line[300];
  snprintf(line, sizeof line, "[facility %u] registered %s", facility, wince::ToUtf8(name ? name : L"").c_str());
  AppendEventLine(line);
  return 0x00010000u | facility;
}

__declspec(dllexport) DWORD WINAPI QZRLogStringVEx(WORD facility, DWORD reserved, DWORD category, const char* format,
                                                   va_list args) {
  (void)reserved;
  char text[2048] = {};
  if (format) vsnprintf(text, sizeof text, format, args);
  char line[2200];
  snprintf(line, sizeof line, "[facility %u] [category %lu] %s", facility, static_cast<unsigned long>(category), text);
  AppendEventLine(line);
  return 0;
}

__declspec(dllexport) DWORD WINAPI QZRLogString(DWORD eventCode, const char* text) {
  char line[2200];
  snprintf(line, sizeof line, "[event 0x%08lX] %s", static_cast<unsigned long>(eventCode), text ? text : "");
  AppendEventLine(line);
  return 0;
}

}  // extern "C"
