// Harness of the setup library tests.
#include "SetupHarness.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include <iowin32.h>
#include <zlib.h>

using namespace testing_support;

namespace setup_test {

namespace {

using InstallExitFn = int(WINAPI*)(HWND, const wchar_t*, WORD, WORD, WORD, WORD, WORD);
using InstallInitFn = int(WINAPI*)(HWND, BOOL, BOOL, const wchar_t*);
using UninstallInitFn = int(WINAPI*)(HWND, const wchar_t*);
using UninstallExitFn = int(WINAPI*)(HWND);

constexpr size_t kStampChars = 23;  // "MM-DD-YY HH:MM:SS.mmmm "

}  // namespace

bool WriteZip(const std::wstring& path, const std::vector<ZipItem>& items) {
  zlib_filefunc64_def files{};
  fill_win32_filefunc64W(&files);
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
  if (!zip) return false;
  bool ok = true;
  for (const ZipItem& item : items) {
    zip_fileinfo info{};
    info.tmz_date = item.time;
    const bool folder = !item.name.empty() && item.name.back() == '/';
    info.external_fa = item.attributes ? item.attributes : folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    const auto* bytes = reinterpret_cast<const Bytef*>(item.content.data());
    const uLong crc = crc32(0, bytes, static_cast<uInt>(item.content.size()));
    ok = ok && zipOpenNewFileInZip4_64(zip, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, item.method,
                                       item.method ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                       Z_DEFAULT_STRATEGY, item.password, crc, 0, item.flag, 0) == ZIP_OK;
    ok = ok && (item.content.empty() ||
                zipWriteInFileInZip(zip, bytes, static_cast<unsigned>(item.content.size())) == ZIP_OK);
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::optional<std::vector<std::wstring>> ReadWideLines(const std::wstring& path) {
  auto bytes = ReadBytes(path);
  if (!bytes) return std::nullopt;
  std::wstring text(bytes->size() / 2, L'\0');
  memcpy(text.data(), bytes->data(), text.size() * 2);
  std::vector<std::wstring> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool ContainsPrefix(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.rfind(prefix, 0) == 0; });
}

Package::Package() : scratch_(L"setup") {
  static std::atomic<int> counter{0};
  regKey_ = L"Software\\QzrSetupTest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  CreateDirectoryW((scratch_ / L"inst").c_str(), nullptr);
}

Package::~Package() { RegDeleteTreeW(HKEY_CURRENT_USER, regKey_.c_str()); }

std::wstring Package::rootRelative(const std::wstring& name) const {
  std::wstring path = scratch_.path().substr(3);  // without "C:\"
  return path + name;
}

std::wstring Package::devicePath(const std::wstring& name) const { return L"\\" + rootRelative(name); }

void Package::WriteIni(const std::string& text) const { WriteBytes(installFile(L"qzrCeInstall.ini"), text); }

void Package::AddFile(const std::wstring& name, const std::string& bytes) const { WriteBytes(installFile(name), bytes); }

void Package::AddProgram(const std::wstring& binName, const std::wstring& asName) const {
  CopyFileW((BinFolder() + binName).c_str(), installFile(asName).c_str(), FALSE);
}

std::wstring Package::Source(const std::string& ini, const std::vector<std::wstring>& programs) const {
  const std::wstring src = scratch_ / L"src";
  CreateDirectoryW(src.c_str(), nullptr);
  for (const std::wstring& name : programs) CopyFileW((BinFolder() + name).c_str(), (src + L"\\" + name).c_str(), FALSE);
  WriteBytes(src + L"\\qzrCeInstall.ini", ini);
  return src;
}

int Package::Install() const {
  auto init = Export<InstallInitFn>(BinFolder() + L"qzrCEInstall.dll", "Install_Init");
  auto exit = Export<InstallExitFn>(BinFolder() + L"qzrCEInstall.dll", "Install_Exit");
  if (!init || !exit) return -1;
  std::wstring dir = installDir();
  if (init(nullptr, TRUE, FALSE, dir.c_str()) != 0) return -2;
  return exit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
}

int Package::Uninstall() const {
  auto init = Export<UninstallInitFn>(BinFolder() + L"qzrCEInstall.dll", "Uninstall_Init");
  auto exit = Export<UninstallExitFn>(BinFolder() + L"qzrCEInstall.dll", "Uninstall_Exit");
  if (!init || !exit) return -1;
  std::wstring dir = installDir();
  int result = init(nullptr, dir.c_str());
  return exit(nullptr) == 0 ? result : -3;
}

std::vector<std::wstring> Package::Log() const {
  std::vector<std::wstring> messages;
  for (const std::wstring& line : ReadWideLines(installFile(L"qzrCEInstall.log")).value_or(std::vector<std::wstring>{}))
    messages.push_back(line.size() >= kStampChars ? line.substr(kStampChars) : line);
  return messages;
}

std::vector<std::wstring> Package::Records() const {
  return ReadWideLines(installFile(L"qzrCEUnInstall.dat")).value_or(std::vector<std::wstring>{});
}

std::optional<std::string> Package::CommandFile() const { return ReadBytes(installFile(L"qzrCEUnInstall.cmd")); }

int RunHost(const std::wstring& arguments, bool asAutoCab, std::string* output, const std::wstring& folder) {
  std::wstring command = L"\"" + BinFolder() + L"qzrcabhost.exe\" " + (asAutoCab ? L"--as-autocab " : L"") + arguments;
  ProcessResult result = RunProcess(command, 120000, folder.c_str(), output);
  return result.finished ? static_cast<int>(result.exitCode) : -1;
}

std::optional<DWORD> ReadRegDword(HKEY root, const std::wstring& key, const wchar_t* name) {
  qzr::RegKey k;
  return k.Open(root, key) ? k.ReadDword(name) : std::nullopt;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace setup_test
