// Kernel-side CE calls on the desktop: answered from the simulated handheld's device profile.
#define WINCE_NO_REDIRECT
#include "wince.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <set>
#include <string>

#include "DeviceProfile.h"
#include "ceidentity.h"

using namespace wince;

namespace {

// Handles that stand for the "DMX1:" identity driver. Each is a real (event) handle so that
// CloseHandle works on it unchanged.
std::mutex g_devicesLock;
std::set<HANDLE> g_dmxHandles;

bool IsDmxHandle(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_devicesLock);
  return g_dmxHandles.count(h) != 0;
}

BOOL AnswerFromBinary(const wchar_t* valueName, LPVOID outBuf, DWORD outBufSize, LPDWORD bytesReturned) {
  auto data = ReadProfileBinary(valueName);
  if (!data) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (!outBuf || outBufSize < data->size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  memcpy(outBuf, data->data(), data->size());
  if (bytesReturned) *bytesReturned = static_cast<DWORD>(data->size());
  return TRUE;
}

BOOL CopyProfileText(const wchar_t* valueName, UINT capacityChars, PVOID data) {
  auto text = ReadProfileString(valueName);
  if (!text || !data || capacityChars == 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  auto* out = static_cast<wchar_t*>(data);
  size_t n = text->size() < capacityChars - 1 ? text->size() : capacityChars - 1;
  wmemcpy(out, text->c_str(), n);
  out[n] = L'\0';
  return TRUE;
}

}  // namespace

extern "C" {

void WINAPI SignalStarted(DWORD dw) {
  AppendJournal(L"SignalStarted " + std::to_wstring(dw));
}

BOOL WINAPI DeleteAndRenameFile(LPCWSTR dest, LPCWSTR source) {
  if (!dest || !source || GetFileAttributesW(dest) == INVALID_FILE_ATTRIBUTES ||
      GetFileAttributesW(source) == INVALID_FILE_ATTRIBUTES)
    return FALSE;
  // A rename within the volume, through to the disk before it returns: the device's object store
  // gives the same all-or-nothing replacement.
  return MoveFileExW(source, dest, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void NKDbgPrintfW(LPCWSTR format, ...) {
  wchar_t line[1024];
  va_list args;
  va_start(args, format);
  _vsnwprintf(line, 1023, format, args);
  va_end(args);
  line[1023] = L'\0';
  OutputDebugStringW(line);
}

BOOL WINAPI KernelIoControl(DWORD ioControlCode, LPVOID inBuf, DWORD inBufSize, LPVOID outBuf, DWORD outBufSize,
                            LPDWORD bytesReturned) {
  (void)inBuf;
  (void)inBufSize;
  switch (ioControlCode) {
    case kIoctlSerial: return AnswerFromBinary(profile::kKernelSerial, outBuf, outBufSize, bytesReturned);
    case kIoctlOemSerial: return AnswerFromBinary(profile::kKernelOemSerial, outBuf, outBufSize, bytesReturned);
    default: SetLastError(ERROR_NOT_SUPPORTED); return FALSE;
  }
}

HANDLE WINAPI CeCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE templateFile) {
  if (name && _wcsicmp(name, kIdentityDriver) == 0) {
    if (!ReadProfileString(profile::kDmxSerial)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!h) return INVALID_HANDLE_VALUE;
    std::lock_guard<std::mutex> lock(g_devicesLock);
    g_dmxHandles.insert(h);
    return h;
  }
  return CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI CeDeviceIoControl(HANDLE device, DWORD code, LPVOID inBuf, DWORD inSize, LPVOID outBuf, DWORD outSize,
                              LPDWORD bytesReturned, LPOVERLAPPED overlapped) {
  if (!IsDmxHandle(device)) return DeviceIoControl(device, code, inBuf, inSize, outBuf, outSize, bytesReturned, overlapped);
  // The identity driver reads a named value: input is {name pointer, 0, 0}; the output
  // holds a 4-byte header followed by the value as a wide string.
  if (code != kDmxReadValue || !inBuf || inSize < sizeof(DWORD) || !outBuf || outSize < 6) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const wchar_t* valueName = *reinterpret_cast<const wchar_t* const*>(inBuf);
  if (inSize < sizeof(void*) || !valueName || wcscmp(valueName, kDmxSerialValue) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  auto serial = ReadProfileString(profile::kDmxSerial);
  if (!serial) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  auto* out = static_cast<BYTE*>(outBuf);
  size_t room = (outSize - 4) / sizeof(wchar_t);
  size_t n = serial->size() < room - 1 ? serial->size() : room - 1;
  memset(out, 0, 4);
  memcpy(out + 4, serial->c_str(), n * sizeof(wchar_t));
  reinterpret_cast<wchar_t*>(out + 4)[n] = L'\0';
  if (bytesReturned) *bytesReturned = static_cast<DWORD>(4 + (n + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL WINAPI CeSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni) {
  // On CE the size argument of these two counts bytes of the caller's buffer.
  if (action == SPI_GETPLATFORMTYPE) return CopyProfileText(profile::kPlatformType, param / sizeof(wchar_t), data);
  if (action == SPI_GETOEMINFO) return CopyProfileText(profile::kOemInfo, param / sizeof(wchar_t), data);
  return SystemParametersInfoW(action, param, data, winIni);
}

BOOL WINAPI CeGetVersionExW(LPOSVERSIONINFOW info) {
  auto version = ReadProfileString(profile::kOsVersion);
  if (!version || !info) return GetVersionExW(info);
  unsigned major = 0, minor = 0, build = 0;
  if (swscanf(version->c_str(), L"%u.%u.%u", &major, &minor, &build) < 2) return GetVersionExW(info);
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = build;
  info->dwPlatformId = VER_PLATFORM_WIN32_CE;
  info->szCSDVersion[0] = L'\0';
  return TRUE;
}

namespace {
const int kDesktopPriorities[8] = {THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_ABOVE_NORMAL,
                                   THREAD_PRIORITY_NORMAL,        THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_LOWEST,
                                   THREAD_PRIORITY_LOWEST,        THREAD_PRIORITY_IDLE};
}  // namespace

BOOL WINAPI CeSetThreadPriority(HANDLE thread, int priority) {
  if (priority < 0 || priority > 7) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return SetThreadPriority(thread, kDesktopPriorities[priority]);
}

int WINAPI CeGetThreadPriority(HANDLE thread) {
  int desktop = GetThreadPriority(thread);
  if (desktop == THREAD_PRIORITY_ERROR_RETURN) return desktop;
  for (int ce = 0; ce < 8; ++ce)
    if (kDesktopPriorities[ce] == desktop) return ce;
  return 3;
}

BOOL WINAPI CeSetForegroundWindow(HWND window) {
  auto value = reinterpret_cast<ULONG_PTR>(window);
  if ((value & 1) == 0) return SetForegroundWindow(window);
  HWND target = reinterpret_cast<HWND>(value & ~static_cast<ULONG_PTR>(1));
  BOOL ok = SetForegroundWindow(target);
  // The owned window the user last worked in comes forward with its owner.
  HWND popup = GetLastActivePopup(target);
  if (popup && popup != target) SetForegroundWindow(popup);
  return ok;
}

}  // extern "C"
