// Reads and writes the simulated handheld's device profile in the registry.
#include "DeviceProfile.h"

#include "Win32Owners.h"

namespace wince {
namespace {

using ProfileKey = qzr::UniqueHandle<qzr::RegKeyTraits>;

ProfileKey OpenProfile(bool write) {
  HKEY key = nullptr;
  LONG rc = write ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProfileKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                  : RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileKey, 0, KEY_READ, &key);
  return ProfileKey(rc == ERROR_SUCCESS ? key : nullptr);
}

std::optional<std::vector<BYTE>> ReadRaw(const wchar_t* name, DWORD* type) {
  ProfileKey key = OpenProfile(false);
  if (!key) return std::nullopt;
  DWORD size = 0;
  std::optional<std::vector<BYTE>> result;
  if (RegQueryValueExW(key.get(), name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.get(), name, nullptr, type, data.data(), &size) == ERROR_SUCCESS) {
      data.resize(size);
      result = std::move(data);
    }
  }
  return result;
}

bool WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ProfileKey key = OpenProfile(true);
  return key && RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

std::optional<std::wstring> ReadProfileString(const wchar_t* name) {
  DWORD type = 0;
  auto raw = ReadRaw(name, &type);
  if (!raw || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  std::wstring text(reinterpret_cast<const wchar_t*>(raw->data()), raw->size() / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::optional<std::vector<BYTE>> ReadProfileBinary(const wchar_t* name) {
  DWORD type = 0;
  auto raw = ReadRaw(name, &type);
  if (!raw || type != REG_BINARY) return std::nullopt;
  return raw;
}

bool WriteProfileString(const wchar_t* name, const std::wstring& value) {
  return WriteRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool WriteProfileBinary(const wchar_t* name, const std::vector<BYTE>& value) {
  return WriteRaw(name, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}

bool DeleteProfileValue(const wchar_t* name) {
  ProfileKey key = OpenProfile(true);
  if (!key) return false;
  LONG rc = RegDeleteValueW(key.get(), name);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool ClearProfile() {
  LONG rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProfileKey);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

bool AppendLineToFile(const std::wstring& path, const std::string& utf8Line) {
  // FILE_APPEND_DATA makes each single WriteFile land whole at the end, even with
  // several processes writing the same file.
  qzr::FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string line = utf8Line + "\r\n";
  DWORD written = 0;
  return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

void AppendJournal(const std::wstring& line) {
  if (auto path = ReadProfileString(profile::kJournalFile); path && !path->empty())
    AppendLineToFile(*path, ToUtf8(line));
}

}  // namespace wince
