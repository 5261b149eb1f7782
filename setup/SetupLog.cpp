// The log and undo files. A log line is appended, flushed and closed, so the log is complete
// after every line even if the installer dies. Uninstall records are handed to the file
// system one by one as well (the installer dying loses none), but made durable only by
// CommitUninstallRecords: a commit per record cost a disk flush per extracted file.
#include "SetupLog.h"

#include <cstdio>
#include <memory>

#include "Records.h"
#include "SetupTexts.h"
#include "WritePoints.h"

namespace qzrsetup {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using OpenFile = std::unique_ptr<FILE, FileCloser>;

bool AppendBytes(const std::wstring& path, const void* data, size_t size) {
  if (path.empty()) return false;
  // "c": the flush commits to disk, so the line survives the installer dying.
  OpenFile file(_wfopen(path.c_str(), L"a+bc"));
  if (!file) return false;
  bool ok = fwrite(data, 1, size, file.get()) == size;
  return fflush(file.get()) == 0 && ok;
}

bool AppendWide(const std::wstring& path, const std::wstring& text) {
  // UTF-16LE without a byte-order mark: wchar_t is 16-bit little-endian here as on the device.
  return AppendBytes(path, text.data(), text.size() * sizeof(wchar_t));
}

}  // namespace

std::wstring ShortenMiddle(std::wstring_view text, size_t maxChars) {
  if (text.size() <= maxChars) return std::wstring(text);
  constexpr std::wstring_view kEllipsis = L"...";
  if (maxChars <= kEllipsis.size()) return std::wstring(text.substr(0, maxChars));
  size_t kept = maxChars - kEllipsis.size();
  size_t head = (kept + 1) / 2;
  return std::wstring(text.substr(0, head)) + std::wstring(kEllipsis) + std::wstring(text.substr(text.size() - (kept - head)));
}

std::wstring FormatLogLine(const SYSTEMTIME& t, std::wstring_view message) {
  std::wstring line = Format(kLogLineFormat, t.wMonth, t.wDay, t.wYear % 100, t.wHour, t.wMinute, t.wSecond,
                             t.wMilliseconds, message);
  if (line.size() > kFileLineChars) {
    line.resize(kFileLineChars - 2);
    line += L"\r\n";
  }
  return line;
}

void WriteLogLine(const SetupRun& run, bool verbose, std::wstring_view message) {
  if (verbose && !run.settings.verbose) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  AppendWide(run.logPath, FormatLogLine(now, message));
}

bool WriteUninstallRecord(SetupRun& run, std::wstring_view record) {
  std::wstring line = Format(kRecordLineFormat, record);
  if (line.size() > kFileLineChars) {
    // The time stamp ("MM-DD-YY hh:mm:ss.mmmm ") and CR LF take 25 of a log line's characters.
    constexpr size_t kMessageChars = kFileLineChars - 25;
    const size_t room = kMessageChars - (std::wstring_view(kLogRecordTooLong).size() - 2);
    WriteLogLine(run, false, Format(kLogRecordTooLong, ShortenMiddle(record, room)));
    return false;
  }
  if (run.dataPath.empty()) return false;
  if (!run.dataFile) {
    // Appending only, and shared, so that a DoUninstall command can read what is there.
    run.dataFile.reset(CreateFileW(run.dataPath.c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!run.dataFile) return false;
  }
  const DWORD bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
  DWORD written = 0;
  const bool whole = WriteFile(run.dataFile.get(), line.data(), bytes, &written, nullptr) && written == bytes;
  AfterWrite(L"record");
  return whole;
}

ULONGLONG UninstallRecordsEnd(const SetupRun& run) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (run.dataPath.empty() || !GetFileAttributesExW(run.dataPath.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void DropUninstallRecordsAfter(SetupRun& run, ULONGLONG end) {
  if (UninstallRecordsEnd(run) <= end) return;
  // The appending handle goes on writing at the new end.
  qzr::FileHandle file(CreateFileW(run.dataPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(end);
  if (file && SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
  AfterWrite(L"records taken back");
}

void CommitUninstallRecords(SetupRun& run) {
  if (!run.dataFile) return;
  FlushFileBuffers(run.dataFile.get());
  run.dataFile.reset();
}

void WriteUninstallCommandLine(const SetupRun& run, std::string_view line) {
  std::string text(line);
  text += "\r\n";
  AppendBytes(run.commandPath, text.data(), text.size());
  AfterWrite(L"command file line");
}

}  // namespace qzrsetup
