// Writers of the install log, the uninstall data file and the uninstall command file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "SetupRun.h"
#include "TextFormat.h"

namespace qzrsetup {

// `text` cut to at most `maxChars` characters by putting "..." in its middle, so that both
// the start and the end of a long path stay readable.
std::wstring ShortenMiddle(std::wstring_view text, size_t maxChars);

// One log line: time stamp, message, CR LF; at most 259 characters, the message cut so that
// the line always keeps its CR LF.
std::wstring FormatLogLine(const SYSTEMTIME& time, std::wstring_view message);

// Appends to the install log; verbose lines only when verbose logging is on. Without a log
// path (during uninstallation) nothing is written.
void WriteLogLine(const SetupRun& run, bool verbose, std::wstring_view message);
// Appends a record and CR LF to the uninstall data file. A record that would not fit the
// reader's line is not written (cut, it would name some other file or key); an always-written
// log line names it instead. The record is in the file system at once, but durable only after
// the next CommitUninstallRecords.
bool WriteUninstallRecord(SetupRun& run, std::wstring_view record);
// Makes the records written so far durable and closes the data file. Called once per
// archive and before any step that could need the records (commands, programs, a reboot,
// Install_Exit returning).
void CommitUninstallRecords(SetupRun& run);
// The data file's length now, and taking back what was written after it.
ULONGLONG UninstallRecordsEnd(const SetupRun& run);
void DropUninstallRecordsAfter(SetupRun& run, ULONGLONG end);

// Records written ahead of the change they undo: an installation cut short while it makes the
// change still has it undone. A change that fails takes its records back, so that the file
// names only what the installation made.
class RecordsAhead {
 public:
  explicit RecordsAhead(SetupRun& run) : run_(run), end_(UninstallRecordsEnd(run)) {}
  void TakeBack() { DropUninstallRecordsAfter(run_, end_); }

 private:
  SetupRun& run_;
  ULONGLONG end_;
};

// Appends an 8-bit line and CR LF to the uninstall command file.
void WriteUninstallCommandLine(const SetupRun& run, std::string_view line);

template <typename... Args>
void LogAlways(const SetupRun& run, std::wstring_view format, const Args&... args) {
  WriteLogLine(run, false, Format(format, args...));
}
template <typename... Args>
void LogVerbose(const SetupRun& run, std::wstring_view format, const Args&... args) {
  WriteLogLine(run, true, Format(format, args...));
}
template <typename... Args>
bool Record(SetupRun& run, std::wstring_view format, const Args&... args) {
  return WriteUninstallRecord(run, Format(format, args...));
}

}  // namespace qzrsetup
