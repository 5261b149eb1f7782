// The Win32 slice of include/windows.h over memory: a file system of paths to byte vectors,
// kernel objects that never block, shared blocks in plain heap memory, and the code pages the
// rules convert with (Windows-1252 as ANSI, 437 read as Latin-1, UTF-8). ResetNativeWorld()
// starts each fuzz input from nothing.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <ioapi.h>

#include "NativeWorld.h"

namespace {

struct FileData {
  std::vector<uint8_t> bytes;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  FILETIME creation{}, access{}, write{};
};

enum class Kind { File, Find, Mutex, Event, Mapping, Thread };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  Kind kind;
  std::shared_ptr<FileData> file;  // File
  size_t position = 0;
  bool writable = false;
  bool signalled = false;  // Event
  std::wstring name;       // Mutex, Event, Mapping
  std::shared_ptr<std::vector<uint8_t>> block;  // Mapping
};

struct World {
  std::map<std::wstring, std::shared_ptr<FileData>> files;
  std::vector<std::wstring> folders;
  std::map<std::wstring, std::shared_ptr<std::vector<uint8_t>>> blocks;
  std::map<std::wstring, bool> events;
  std::vector<std::unique_ptr<Object>> objects;
  UINT tempCounter = 0;
};

World& TheWorld() {
  static World* world = new World;
  return *world;
}

thread_local DWORD lastError = 0;

// Paths compare as the device compares them: without regard to case, "/" as "\", a drive
// letter ignored, no trailing backslash.
std::wstring Key(const wchar_t* path) {
  std::wstring key;
  if (!path) return key;
  const wchar_t* p = path;
  if (p[0] && p[1] == L':') p += 2;
  for (; *p; ++p) {
    wchar_t c = *p == L'/' ? L'\\' : *p;
    if (c == L'\\' && !key.empty() && key.back() == L'\\') continue;
    key.push_back(c <= 0xFFFF ? static_cast<wchar_t>(towlower(c)) : c);
  }
  if (key.empty() || key[0] != L'\\') key.insert(key.begin(), L'\\');
  while (key.size() > 1 && key.back() == L'\\') key.pop_back();
  return key;
}

std::wstring Parent(const std::wstring& key) {
  size_t slash = key.find_last_of(L'\\');
  return slash == 0 || slash == std::wstring::npos ? L"\\" : key.substr(0, slash);
}

bool FolderExists(const std::wstring& key) {
  if (key == L"\\") return true;
  auto& f = TheWorld().folders;
  return std::find(f.begin(), f.end(), key) != f.end();
}

Object* AsObject(HANDLE h, Kind kind) {
  if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
  for (auto& o : TheWorld().objects)
    if (o.get() == h) return o->kind == kind ? o.get() : nullptr;
  return nullptr;
}

HANDLE Add(std::unique_ptr<Object> object) {
  HANDLE h = object.get();
  TheWorld().objects.push_back(std::move(object));
  return h;
}

BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

// Windows-1252's 0x80..0x9F; the five bytes it leaves open map to the C1 controls, as Windows does.
const uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                  0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                  0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t AnsiChar(UINT codePage, uint8_t b) {
  if (codePage == CP_OEMCP || codePage == 437 || b < 0x80 || b >= 0xA0) return b;
  return kCp1252High[b - 0x80];
}

bool AnsiByte(wchar_t c, uint8_t* b) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    *b = static_cast<uint8_t>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) {
      *b = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  return false;
}

// UTF-16 units of one UTF-8 sequence at p (n bytes left); returns the bytes used, 0 when invalid.
size_t DecodeUtf8(const uint8_t* p, size_t n, std::u16string& out) {
  uint32_t cp;
  size_t len;
  if (p[0] < 0x80) {
    out.push_back(p[0]);
    return 1;
  }
  if (p[0] >= 0xC2 && p[0] <= 0xDF) cp = p[0] & 0x1F, len = 2;
  else if (p[0] >= 0xE0 && p[0] <= 0xEF) cp = p[0] & 0x0F, len = 3;
  else if (p[0] >= 0xF0 && p[0] <= 0xF4) cp = p[0] & 0x07, len = 4;
  else return 0;
  if (len > n) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  if (cp > 0xFFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
  return len;
}

// glibc stream functions over an in-memory file, for _wfopen.
ssize_t CookieRead(void* cookie, char* buffer, size_t size) {
  auto* o = static_cast<Object*>(cookie);
  auto& bytes = o->file->bytes;
  if (o->position >= bytes.size()) return 0;
  size_t n = std::min(size, bytes.size() - o->position);
  memcpy(buffer, bytes.data() + o->position, n);
  o->position += n;
  return static_cast<ssize_t>(n);
}

ssize_t CookieWrite(void* cookie, const char* buffer, size_t size) {
  auto* o = static_cast<Object*>(cookie);
  if (!o->writable) return -1;
  auto& bytes = o->file->bytes;
  if (bytes.size() < o->position + size) bytes.resize(o->position + size);
  memcpy(bytes.data() + o->position, buffer, size);
  o->position += size;
  return static_cast<ssize_t>(size);
}

int CookieSeek(void* cookie, off64_t* offset, int whence) {
  auto* o = static_cast<Object*>(cookie);
  off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off64_t>(o->position)
                                                             : static_cast<off64_t>(o->file->bytes.size());
  off64_t target = base + *offset;
  if (target < 0) return -1;
  o->position = static_cast<size_t>(target);
  *offset = target;
  return 0;
}

int CookieClose(void* cookie) {
  CloseHandle(cookie);
  return 0;
}

// minizip's Win32 file functions, over the same in-memory files.
voidpf ZCALLBACK ZipOpen(voidpf, const void* name, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  HANDLE h = CreateFileW(static_cast<const wchar_t*>(name), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}
uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buf, uLong size) {
  DWORD got = 0;
  return ReadFile(stream, buf, size, &got, nullptr) ? got : 0;
}
uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) {
  Object* o = AsObject(stream, Kind::File);
  return o ? o->position : static_cast<ZPOS64_T>(-1);
}
long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Object* o = AsObject(stream, Kind::File);
  if (!o) return -1;
  ZPOS64_T base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? o->position : o->file->bytes.size();
  o->position = static_cast<size_t>(base + offset);
  return 0;
}
int ZCALLBACK ZipClose(voidpf, voidpf stream) { return CloseHandle(stream) ? 0 : -1; }
int ZCALLBACK ZipError(voidpf, voidpf) { return 0; }

}  // namespace

namespace native {

void ResetWorld() {
  World& w = TheWorld();
  w.files.clear();
  w.folders.clear();
  w.blocks.clear();
  w.events.clear();
  w.objects.clear();
  w.tempCounter = 0;
}

void PutFile(const std::wstring& path, const uint8_t* data, size_t size) {
  auto file = std::make_shared<FileData>();
  file->bytes.assign(data, data + size);
  TheWorld().files[Key(path.c_str())] = file;
}

std::optional<std::vector<uint8_t>> GetFile(const std::wstring& path) {
  auto& files = TheWorld().files;
  auto it = files.find(Key(path.c_str()));
  if (it == files.end()) return std::nullopt;
  return it->second->bytes;
}

void AddFolder(const std::wstring& path) {
  std::wstring key = Key(path.c_str());
  for (std::wstring k = key; k != L"\\"; k = Parent(k))
    if (!FolderExists(k)) TheWorld().folders.push_back(k);
}

size_t FileCount() { return TheWorld().files.size(); }

std::vector<std::wstring> FilePaths() {
  std::vector<std::wstring> paths;
  for (const auto& [path, file] : TheWorld().files) paths.push_back(path);
  for (const std::wstring& folder : TheWorld().folders) paths.push_back(folder + L"\\");
  return paths;
}

}  // namespace native

extern "C" {

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD error) { lastError = error; }
void WINAPI Sleep(DWORD) {}

BOOL WINAPI CloseHandle(HANDLE handle) {
  auto& objects = TheWorld().objects;
  for (auto it = objects.begin(); it != objects.end(); ++it)
    if (it->get() == handle) {
      objects.erase(it);
      return TRUE;
    }
  return Fail(ERROR_INVALID_HANDLE);
}

HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                          HANDLE) {
  std::wstring key = Key(name);
  auto& files = TheWorld().files;
  auto it = files.find(key);
  bool writing = (access & GENERIC_WRITE) != 0;
  if (FolderExists(key)) return lastError = ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE;
  if (it == files.end()) {
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
      return lastError = ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE;
    if (!FolderExists(Parent(key))) return lastError = ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE;
    auto file = std::make_shared<FileData>();
    file->attributes = flags & 0xFFFF ? flags & 0xFFFF : FILE_ATTRIBUTE_ARCHIVE;
    it = files.emplace(key, file).first;
  } else {
    if (disposition == CREATE_NEW) return lastError = ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE;
    if (writing && (it->second->attributes & FILE_ATTRIBUTE_READONLY))
      return lastError = ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE;
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) it->second->bytes.clear();
  }
  auto object = std::make_unique<Object>(Kind::File);
  object->file = it->second;
  object->writable = writing;
  lastError = 0;
  return Add(std::move(object));
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
  Object* o = AsObject(file, Kind::File);
  if (read) *read = 0;
  if (!o) return Fail(ERROR_INVALID_HANDLE);
  auto& bytes = o->file->bytes;
  size_t n = o->position >= bytes.size() ? 0 : std::min<size_t>(size, bytes.size() - o->position);
  if (n) memcpy(buffer, bytes.data() + o->position, n);
  o->position += n;
  if (read) *read = static_cast<DWORD>(n);
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED) {
  Object* o = AsObject(file, Kind::File);
  if (written) *written = 0;
  if (!o || !o->writable) return Fail(ERROR_ACCESS_DENIED);
  auto& bytes = o->file->bytes;
  // Extraction of a hostile archive must not take the fuzzer's memory with it.
  if (o->position + size > (64u << 20)) return Fail(ERROR_ACCESS_DENIED);
  if (bytes.size() < o->position + size) bytes.resize(o->position + size);
  if (size) memcpy(bytes.data() + o->position, buffer, size);
  o->position += size;
  if (written) *written = size;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  Object* o = AsObject(file, Kind::File);
  if (!o) return Fail(ERROR_INVALID_HANDLE), INVALID_SET_FILE_POINTER;
  int64_t move = distanceHigh ? (static_cast<int64_t>(*distanceHigh) << 32) | static_cast<uint32_t>(distance) : distance;
  int64_t base = method == FILE_BEGIN ? 0 : method == FILE_CURRENT ? static_cast<int64_t>(o->position)
                                                                   : static_cast<int64_t>(o->file->bytes.size());
  if (base + move < 0) return Fail(ERROR_INVALID_PARAMETER), INVALID_SET_FILE_POINTER;
  o->position = static_cast<size_t>(base + move);
  if (distanceHigh) *distanceHigh = static_cast<LONG>(o->position >> 32);
  lastError = 0;
  return static_cast<DWORD>(o->position);
}

BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method) {
  LONG high = distance.HighPart;
  DWORD low = SetFilePointer(file, static_cast<LONG>(distance.LowPart), &high, method);
  if (low == INVALID_SET_FILE_POINTER && lastError != 0) return FALSE;
  if (newPosition) newPosition->QuadPart = (static_cast<int64_t>(high) << 32) | low;
  return TRUE;
}

BOOL WINAPI GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
  Object* o = AsObject(file, Kind::File);
  if (!o || !size) return Fail(ERROR_INVALID_HANDLE);
  size->QuadPart = static_cast<int64_t>(o->file->bytes.size());
  lastError = 0;
  return TRUE;
}

BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
  Object* o = AsObject(file, Kind::File);
  if (!o) return Fail(ERROR_INVALID_HANDLE);
  if (creation) o->file->creation = *creation;
  if (access) o->file->access = *access;
  if (write) o->file->write = *write;
  return TRUE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR name) {
  std::wstring key = Key(name);
  if (FolderExists(key)) return FILE_ATTRIBUTE_DIRECTORY;
  auto it = TheWorld().files.find(key);
  if (it == TheWorld().files.end()) return lastError = ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES;
  return it->second->attributes;
}

BOOL WINAPI GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS, LPVOID info) {
  auto it = TheWorld().files.find(Key(name));
  if (it == TheWorld().files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info);
  *data = WIN32_FILE_ATTRIBUTE_DATA{};
  data->dwFileAttributes = it->second->attributes;
  data->ftCreationTime = it->second->creation;
  data->ftLastAccessTime = it->second->access;
  data->ftLastWriteTime = it->second->write;
  data->nFileSizeLow = static_cast<DWORD>(it->second->bytes.size());
  return TRUE;
}

BOOL WINAPI SetFileAttributesW(LPCWSTR name, DWORD attributes) {
  auto it = TheWorld().files.find(Key(name));
  if (it == TheWorld().files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  it->second->attributes = attributes == FILE_ATTRIBUTE_NORMAL ? FILE_ATTRIBUTE_NORMAL : attributes;
  return TRUE;
}

BOOL WINAPI CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
  std::wstring key = Key(name);
  if (FolderExists(key) || TheWorld().files.count(key)) return Fail(ERROR_ALREADY_EXISTS);
  if (!FolderExists(Parent(key))) return Fail(ERROR_PATH_NOT_FOUND);
  TheWorld().folders.push_back(key);
  return TRUE;
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR name) {
  auto& f = TheWorld().folders;
  auto it = std::find(f.begin(), f.end(), Key(name));
  if (it == f.end()) return Fail(ERROR_FILE_NOT_FOUND);
  f.erase(it);
  return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR name) {
  auto it = TheWorld().files.find(Key(name));
  if (it == TheWorld().files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (it->second->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  TheWorld().files.erase(it);
  return TRUE;
}

// A copy (keepSource) or a rename of from to to. An existing to is replaced only when replace is
// set and it is writable; otherwise the call fails with existsError.
static BOOL TransferFile(LPCWSTR from, LPCWSTR to, bool replace, bool keepSource, DWORD existsError) {
  auto& files = TheWorld().files;
  auto src = files.find(Key(from));
  if (src == files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  std::wstring target = Key(to);
  auto dst = files.find(target);
  if (dst != files.end() && (!replace || (dst->second->attributes & FILE_ATTRIBUTE_READONLY)))
    return Fail(replace ? ERROR_ACCESS_DENIED : existsError);
  if (!FolderExists(Parent(target))) return Fail(ERROR_PATH_NOT_FOUND);
  std::shared_ptr<FileData> data = keepSource ? std::make_shared<FileData>(*src->second) : src->second;
  if (!keepSource) files.erase(src);
  files[target] = data;
  return TRUE;
}

BOOL WINAPI CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  return TransferFile(from, to, !failIfExists, true, ERROR_FILE_EXISTS);
}

BOOL WINAPI MoveFileW(LPCWSTR from, LPCWSTR to) { return TransferFile(from, to, false, false, ERROR_ALREADY_EXISTS); }

extern "C" BOOL WINAPI DeleteAndRenameFile(LPCWSTR dest, LPCWSTR source) {
  if (TheWorld().files.find(Key(dest)) == TheWorld().files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  return TransferFile(source, dest, true, false, ERROR_ALREADY_EXISTS);
}

UINT WINAPI GetTempFileNameW(LPCWSTR folder, LPCWSTR prefix, UINT, LPWSTR result) {
  std::wstring base = folder ? folder : L"";
  if (!FolderExists(Key(base.c_str()))) return Fail(ERROR_PATH_NOT_FOUND);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  UINT n = ++TheWorld().tempCounter;
  wchar_t name[32];
  swprintf(name, 32, L"%.3ls%X.tmp", prefix ? prefix : L"", n);
  std::wstring path = base + name;
  if (path.size() >= MAX_PATH) return Fail(ERROR_INVALID_PARAMETER);
  TheWorld().files[Key(path.c_str())] = std::make_shared<FileData>();
  wcscpy(result, path.c_str());
  return n;
}

HANDLE WINAPI FindFirstFileW(LPCWSTR, LPWIN32_FIND_DATAW) { return lastError = ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE; }
BOOL WINAPI FindNextFileW(HANDLE, LPWIN32_FIND_DATAW) { return FALSE; }
BOOL WINAPI FindClose(HANDLE) { return TRUE; }

DWORD WINAPI GetModuleFileNameW(HMODULE, LPWSTR name, DWORD size) {
  const wchar_t own[] = L"\\Windows\\QZRShell.exe";
  DWORD n = std::min<DWORD>(size ? size - 1 : 0, static_cast<DWORD>(wcslen(own)));
  if (size) {
    wmemcpy(name, own, n);
    name[n] = 0;
  }
  return n;
}

BOOL WINAPI DosDateTimeToFileTime(WORD date, WORD time, LPFILETIME fileTime) {
  unsigned day = date & 31, month = (date >> 5) & 15, year = 1980 + (date >> 9);
  unsigned second = (time & 31) * 2, minute = (time >> 5) & 63, hour = time >> 11;
  if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59) return Fail(ERROR_INVALID_PARAMETER);
  // Days since 1601-01-01 by the civil calendar.
  int y = static_cast<int>(year) - (month <= 2);
  int era = y / 400, yoe = y - era * 400;
  int doy = (153 * (static_cast<int>(month) + (month > 2 ? -3 : 9)) + 2) / 5 + static_cast<int>(day) - 1;
  int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 584389;
  uint64_t ticks = ((static_cast<uint64_t>(days) * 86400 + hour * 3600 + minute * 60 + second)) * 10000000ull;
  fileTime->dwLowDateTime = static_cast<DWORD>(ticks);
  fileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return TRUE;
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc) {
  *utc = *local;
  return TRUE;
}

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name) {
  auto object = std::make_unique<Object>(Kind::Mutex);
  object->name = name ? name : L"";
  lastError = 0;
  return Add(std::move(object));
}
HANDLE WINAPI OpenMutexW(DWORD, BOOL, LPCWSTR name) {
  const std::wstring wanted = name ? name : L"";
  for (const auto& o : TheWorld().objects)
    if (o->kind == Kind::Mutex && !wanted.empty() && o->name == wanted) {
      auto object = std::make_unique<Object>(Kind::Mutex);
      object->name = wanted;
      lastError = 0;
      return Add(std::move(object));
    }
  return Fail(ERROR_FILE_NOT_FOUND), nullptr;
}
BOOL WINAPI ReleaseMutex(HANDLE mutex) { return AsObject(mutex, Kind::Mutex) ? TRUE : Fail(ERROR_INVALID_HANDLE); }

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL, BOOL initialState, LPCWSTR name) {
  auto object = std::make_unique<Object>(Kind::Event);
  object->name = name ? name : L"";
  auto& events = TheWorld().events;
  lastError = events.count(object->name) ? ERROR_ALREADY_EXISTS : 0;
  if (!lastError) events[object->name] = initialState != FALSE;
  return Add(std::move(object));
}
BOOL WINAPI SetEvent(HANDLE event) {
  Object* o = AsObject(event, Kind::Event);
  if (!o) return Fail(ERROR_INVALID_HANDLE);
  TheWorld().events[o->name] = true;
  return TRUE;
}
BOOL WINAPI ResetEvent(HANDLE event) {
  Object* o = AsObject(event, Kind::Event);
  if (!o) return Fail(ERROR_INVALID_HANDLE);
  TheWorld().events[o->name] = false;
  return TRUE;
}

// One thread only: a new thread's work is done before CreateThread returns.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                           LPDWORD id) {
  start(parameter);
  if (id) *id = 0;
  return Add(std::make_unique<Object>(Kind::Thread));
}

// Nothing here ever waits: a mutex is free, a thread has ended, an event answers at once.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD) {
  if (AsObject(handle, Kind::Mutex) || AsObject(handle, Kind::Thread)) return WAIT_OBJECT_0;
  if (Object* o = AsObject(handle, Kind::Event)) return TheWorld().events[o->name] ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  return Fail(ERROR_INVALID_HANDLE), WAIT_FAILED;
}

HANDLE WINAPI CreateFileMappingW(HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD sizeHigh, DWORD sizeLow, LPCWSTR name) {
  if (sizeHigh || sizeLow == 0 || sizeLow > (64u << 20)) return Fail(ERROR_INVALID_PARAMETER), nullptr;
  auto object = std::make_unique<Object>(Kind::Mapping);
  object->name = name ? name : L"";
  auto& blocks = TheWorld().blocks;
  auto it = blocks.find(object->name);
  lastError = it != blocks.end() ? ERROR_ALREADY_EXISTS : 0;
  if (it == blocks.end()) it = blocks.emplace(object->name, std::make_shared<std::vector<uint8_t>>(sizeLow)).first;
  object->block = it->second;
  return Add(std::move(object));
}

HANDLE WINAPI OpenFileMappingW(DWORD, BOOL, LPCWSTR name) {
  auto& blocks = TheWorld().blocks;
  auto it = blocks.find(name ? name : L"");
  if (it == blocks.end()) return Fail(ERROR_FILE_NOT_FOUND), nullptr;
  auto object = std::make_unique<Object>(Kind::Mapping);
  object->name = it->first;
  object->block = it->second;
  return Add(std::move(object));
}

LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD, DWORD, DWORD, SIZE_T) {
  Object* o = AsObject(mapping, Kind::Mapping);
  if (!o) return Fail(ERROR_INVALID_HANDLE), nullptr;
  return o->block->data();
}
BOOL WINAPI UnmapViewOfFile(LPCVOID) { return TRUE; }

SIZE_T WINAPI VirtualQuery(LPCVOID address, MEMORY_BASIC_INFORMATION* info, SIZE_T size) {
  for (auto& [name, block] : TheWorld().blocks)
    if (block->data() == address) {
      *info = MEMORY_BASIC_INFORMATION{};
      info->BaseAddress = const_cast<void*>(address);
      // The exact size, not a page multiple: a read past the block must show as one.
      info->RegionSize = block->size();
      return size;
    }
  return 0;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int bytes, LPWSTR out, int chars) {
  if (!text || chars < 0) return Fail(ERROR_INVALID_PARAMETER);
  size_t n = bytes < 0 ? strlen(text) + 1 : static_cast<size_t>(bytes);
  auto* p = reinterpret_cast<const uint8_t*>(text);
  std::u16string units;
  if (codePage == CP_UTF8) {
    for (size_t i = 0; i < n;) {
      size_t used = DecodeUtf8(p + i, n - i, units);
      if (used == 0) {
        if (flags & MB_ERR_INVALID_CHARS) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        units.push_back(0xFFFD);
        used = 1;
      }
      i += used;
    }
  } else {
    for (size_t i = 0; i < n; ++i) units.push_back(AnsiChar(codePage, p[i]));
  }
  if (chars == 0) return static_cast<int>(units.size());
  if (units.size() > static_cast<size_t>(chars)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  for (size_t i = 0; i < units.size(); ++i) out[i] = units[i];
  return static_cast<int>(units.size());
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH text, int chars, LPSTR out, int bytes, LPCCH,
                               LPBOOL usedDefault) {
  if (!text || bytes < 0) return Fail(ERROR_INVALID_PARAMETER);
  size_t n = chars < 0 ? wcslen(text) + 1 : static_cast<size_t>(chars);
  std::string result;
  bool defaulted = false;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]) & 0xFFFF;
    if (codePage == CP_UTF8) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && (text[i + 1] & 0xFC00) == 0xDC00) {
        c = 0x10000 + ((c - 0xD800) << 10) + ((static_cast<uint32_t>(text[i + 1]) & 0xFFFF) - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        if (flags & WC_ERR_INVALID_CHARS) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        c = 0xFFFD;
      }
      if (c < 0x80) result += static_cast<char>(c);
      else if (c < 0x800) result += static_cast<char>(0xC0 | (c >> 6)), result += static_cast<char>(0x80 | (c & 0x3F));
      else if (c < 0x10000)
        result += static_cast<char>(0xE0 | (c >> 12)), result += static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            result += static_cast<char>(0x80 | (c & 0x3F));
      else
        result += static_cast<char>(0xF0 | (c >> 18)), result += static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F)), result += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      uint8_t b;
      if (!AnsiByte(static_cast<wchar_t>(c), &b)) b = '?', defaulted = true;
      result += static_cast<char>(b);
    }
  }
  if (usedDefault) *usedDefault = defaulted;
  if (bytes == 0) return static_cast<int>(result.size());
  if (result.size() > static_cast<size_t>(bytes)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  memcpy(out, result.data(), result.size());
  return static_cast<int>(result.size());
}

BOOL WINAPI IsDBCSLeadByteEx(UINT, BYTE) { return FALSE; }
UINT WINAPI GetOEMCP() { return 437; }
UINT WINAPI GetACP() { return 1252; }

static wchar_t LowerChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
  return c;
}

LPWSTR WINAPI CharLowerW(LPWSTR text) {
  auto value = reinterpret_cast<uintptr_t>(text);
  if (value <= 0xFFFF) return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(LowerChar(static_cast<wchar_t>(value))));
  for (wchar_t* p = text; *p; ++p) *p = LowerChar(*p);
  return text;
}

DWORD WINAPI CharLowerBuffW(LPWSTR text, DWORD length) {
  for (DWORD i = 0; i < length; ++i) text[i] = LowerChar(text[i]);
  return length;
}

int WINAPI LCMapStringW(LCID, DWORD flags, LPCWSTR text, int chars, LPWSTR out, int outChars) {
  if (!text || chars == 0 || !out || outChars <= 0) return 0;
  size_t n = chars < 0 ? wcslen(text) + 1 : static_cast<size_t>(chars);
  if (n > static_cast<size_t>(outChars)) return 0;
  for (size_t i = 0; i < n; ++i) out[i] = (flags & LCMAP_LOWERCASE) ? LowerChar(text[i]) : text[i];
  return static_cast<int>(n);
}

LONG WINAPI RegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) { return ERROR_FILE_NOT_FOUND; }
LONG WINAPI RegCreateKeyExW(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
  return ERROR_ACCESS_DENIED;
}
LONG WINAPI RegQueryValueExW(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) { return ERROR_FILE_NOT_FOUND; }
LONG WINAPI RegSetValueExW(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }
LONG WINAPI RegDeleteValueW(HKEY, LPCWSTR) { return ERROR_FILE_NOT_FOUND; }
LONG WINAPI RegCloseKey(HKEY) { return ERROR_SUCCESS; }
// No library is ever found: the device libraries are optional on every path.
HMODULE WINAPI LoadLibraryW(LPCWSTR) { return nullptr; }
FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) { return nullptr; }
BOOL WINAPI FreeLibrary(HMODULE) { return TRUE; }
BOOL WINAPI DeleteObject(HGDIOBJ) { return TRUE; }
HGDIOBJ WINAPI SelectObject(HDC, HGDIOBJ) { return nullptr; }
BOOL WINAPI DeleteDC(HDC) { return TRUE; }
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) { cs->recursion = 0; }
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION) {}
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) { ++cs->recursion; }
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) { --cs->recursion; }

BOOL WINAPI CeCreateProcessW(LPCWSTR, LPCWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                             LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
  return Fail(ERROR_FILE_NOT_FOUND);
}

void fill_win32_filefunc64W(zlib_filefunc64_def* files) {
  *files = zlib_filefunc64_def{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, nullptr};
}

}  // extern "C"

FILE* _wfopen(const wchar_t* path, const wchar_t* mode) {
  std::wstring m = mode ? mode : L"";
  bool write = m.find(L'w') != std::wstring::npos;
  HANDLE h = CreateFileW(path, write ? GENERIC_WRITE : GENERIC_READ, 0, nullptr, write ? CREATE_ALWAYS : OPEN_EXISTING,
                         0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  cookie_io_functions_t io{CookieRead, CookieWrite, CookieSeek, CookieClose};
  FILE* f = fopencookie(h, write ? "wb" : "rb", io);
  if (!f) CloseHandle(h);
  return f;
}
