// FCI and FDI adapters. Both libraries name files with 8-bit strings and open them through our
// callbacks, so the names they see are tokens ("@cab", "#3", "@tmp1") that map to wide paths
// and in-memory members here.
#include "CabContainer.h"

#include <fcntl.h>
#include <fci.h>
#include <fdi.h>

#include <memory>

#include "Win32Owners.h"

namespace qzrcab {
namespace {

// One open stream: a file, or a member held in memory.
struct Stream {
  qzr::FileHandle file;
  const std::string* bytes = nullptr;
  size_t position = 0;
};

class StreamTable {
 public:
  INT_PTR Add(std::unique_ptr<Stream> s) {
    for (size_t i = 0; i < streams_.size(); ++i)
      if (!streams_[i]) {
        streams_[i] = std::move(s);
        return static_cast<INT_PTR>(i + 1);
      }
    streams_.push_back(std::move(s));
    return static_cast<INT_PTR>(streams_.size());
  }
  Stream* Get(INT_PTR h) {
    return h >= 1 && static_cast<size_t>(h) <= streams_.size() ? streams_[h - 1].get() : nullptr;
  }
  bool Close(INT_PTR h) {
    if (!Get(h)) return false;
    streams_[h - 1].reset();
    return true;
  }

 private:
  std::vector<std::unique_ptr<Stream>> streams_;
};

INT_PTR OpenFile(StreamTable& table, const std::wstring& path, int oflag) {
  const bool write = (oflag & (_O_WRONLY | _O_RDWR)) != 0;
  const DWORD disposition = (oflag & _O_CREAT) ? ((oflag & _O_TRUNC) || (oflag & _O_EXCL) ? CREATE_ALWAYS : OPEN_ALWAYS)
                                               : OPEN_EXISTING;
  auto s = std::make_unique<Stream>();
  s->file.reset(CreateFileW(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!s->file) return -1;
  return table.Add(std::move(s));
}

UINT ReadStream(StreamTable& table, INT_PTR h, void* memory, UINT cb) {
  Stream* s = table.Get(h);
  if (!s) return static_cast<UINT>(-1);
  if (s->bytes) {
    size_t n = s->position < s->bytes->size() ? std::min<size_t>(cb, s->bytes->size() - s->position) : 0;
    memcpy(memory, s->bytes->data() + s->position, n);
    s->position += n;
    return static_cast<UINT>(n);
  }
  DWORD got = 0;
  return ReadFile(s->file.get(), memory, cb, &got, nullptr) ? got : static_cast<UINT>(-1);
}

UINT WriteStream(StreamTable& table, INT_PTR h, const void* memory, UINT cb) {
  Stream* s = table.Get(h);
  if (!s || s->bytes) return static_cast<UINT>(-1);
  DWORD put = 0;
  return WriteFile(s->file.get(), memory, cb, &put, nullptr) && put == cb ? put : static_cast<UINT>(-1);
}

long SeekStream(StreamTable& table, INT_PTR h, long distance, int origin) {
  Stream* s = table.Get(h);
  if (!s) return -1;
  if (s->bytes) {
    long long base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<long long>(s->position)
                                                                  : static_cast<long long>(s->bytes->size());
    long long to = base + distance;
    if (to < 0) return -1;
    s->position = static_cast<size_t>(to);
    return static_cast<long>(to);
  }
  const DWORD method = origin == SEEK_SET ? FILE_BEGIN : origin == SEEK_CUR ? FILE_CURRENT : FILE_END;
  DWORD at = SetFilePointer(s->file.get(), distance, nullptr, method);
  return at == INVALID_SET_FILE_POINTER ? -1 : static_cast<long>(at);
}

void* DIAMONDAPI Alloc(ULONG cb) { return HeapAlloc(GetProcessHeap(), 0, cb); }
void DIAMONDAPI Free(void* memory) { HeapFree(GetProcessHeap(), 0, memory); }

// ---- FCI ----

struct FciContext {
  StreamTable streams;
  std::wstring cabinet;             // the temporary name the cabinet is written under
  std::wstring tempFolder;
  std::vector<std::wstring> temps;  // FCI's own scratch files
  const std::vector<CabMember>* members = nullptr;
};

FciContext& Fci(void* pv) { return *static_cast<FciContext*>(pv); }

// "#i" names member i, "@cab" the cabinet, "@tmpN" FCI's scratch file N.
std::wstring FciPath(FciContext& c, const char* name, const CabMember** member) {
  *member = nullptr;
  std::string n(name);
  if (n == "@cab") return c.cabinet;
  if (n.rfind("@tmp", 0) == 0) {
    size_t k = strtoul(n.c_str() + 4, nullptr, 10);
    return k < c.temps.size() ? c.temps[k] : std::wstring();
  }
  if (n.rfind("#", 0) == 0) {
    size_t k = strtoul(n.c_str() + 1, nullptr, 10);
    if (k < c.members->size()) {
      *member = &(*c.members)[k];
      return (*member)->source;
    }
  }
  return {};
}

INT_PTR FciOpenName(FciContext& c, const char* name, int oflag) {
  const CabMember* member = nullptr;
  std::wstring path = FciPath(c, name, &member);
  if (member && member->source.empty()) {
    auto s = std::make_unique<Stream>();
    s->bytes = &member->bytes;
    return c.streams.Add(std::move(s));
  }
  return path.empty() ? -1 : OpenFile(c.streams, path, oflag);
}

int DIAMONDAPI FciFilePlaced(PCCAB, char*, LONG, BOOL, void*) { return 0; }
INT_PTR DIAMONDAPI FciOpen(char* name, int oflag, int, int* err, void* pv) {
  INT_PTR h = FciOpenName(Fci(pv), name, oflag);
  if (h == -1) *err = static_cast<int>(GetLastError());
  return h;
}
UINT DIAMONDAPI FciRead(INT_PTR h, void* memory, UINT cb, int* err, void* pv) {
  UINT n = ReadStream(Fci(pv).streams, h, memory, cb);
  if (n == static_cast<UINT>(-1)) *err = static_cast<int>(GetLastError());
  return n;
}
UINT DIAMONDAPI FciWrite(INT_PTR h, void* memory, UINT cb, int* err, void* pv) {
  UINT n = WriteStream(Fci(pv).streams, h, memory, cb);
  if (n == static_cast<UINT>(-1)) *err = static_cast<int>(GetLastError());
  return n;
}
int DIAMONDAPI FciClose(INT_PTR h, int*, void* pv) { return Fci(pv).streams.Close(h) ? 0 : -1; }
LONG DIAMONDAPI FciSeek(INT_PTR h, LONG distance, int origin, int*, void* pv) {
  return SeekStream(Fci(pv).streams, h, distance, origin);
}
int DIAMONDAPI FciDelete(char* name, int*, void* pv) {
  const CabMember* member = nullptr;
  std::wstring path = FciPath(Fci(pv), name, &member);
  return !member && !path.empty() && DeleteFileW(path.c_str()) ? 0 : -1;
}
BOOL DIAMONDAPI FciTempFile(char* name, int cb, void* pv) {
  FciContext& c = Fci(pv);
  wchar_t path[MAX_PATH] = {};
  if (!GetTempFileNameW(c.tempFolder.c_str(), L"qzc", 0, path)) return FALSE;
  std::string token = "@tmp" + std::to_string(c.temps.size());
  if (static_cast<int>(token.size()) >= cb) return FALSE;
  c.temps.push_back(path);
  memcpy(name, token.c_str(), token.size() + 1);
  return TRUE;
}
BOOL DIAMONDAPI FciNextCabinet(PCCAB, ULONG, void*) { return FALSE; }  // one cabinet, never a set
LONG DIAMONDAPI FciStatus(UINT, ULONG, ULONG, void*) { return 0; }
INT_PTR DIAMONDAPI FciOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attributes, int* err, void* pv) {
  FciContext& c = Fci(pv);
  INT_PTR h = FciOpenName(c, name, _O_RDONLY | _O_BINARY);
  if (h == -1) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  FILETIME written{};
  Stream* s = c.streams.Get(h);
  if (s->file) GetFileTime(s->file.get(), nullptr, nullptr, &written);
  else GetSystemTimeAsFileTime(&written);
  FILETIME local{};
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToDosDateTime(&local, date, time);
  *attributes = _A_ARCH;
  return h;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? L"." : path.substr(0, cut + 1);
}

std::wstring FciFailure(const ERF& erf) {
  static const wchar_t* const kWhy[] = {L"no error", L"a file could not be opened", L"a file could not be read",
                                        L"out of memory", L"a scratch file could not be made", L"unknown compression",
                                        L"the cabinet could not be written", L"cancelled", L"a file is too large"};
  return erf.erfOper >= 0 && erf.erfOper < 9 ? kWhy[erf.erfOper] : L"the cabinet library failed";
}

// ---- FDI ----

// FDI's file callbacks carry no context: one extraction at a time owns these.
struct FdiState {
  StreamTable streams;
  std::wstring cabinet;
  std::wstring folder;
  std::vector<ExtractedMember>* members = nullptr;
  bool refused = false;
};
FdiState* g_fdi = nullptr;

INT_PTR DIAMONDAPI FdiOpen(char* name, int oflag, int) {
  if (!g_fdi || std::string(name) != "@cab") return -1;
  return OpenFile(g_fdi->streams, g_fdi->cabinet, oflag & ~(_O_CREAT | _O_WRONLY | _O_RDWR));
}
UINT DIAMONDAPI FdiRead(INT_PTR h, void* memory, UINT cb) { return ReadStream(g_fdi->streams, h, memory, cb); }
UINT DIAMONDAPI FdiWrite(INT_PTR h, void* memory, UINT cb) { return WriteStream(g_fdi->streams, h, memory, cb); }
int DIAMONDAPI FdiClose(INT_PTR h) { return g_fdi->streams.Close(h) ? 0 : -1; }
LONG DIAMONDAPI FdiSeek(INT_PTR h, LONG distance, int origin) { return SeekStream(g_fdi->streams, h, distance, origin); }

INT_PTR DIAMONDAPI FdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION info) {
  FdiState& s = *g_fdi;
  switch (type) {
    case fdintCOPY_FILE: {
      ExtractedMember m;
      m.name = info->psz1 ? info->psz1 : "";
      m.size = static_cast<DWORD>(info->cb);
      m.file = s.folder + L"m" + std::to_wstring(s.members->size());
      INT_PTR h = OpenFile(s.streams, m.file, _O_CREAT | _O_TRUNC | _O_WRONLY);
      if (h == -1) {
        s.refused = true;
        return -1;
      }
      s.members->push_back(std::move(m));
      return h;
    }
    case fdintCLOSE_FILE_INFO:
      s.streams.Close(info->hf);
      return TRUE;
    case fdintNEXT_CABINET:
      s.refused = true;
      return -1;
    default:
      return 0;
  }
}

}  // namespace

bool WriteCabinet(const std::wstring& path, const std::vector<CabMember>& members, Compression compression,
                  std::wstring* error) {
  FciContext c;
  c.members = &members;
  c.tempFolder = FolderOf(path);
  c.cabinet = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".part";
  ERF erf{};
  CCAB ccab{};
  ccab.cb = 0x7FFFFFFF;
  ccab.cbFolderThresh = 0x7FFFFFFF;
  ccab.setID = 0x515A;
  strcpy(ccab.szCab, "@cab");
  HFCI fci = FCICreate(&erf, FciFilePlaced, Alloc, Free, FciOpen, FciRead, FciWrite, FciClose, FciSeek, FciDelete,
                       FciTempFile, &ccab, &c);
  if (!fci) {
    *error = L"the cabinet library could not start: " + FciFailure(erf);
    return false;
  }
  bool ok = true;
  for (size_t i = 0; ok && i < members.size(); ++i) {
    std::string source(1, '#');
    source += std::to_string(i);
    std::string name = members[i].name;
    // The control file alone in an uncompressed first folder, as the device's installer reads it first.
    const TCOMP type = i == 0 || compression == Compression::None ? tcompTYPE_NONE : tcompTYPE_MSZIP;
    ok = FCIAddFile(fci, source.data(), name.data(), FALSE, FciNextCabinet, FciStatus, FciOpenInfo, type) != FALSE;
    if (!ok)
      *error = L"cannot add " + (members[i].source.empty() ? std::wstring(name.begin(), name.end()) : members[i].source) +
               L": " + FciFailure(erf);
    if (ok && i == 0 && compression == Compression::None) ok = FCIFlushFolder(fci, FciNextCabinet, FciStatus) != FALSE;
  }
  if (ok) {
    ok = FCIFlushCabinet(fci, FALSE, FciNextCabinet, FciStatus) != FALSE;
    if (!ok) *error = L"cannot write the cabinet: " + FciFailure(erf);
  }
  FCIDestroy(fci);
  for (const std::wstring& temp : c.temps) DeleteFileW(temp.c_str());
  if (ok && !MoveFileExW(c.cabinet.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    *error = L"cannot rename the finished cabinet to " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
    ok = false;
  }
  if (!ok) DeleteFileW(c.cabinet.c_str());
  return ok;
}

bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder, std::vector<ExtractedMember>* members,
                    std::wstring* error) {
  FdiState state;
  state.cabinet = cabinet;
  state.folder = folder;
  if (!state.folder.empty() && state.folder.back() != L'\\') state.folder += L'\\';
  state.members = members;
  g_fdi = &state;
  ERF erf{};
  HFDI fdi = FDICreate(Alloc, Free, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, cpuUNKNOWN, &erf);
  bool ok = fdi != nullptr;
  if (ok) {
    char name[] = "@cab", path[] = "";
    ok = FDICopy(fdi, name, path, 0, FdiNotify, nullptr, nullptr) != FALSE && !state.refused;
    FDIDestroy(fdi);
  }
  g_fdi = nullptr;
  static const wchar_t* const kWhy[] = {L"no error", L"the cabinet was not found", L"it is not a cabinet",
                                        L"unknown cabinet version", L"the cabinet is corrupt", L"out of memory",
                                        L"unknown compression", L"decompression failed", L"a member could not be written",
                                        L"the reserve sizes differ", L"wrong cabinet of a set", L"cancelled"};
  if (!ok)
    *error = L"the cabinet library could not extract the cabinet: " +
             std::wstring(erf.erfOper >= 0 && erf.erfOper < 12 ? kWhy[erf.erfOper] : L"unknown failure") + L" (FDI error " +
             std::to_wstring(erf.erfOper) + L")";
  return ok;
}

}  // namespace qzrcab
