// Putting Gatewarden in front of the shell's open command for a file class, and taking it out.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qzr::monitor {

inline constexpr DWORD kClassNameBufferBytes = 200;
inline constexpr DWORD kCommandBufferBytes = 2000;
inline constexpr size_t kKeyPathLimit = 500;
inline constexpr size_t kCommandLimit = 1000;
inline constexpr wchar_t kOpenCommandKey[] = L"\\shell\\open\\command";
inline constexpr wchar_t kOpenDocCommandKey[] = L"\\Shell\\OpenDoc\\Command";
// The device keeps a key's standard value under this name.
inline constexpr wchar_t kDefaultValueName[] = L"Default";

// The command with the quoted monitor path and a blank in front; the command itself when it
// already holds the path (compared with case); nothing when the result would be too long.
std::optional<std::wstring> ComposeHookedCommand(const std::wstring& command, const std::wstring& quotedPath);
// The command as it was before hooking; nothing when it holds no hook.
std::optional<std::wstring> ComposeUnhookedCommand(const std::wstring& command, const std::wstring& quotedPath);

// One registry routine for both: opens `keyPath` under `root`, reads the string value into
// `read` when given (only when it is smaller than `bufferBytes`), then writes `write` as REG_SZ
// when given.
bool RegistryString(HKEY root, const std::wstring& keyPath, const wchar_t* valueName, std::wstring* read,
                    DWORD bufferBytes, const std::wstring* write);

// True when either the open or the open-document command now starts the monitor first.
bool HookOpenCommand(HKEY root, const std::wstring& extension, const std::wstring& quotedPath);
void UnhookOpenCommand(HKEY root, const std::wstring& extension, const std::wstring& quotedPath);

}  // namespace qzr::monitor
