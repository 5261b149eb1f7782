// Gatewarden's start-up and its two roles: the resident instance that hooks the shell's open
// command while the launcher runs, and the per-launch instance that decides one program.
#pragma once

#include <windows.h>

#include <string>

#include "WhitelistCache.h"

namespace qzr::monitor {

inline constexpr const wchar_t* kSingletonMutexName = whitelist::kMonitorSingletonName;
inline constexpr wchar_t kMonitorEventName[] = L"QZR_GWARDEN_EVENT_##_";
inline constexpr wchar_t kProgramFileName[] = L"Gatewarden.exe";
inline constexpr wchar_t kHookedExtension[] = L".exe";
inline constexpr DWORD kSingletonWaitMs = 10000;

// The running program's folder, lower-cased, followed by "Gatewarden.exe"; and in quotes.
std::wstring OwnCommandPath();
std::wstring QuotedCommandPath(const std::wstring& ownCommandPath);

// The whole life of the program; returns 0 in every case.
int RunGatewarden(int argc, const wchar_t* const* argv);

}  // namespace qzr::monitor
