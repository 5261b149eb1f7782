// Child of the binder tests: binds the maker's libraries twice, before and after the test puts
// them back, and writes what each call returned to a file.
//   device_probe pal|eventlog <result file> <ready event> <go event>
#include <windows.h>

#include <cstdio>
#include <string>

#include "EventLog.h"
#include "Pal.h"

namespace {

std::string Hex(DWORD value) {
  char text[16];
  snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

std::string PalRound(const char* round) {
  FARPROC address = nullptr;
  std::string out;
  out += std::string("a") + round + "=" + Hex(qzr::CQZRPal::Load("PALSysinfo_GetDeviceDetailW", &address)) + "\n";
  out += std::string("b") + round + "=" + Hex(qzr::CQZRPal::LoadLogged("PALSysinfo_GetSerialNumber", &address)) + "\n";
  return out;
}

std::string EventLogRound(const char* round) {
  using namespace qzr::eventlog;
  std::string out;
  out += std::string("facility") + round + "=" + Hex(RegisterFacility(kFacilityName)) + "\n";
  out += std::string("vex") + round + "=" + Hex(LogStringEx(7, kCategoryInfo, "probe vex %s", round)) + "\n";
  out += std::string("string") + round + "=" + Hex(LogString(kEventInfo, "probe string %s", round)) + "\n";
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  std::wstring mode = argv[1];
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
  if (!ready || !go) return 3;

  bool pal = mode == L"pal";
  std::string out = "pid=" + Hex(GetCurrentProcessId()) + "\n";
  out += pal ? PalRound("1") : EventLogRound("1");
  SetEvent(ready);
  if (WaitForSingleObject(go, 30000) != WAIT_OBJECT_0) return 4;
  out += pal ? PalRound("2") : EventLogRound("2");
  if (pal) {
    FARPROC address = nullptr;
    out += "missing=" + Hex(qzr::CQZRPal::LoadLogged("PALNoSuchExport", &address)) + "\n";
  }

  FILE* f = _wfopen(argv[2], L"wb");
  if (!f) return 5;
  fputs(out.c_str(), f);
  fclose(f);
  return 0;
}
