// Registry actions of the setup library.
#include "Registry.h"

#include "wince.h"

#include <cwchar>
#include <vector>

#include "Macros.h"
#include "Records.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "Win32Owners.h"
#include "WritePoints.h"

namespace qzrsetup {

namespace {

using KeyOwner = qzr::UniqueHandle<qzr::RegKeyTraits>;

struct CreatedKey {
  KeyOwner key;
  LONG result = ERROR_INVALID_HANDLE;
  bool isNew = false;
};

CreatedKey CreateKey(HKEY root, const std::wstring& path, const wchar_t* keyClass) {
  CreatedKey created;
  HKEY key = nullptr;
  DWORD disposition = 0;
  // Desktop registry paths must not start with a backslash; device ones may.
  std::wstring devicePath = qzr::RegKey::DevicePath(path);
  created.result = RegCreateKeyExW(root, devicePath.c_str(), 0, const_cast<wchar_t*>(keyClass), REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (created.result == ERROR_SUCCESS) {
    created.key.reset(key);
    created.isNew = disposition == REG_CREATED_NEW_KEY;
    if (created.isNew) AfterWrite(L"registry key");
  }
  return created;
}

// A key that cannot be opened for another reason than its absence counts as there: it is not
// ours to delete.
bool KeyExists(HKEY root, const std::wstring& path) {
  qzr::UniqueHandle<qzr::RegKeyTraits> key;
  const LONG rc = RegOpenKeyExW(root, qzr::RegKey::DevicePath(path).c_str(), 0, KEY_READ, key.receive());
  if (rc != ERROR_SUCCESS) key.release();  // not a handle to close
  return rc != ERROR_FILE_NOT_FOUND;
}

// The keys on the way to `path`, and `path` itself, that creating it will make, outermost first.
std::vector<std::wstring> MissingKeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> missing;
  for (std::wstring key = path; !key.empty() && !KeyExists(root, key);) {
    missing.insert(missing.begin(), key);
    size_t cut = key.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut == 0) break;
    key.resize(cut);
  }
  return missing;
}

std::vector<BYTE> TextBytes(const std::wstring& text, bool withTerminator) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  size_t size = (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t);
  return std::vector<BYTE>(begin, begin + size);
}

// Uninstallation deletes what a record names; a record that would name something else is
// left out, and the log says what stays behind.
void RecordKey(SetupRun& run, long root, const std::wstring& key) {
  if (!IsRecordableRegistryName(key)) {
    LogAlways(run, kLogKeyNotRecorded, key);
    return;
  }
  Record(run, kRecordKey, root, key);
}

void RecordValue(SetupRun& run, long root, const std::wstring& key, const std::wstring& valueName) {
  if (!IsRecordableRegistryName(key) || !IsRecordableRegistryName(valueName)) {
    LogAlways(run, kLogValueNotRecorded, key, valueName);
    return;
  }
  Record(run, kRecordValue, root, key, valueName);
}

// Creates or opens a key; a key this installation makes has its "R:K" record in the file
// before it exists. Only such a key may be deleted at uninstallation: a key that was there
// before holds other programs' settings.
// Keys made on the way to it are the installation's too, each with its record, outermost first.
CreatedKey CreateRecordedKey(SetupRun& run, HKEY root, const std::wstring& path, const wchar_t* keyClass) {
  const std::vector<std::wstring> missing = MissingKeys(root, path);
  const bool existed = missing.empty();
  RecordsAhead ahead(run);
  for (const std::wstring& key : missing) RecordKey(run, RootKeyNumber(root), key);
  CreatedKey created = CreateKey(root, path, keyClass);
  if (created.result != ERROR_SUCCESS || !created.isNew) ahead.TakeBack();
  // Gone since the look: made by us after all.
  else if (existed) RecordKey(run, RootKeyNumber(root), path);
  return created;
}

}  // namespace

void WriteRegistryEntry(SetupRun& run, const RegistryEntry& entry) {
  const long rootNumber = RootKeyNumber(entry.root);
  if (entry.type == kTypeKeyOnly) {
    CreatedKey created = CreateRecordedKey(run, entry.root, entry.key, kKeyOnlyClass);
    if (created.result != ERROR_SUCCESS) {
      LogVerbose(run, kLogCreateKeyError, created.result, entry.key);
      return;
    }
    LogVerbose(run, kLogCreatedKey, entry.key);
    RegFlushKey(created.key.get());
    return;
  }

  CreatedKey created = CreateRecordedKey(run, entry.root, entry.key, nullptr);
  if (created.result != ERROR_SUCCESS) LogVerbose(run, kLogCreateKeyError, created.result, entry.key);
  else LogVerbose(run, kLogCreatedKey, entry.key);

  std::vector<BYTE> data;
  std::wstring shownText;
  DWORD number = 0;
  switch (entry.type) {
    case kTypeBinary:
      LogVerbose(run, kLogRegWriteBinary, entry.valueName);
      data = entry.bytes ? std::vector<BYTE>(entry.bytes->begin(), entry.bytes->end()) : TextBytes(entry.text, false);
      break;
    case kTypeDword: {
      number = static_cast<DWORD>(std::wcstoll(entry.text.c_str(), nullptr, 10));
      const BYTE* p = reinterpret_cast<const BYTE*>(&number);
      data.assign(p, p + sizeof number);
      LogVerbose(run, kLogRegWriteDword, entry.valueName, static_cast<long>(number));
      break;
    }
    case kTypeString:
      if (entry.text == kNullData) {
        data.assign(4, 0);
      } else {
        shownText = ExpandMacro(entry.text, kMacroInstallDir, run.installPath);
        if (shownText.size() > 259) shownText.resize(259);
        if (!shownText.empty()) data = TextBytes(shownText, true);
        LogVerbose(run, kLogRegWriteString, entry.valueName, shownText);
      }
      break;
    default: break;
  }

  RecordsAhead ahead(run);
  if (created.key) RecordValue(run, rootNumber, entry.key, entry.valueName);
  LONG rc = RegSetValueExW(created.key.get(), entry.valueName.c_str(), 0, entry.type, data.empty() ? nullptr : data.data(),
                           static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) {
    const DWORD error = GetLastError();
    ahead.TakeBack();
    LogVerbose(run, kLogSetValueError, rc, entry.valueName, static_cast<long>(error));
  } else {
    AfterWrite(L"registry value");
    if (entry.type == kTypeString) LogVerbose(run, kLogSetValueString, entry.valueName, shownText);
    else if (entry.type == kTypeDword) LogVerbose(run, kLogSetValueDword, entry.valueName, static_cast<long>(number));
    else if (entry.type == kTypeBinary) LogVerbose(run, kLogSetValueBinary);
  }
  if (created.key) RegFlushKey(created.key.get());
}

bool DeleteRegistryKey(HKEY root, const std::wstring& key) {
  std::wstring path = qzr::RegKey::DevicePath(key);
  if (path.empty()) return false;
  return RegDeleteTreeW(root, path.c_str()) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& valueName) {
  qzr::RegKey opened;
  if (!opened.Open(root, key, KEY_SET_VALUE)) return false;
  return opened.DeleteValue(valueName.c_str());
}

void ApplyRegistryRemoval(const RegistryRemoval& removal) {
  if (removal.wholeKey) DeleteRegistryKey(removal.root, removal.key);
  else DeleteRegistryValue(removal.root, removal.key, removal.valueName);
  AfterWrite(L"registry removal");
}

void WriteInstallPathValue(SetupRun& run) {
  const RegistryValueName& target = run.installPathValue.target;
  if (!target.present) return;
  // A new key is undone whole, a value in a key that was there by its "R:V" record; either
  // record is in the file before the change.
  CreatedKey created = CreateRecordedKey(run, target.root, target.key, nullptr);
  if (created.result != ERROR_SUCCESS) return;
  if (!created.isNew) RecordValue(run, RootKeyNumber(target.root), target.key, target.valueName);
  std::wstring path = run.installPath.empty() ? std::wstring(L"\\") : run.installPath;
  std::vector<BYTE> data = TextBytes(path, true);
  if (RegSetValueExW(created.key.get(), target.valueName.c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())) ==
      ERROR_SUCCESS)
    AfterWrite(L"registry value");
  RegFlushKey(created.key.get());
}

Version ReadInstalledVersion(const VersionRequirement& requirement) {
  const RegistryValueName& value = requirement.installed;
  qzr::RegKey key;
  if (!key.Open(value.root, value.key)) return {};
  wchar_t text[32] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), value.valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
      ERROR_SUCCESS)
    return {};
  text[31] = L'\0';
  return ParseVersionText(text);
}

}  // namespace qzrsetup
