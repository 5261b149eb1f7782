// The package INI and the uninstall command file read from disk, one lookup at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "IniText.h"

namespace qzrsetup {

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);

// The value of a key as UTF-16, cut to maxChars; `fallback` when the key is missing.
std::wstring GetIniString(const std::wstring& path, const char* section, const char* key, const wchar_t* fallback,
                          size_t maxChars);

std::optional<std::vector<IniEntry>> GetIniSection(const std::wstring& path, const char* section, size_t lineBytes);

}  // namespace qzrsetup
