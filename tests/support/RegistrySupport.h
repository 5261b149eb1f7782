// Registry values with their type and bytes, for tests that change them and put them back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Win32Owners.h"

namespace testing_support {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  bool operator==(const RawValue&) const = default;
};

inline std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name) {
  qzr::RegKey key;
  RawValue v;
  auto data = key.Open(root, path) ? key.ReadBinary(name, &v.type) : std::nullopt;
  if (!data) return std::nullopt;
  v.data = std::move(*data);
  return v;
}

inline bool KeyExists(HKEY root, const std::wstring& path) { return qzr::RegKey().Open(root, path); }

inline bool WriteRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<BYTE>& data,
                     DWORD options = REG_OPTION_NON_VOLATILE) {
  qzr::RegKey key;
  return key.Create(root, path, KEY_ALL_ACCESS, options) &&
         key.WriteBinary(name, data.data(), static_cast<DWORD>(data.size()), type);
}

inline std::vector<BYTE> TextBytes(const std::wstring& text, size_t extraNulls = 1) {
  std::vector<BYTE> b;
  for (wchar_t c : text) {
    b.push_back(static_cast<BYTE>(c & 0xFF));
    b.push_back(static_cast<BYTE>(c >> 8));
  }
  b.insert(b.end(), extraNulls * 2, 0);
  return b;
}

// Registry values saved, and put back as they were when the scope ends: a value that was not
// there is deleted, and a key that was not there goes with everything in it.
class SavedValues {
 public:
  struct Name { HKEY root; std::wstring path; const wchar_t* name; };
  explicit SavedValues(std::vector<Name> names) {
    for (Name& n : names) saved_.push_back({n, KeyExists(n.root, n.path), ReadRaw(n.root, n.path, n.name)});
  }
  ~SavedValues() {
    for (const Saved& s : saved_) {
      if (!s.keyExisted) RegDeleteTreeW(s.name.root, s.name.path.c_str());
      else if (s.value) WriteRaw(s.name.root, s.name.path, s.name.name, s.value->type, s.value->data);
      else RegDeleteKeyValueW(s.name.root, s.name.path.c_str(), s.name.name);
    }
  }
  SavedValues(const SavedValues&) = delete;
  SavedValues& operator=(const SavedValues&) = delete;

 private:
  struct Saved { Name name; bool keyExisted; std::optional<RawValue> value; };
  std::vector<Saved> saved_;
};

}  // namespace testing_support
