// Owners for Win32 resources: each releases exactly one kind of thing when it goes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qzr {

// One owner template over a traits type: Traits::Invalid() and Traits::Close(h).
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  Handle* receive() {
    reset();
    return &h_;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct KernelHandleTraits {  // events, mutexes, mappings, processes, threads
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile results, whose failure value is INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
struct ViewTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { UnmapViewOfFile(h); }
};
struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct DcTraits {  // memory DCs from CreateCompatibleDC, not window DCs
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using MappedView = UniqueHandle<ViewTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using MemoryDC = UniqueHandle<DcTraits>;

// A library bound by name, freed when its owner goes, with typed look-ups of its exports:
// device libraries are optional, so every caller must handle a missing library or entry.
class Library : public UniqueHandle<LibraryTraits> {
 public:
  Library() = default;
  explicit Library(HMODULE h) : UniqueHandle(h) {}
  explicit Library(const wchar_t* name) : UniqueHandle(LoadLibraryW(name)) {}

  // The export `name` as a function pointer of type Fn; null when the library or entry is missing.
  template <typename Fn>
  Fn Proc(const char* name) const {
    if (!get()) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(get(), name)));
  }
};

// The two handles CreateProcess returns, released together.
struct StartedProcess {
  KernelHandle process;
  KernelHandle thread;
  DWORD processId = 0;

  StartedProcess() = default;
  explicit StartedProcess(const PROCESS_INFORMATION& pi)
      : process(pi.hProcess), thread(pi.hThread), processId(pi.dwProcessId) {}
  explicit operator bool() const { return static_cast<bool>(process); }
};

// A critical section that lives and dies with its owner; take it with CriticalSectionLock.
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&cs_); }
  ~CriticalSection() { DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&cs_); }
  void Leave() { LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

// A registry key with typed reads that tell "not there" (nullopt) apart from "empty".
// Device paths may start with a backslash ("\Software\..."); desktop Win32 refuses that,
// so it is dropped here.
class RegKey {
 public:
  RegKey() = default;
  static std::wstring DevicePath(const std::wstring& path) {
    size_t skip = 0;
    while (skip < path.size() && path[skip] == L'\\') ++skip;
    return path.substr(skip);
  }
  bool Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
    HKEY h = nullptr;
    LONG rc = RegOpenKeyExW(root, DevicePath(path).c_str(), 0, access, &h);
    key_.reset(rc == ERROR_SUCCESS ? h : nullptr);
    return rc == ERROR_SUCCESS;
  }
  bool Create(HKEY root, const std::wstring& path, REGSAM access = KEY_ALL_ACCESS, DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY h = nullptr;
    LONG rc = RegCreateKeyExW(root, DevicePath(path).c_str(), 0, nullptr, options, access, nullptr, &h, nullptr);
    key_.reset(rc == ERROR_SUCCESS ? h : nullptr);
    return rc == ERROR_SUCCESS;
  }
  HKEY get() const { return key_.get(); }
  explicit operator bool() const { return static_cast<bool>(key_); }

  std::optional<std::wstring> ReadString(const wchar_t* name) const {
    DWORD type = 0, size = 0;
    if (!key_ || RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
      return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  std::optional<DWORD> ReadDword(const wchar_t* name) const {
    DWORD type = 0, value = 0, size = sizeof value;
    if (!key_ || RegQueryValueExW(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
      return std::nullopt;
    if (type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
  }
  std::optional<std::vector<BYTE>> ReadBinary(const wchar_t* name, DWORD* typeOut = nullptr) const {
    DWORD type = 0, size = 0;
    if (!key_ || RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    if (typeOut) *typeOut = type;
    return data;
  }
  bool WriteString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    return key_ && RegSetValueExW(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool WriteDword(const wchar_t* name, DWORD value) {
    return key_ && RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
  }
  bool WriteBinary(const wchar_t* name, const void* data, DWORD size, DWORD type = REG_BINARY) {
    return key_ && RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  }
  bool DeleteValue(const wchar_t* name) { return key_ && RegDeleteValueW(key_.get(), name) == ERROR_SUCCESS; }

 private:
  UniqueHandle<RegKeyTraits> key_;
};

// Selects a GDI object into a DC for the owner's lifetime.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~ScopedSelectObject() { SelectObject(dc_, old_); }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace qzr
