// Binding of QZREventLog.dll: one handle shared by facility registration and logging, loaded
// once; a missing library is never looked for again, a missing export is looked up again.
#include "EventLog.h"

#include <cstdio>

namespace qzr::eventlog {
namespace {

using RegisterFn = DWORD(WINAPI*)(const wchar_t*);
using LogVExFn = DWORD(WINAPI*)(WORD, DWORD, DWORD, const char*, va_list);
using LogStringFn = DWORD(WINAPI*)(DWORD, const char*);

constexpr wchar_t kLibraryName[] = L"QZREventLog.dll";

// Every outside library handle is cached for the process and never freed.
HMODULE g_library = nullptr;
bool g_loadAttempted = false;
RegisterFn g_register = nullptr;
LogVExFn g_logVEx = nullptr;
HMODULE g_logStringLibrary = nullptr;
WORD g_facility = 0;

HMODULE SharedLibrary() {
  if (!g_loadAttempted) {
    g_loadAttempted = true;
    g_library = LoadLibraryW(kLibraryName);
  }
  return g_library;
}

template <typename Fn>
Fn Lookup(Fn* cache, const char* name) {
  if (!*cache) {
    if (HMODULE lib = SharedLibrary()) *cache = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
  }
  return *cache;
}

}  // namespace

WORD RegisterFacility(const wchar_t* name) {
  RegisterFn fn = Lookup(&g_register, "QZRRegisterFacility");
  return fn ? static_cast<WORD>(fn(name) & 0xFFFF) : 0;
}

DWORD LogStringVEx(WORD facility, DWORD category, const char* format, va_list args) {
  LogVExFn fn = Lookup(&g_logVEx, "QZRLogStringVEx");
  if (!fn) return kNotAvailable;
  fn(facility, 0, category, format, args);
  return 0;
}

DWORD LogStringEx(WORD facility, DWORD category, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DWORD rc = LogStringVEx(facility, category, format, args);
  va_end(args);
  return rc;
}

DWORD LogString(DWORD eventCode, const char* format, ...) {
  if (!g_logStringLibrary) g_logStringLibrary = LoadLibraryW(kLibraryName);
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (g_logStringLibrary) {
    auto fn = reinterpret_cast<LogStringFn>(reinterpret_cast<void*>(GetProcAddress(g_logStringLibrary, "QZRLogString")));
    if (fn) fn(eventCode, text);
  }
  return 0;
}

WORD FacilityNumber() { return g_facility; }
void SetFacilityNumber(WORD facility) { g_facility = facility; }

DWORD Log(DWORD category, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DWORD rc = LogStringVEx(g_facility, category, format, args);
  va_end(args);
  return rc;
}

}  // namespace qzr::eventlog
