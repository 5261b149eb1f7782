// The in-memory world behind the native Win32 slice: what a fuzz target puts in and takes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace native {

// Forgets every file, folder, kernel object and shared block.
void ResetWorld();
void PutFile(const std::wstring& path, const uint8_t* data, size_t size);
std::optional<std::vector<uint8_t>> GetFile(const std::wstring& path);
// The folder and its parents.
void AddFolder(const std::wstring& path);
size_t FileCount();
// Every file's path, lower-cased, with backslashes and a leading one.
std::vector<std::wstring> FilePaths();

}  // namespace native
