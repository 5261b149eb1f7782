// The two binders of QZRIVAPAL.dll and typed calls of its exports.
#include "device/Pal.h"

#include <string>

#include "EventLogLines.h"
#include "Text.h"

namespace qzr {
namespace {

using BootTerminalFn = HRESULT(WINAPI*)(DWORD);
using GetDeviceDetailFn = HRESULT(WINAPI*)(DWORD, wchar_t*, DWORD*);
using GetSerialNumberFn = HRESULT(WINAPI*)(wchar_t*);
using LogVersionFn = HRESULT(WINAPI*)(const wchar_t*, DWORD);

constexpr char kExportBootTerminal[] = "PALBOOT_BootTerminal";
constexpr char kExportDeviceDetail[] = "PALSysinfo_GetDeviceDetailW";
constexpr char kExportSerialNumber[] = "PALSysinfo_GetSerialNumber";
constexpr char kExportLogVersion[] = "PALVER_LogVersion";

constexpr wchar_t kLoadFailedA[] = L"CQZRPal::Load - LoadLibrary() failed. win32err: 0x%x\r\n";
constexpr wchar_t kInvalidNameA[] = L"CQZRPal::Load - ERROR Invalid input fcn name\r\n";

// The library handles of both binders, cached for the life of the process and never freed.
struct PalHandles {
  HMODULE binderA = nullptr;
  HMODULE binderB = nullptr;
};
PalHandles g_pal;

std::wstring ProgramFolderPath() { return ModuleFolder(nullptr, MAX_PATH); }

template <typename Fn>
Fn As(FARPROC address) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

unsigned ProcessId() { return static_cast<unsigned>(GetCurrentProcessId()); }

// One attempt of binder B: load, log the attempt, and let the library record its version.
HMODULE LoadAndLogVersion(const std::wstring& nameOrPath) {
  HMODULE lib = LoadLibraryW(nameOrPath.c_str());
  unsigned error = static_cast<unsigned>(GetLastError());
  eventlog::Write(eventlog::lines::kPalLoading, nameOrPath.c_str(), error, ProcessId());
  if (lib) {
    if (auto logVersion = As<LogVersionFn>(GetProcAddress(lib, kExportLogVersion))) logVersion(nameOrPath.c_str(), 0);
  }
  return lib;
}

}  // namespace

HRESULT CQZRPal::Load(const char* name, FARPROC* address) {
  if (!g_pal.binderA) {
    g_pal.binderA = LoadLibraryW((ProgramFolderPath() + kPalLibraryName).c_str());
    if (!g_pal.binderA) g_pal.binderA = LoadLibraryW(kPalLibraryName);
    if (!g_pal.binderA) {
      NKDbgPrintfW(kLoadFailedA, static_cast<unsigned>(GetLastError()));
      return kPalNotAvailable;
    }
  }
  if (!name || !address) {
    NKDbgPrintfW(kInvalidNameA);
    return kPalFailure;
  }
  *address = GetProcAddress(g_pal.binderA, name);
  return *address ? S_OK : kPalNotAvailable;
}

HRESULT CQZRPal::LoadLogged(const char* name, FARPROC* address) {
  if (!g_pal.binderB) g_pal.binderB = LoadAndLogVersion(kPalLibraryName);
  if (!g_pal.binderB) {
    g_pal.binderB = LoadAndLogVersion(ProgramFolderPath() + kPalLibraryName);
    if (!g_pal.binderB) {
      eventlog::Write(eventlog::lines::kPalAllFailed, ProcessId());
      return kPalNotAvailable;
    }
  }
  // A null name would otherwise reach both the lookup and the log line's "%s".
  if (!name || !address) return kPalFailure;
  *address = GetProcAddress(g_pal.binderB, name);
  if (*address) return S_OK;
  eventlog::Write(eventlog::lines::kPalNotSupported, name);
  return kPalNotAvailable;
}

HRESULT CQZRPal::BootTerminal(DWORD bootCode) {
  FARPROC address = nullptr;
  HRESULT hr = Load(kExportBootTerminal, &address);
  return hr < 0 ? hr : As<BootTerminalFn>(address)(bootCode);
}

HRESULT CQZRPal::GetDeviceDetail(DWORD detailId, wchar_t* buffer, DWORD* sizeInOutBytes) {
  FARPROC address = nullptr;
  HRESULT hr = Load(kExportDeviceDetail, &address);
  return hr < 0 ? hr : As<GetDeviceDetailFn>(address)(detailId, buffer, sizeInOutBytes);
}

HRESULT CQZRPal::GetSerialNumber(wchar_t* buffer) {
  FARPROC address = nullptr;
  HRESULT hr = LoadLogged(kExportSerialNumber, &address);
  return hr < 0 ? hr : As<GetSerialNumberFn>(address)(buffer);
}

}  // namespace qzr
