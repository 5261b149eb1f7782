// INI file access: the file is read afresh for every lookup, as a command may change it.
#include "IniFile.h"

#include "wince.h"

#include "Win32Owners.h"

namespace qzrsetup {

std::string ReadFileBytes(const std::wstring& path) {
  qzr::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[16384];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::wstring GetIniString(const std::wstring& path, const char* section, const char* key, const wchar_t* fallback,
                          size_t maxChars) {
  auto value = LookupIniKey(ReadFileBytes(path), section, key);
  std::wstring text = value ? WideFromAnsi(*value) : std::wstring(fallback);
  if (text.size() > maxChars) text.resize(maxChars);
  return text;
}

std::optional<std::vector<IniEntry>> GetIniSection(const std::wstring& path, const char* section, size_t lineBytes) {
  return WalkIniSection(ReadFileBytes(path), section, lineBytes);
}

}  // namespace qzrsetup
