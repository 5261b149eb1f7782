// Zip extraction of Install_Exit on top of the archive layer.
#include "ZipExtract.h"

#include "wince.h"

#include <vector>

#include "IniText.h"
#include "Macros.h"
#include "SetupLog.h"
#include "SetupTexts.h"
#include "WritePoints.h"
#include "Win32Owners.h"
#include "zip/ZipArchive.h"

namespace qzrsetup {

namespace {

constexpr size_t kMacroLength = 12;       // "%INSTALLDIR%"
constexpr size_t kZipMessageChars = 50;   // messages are cut to 49 characters

std::wstring RecentZipMessage() {
  wchar_t message[kZipMessageChars] = {};
  FormatZipResult(kZipMostRecent, message, kZipMessageChars);
  return message;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsProtected(const SetupRun& run, const std::wstring& target) {
  for (const std::wstring& file : run.protectedFiles)
    if (EqualsNoCase(file, target)) return true;
  return false;
}

// The line after a failure's message: what the archive layer found.
void LogCause(const SetupRun& run, const std::wstring& context) {
  std::wstring cause = RecentZipCause();
  if (!cause.empty()) LogAlways(run, kLogZipContext, context, cause);
}

void LogCritical(const SetupRun& run, const std::wstring& context) {
  LogAlways(run, kLogZipContext, context, std::wstring(kZipCriticalError) + RecentZipMessage() + kZipIncomplete);
  LogCause(run, context);
}

// The folders on the way to `target` that do not exist yet, outermost first: extraction creates
// them, and only those are the package's to remove.
std::vector<std::wstring> MissingFolders(std::wstring target) {
  std::vector<std::wstring> missing;
  while (!target.empty() && target.back() == L'\\') target.pop_back();
  for (;;) {
    size_t cut = target.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut == 0) break;
    target.resize(cut);
    if (Exists(target)) break;
    missing.insert(missing.begin(), target);
  }
  return missing;
}

// Records the folders the extraction just created, as "F" records ending in a backslash.
void RecordCreatedFolders(SetupRun& run, const std::vector<std::wstring>& missing) {
  for (const std::wstring& folder : missing)
    if (Exists(folder)) Record(run, kRecordFile, folder + L"\\");
}

struct ArchiveCloser {
  ZipHandle zip;
  ~ArchiveCloser() {
    if (zip) CloseZipArchive(zip);
  }
};

enum class Outcome { Done, Failed, NotAnArchive };

// Extracts one archive.
Outcome ExtractArchive(SetupRun& run, const std::wstring& archivePath, const std::wstring& context) {
  const Settings& settings = run.settings;
  ArchiveCloser archive{OpenZipArchive(archivePath)};
  ZipEntry info;
  // A file that is no archive at all ends the installation like an unreadable entry list:
  // reporting success would leave the package's payload missing.
  if (!archive.zip || GetZipEntry(archive.zip, -1, &info) != kZipOk) {
    LogCritical(run, context);
    return Outcome::NotAnArchive;
  }
  const int count = info.index;
  for (int k = 0; k < count; ++k) {
    ZipEntry entry;
    if (GetZipEntry(archive.zip, k, &entry) != kZipOk) {
      LogCritical(run, context);
      return Outcome::Failed;
    }
    std::wstring base, relative;
    if (FindNoCase(entry.name, kMacroInstallDir) != std::wstring::npos) {
      base = run.installPath;
      relative = entry.name.size() > kMacroLength ? entry.name.substr(kMacroLength) : std::wstring();
    } else {
      relative = entry.name;
    }
    SetExtractBaseDir(archive.zip, base);
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    std::wstring target = JoinTarget(base, relative);
    relative = WithoutLeadingBackslash(relative);
    // An entry for the base folder itself ("%INSTALLDIR%/") names nothing to write.
    if (relative.empty()) continue;

    const bool existed = Exists(target);
    if (existed && !settings.overwriteFiles) continue;
    if (IsProtected(run, target)) {
      LogVerbose(run, kLogNotOverwriting, entry.name);
      continue;
    }
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    run.progress.SetStatus(target);
    const std::vector<std::wstring> missing = MissingFolders(target);
    // A folder that was there before (\Windows, say) is not the package's to remove.
    const bool folderEntry = target.back() == L'\\';
    // The records go first: an installation cut short while the file is written still has the
    // file, or the part of it written, and its new folders undone.
    RecordsAhead ahead(run);
    for (const std::wstring& folder : missing) Record(run, kRecordFile, folder + L"\\");
    if (!(folderEntry && existed)) Record(run, kRecordFile, target);
    const bool extracted = ExtractZipEntry(archive.zip, k, relative) == kZipOk;
    const std::wstring cause = RecentZipCause();
    AfterWrite(L"extracted file");
    if (extracted) {
      LogVerbose(run, kLogExtracted, target);
      continue;
    }
    // Failed: only what the attempt left behind stays on record, as below.
    ahead.TakeBack();
    RecordCreatedFolders(run, missing);
    LogAlways(run, kLogZipContext, context,
              std::wstring(kZipExtractError) + relative + kZipExtractErrorSeparator + RecentZipMessage());
    if (!cause.empty()) LogAlways(run, kLogZipContext, context, cause);
    if (settings.abortOnError) return Outcome::Failed;
    // Not "Extracted", and no record for a file that was there before: uninstallation would
    // delete what the installation never wrote. A partial file of our own is still recorded
    // so that it goes with the package.
    if (!existed && Exists(target)) Record(run, kRecordFile, target);
  }
  return Outcome::Done;
}

}  // namespace

std::wstring JoinTarget(const std::wstring& base, const std::wstring& relative) {
  bool baseSlash = !base.empty() && base.back() == L'\\';
  bool nameSlash = !relative.empty() && relative.front() == L'\\';
  std::wstring target = base;
  if (baseSlash && nameSlash) target += relative.substr(1);
  else if (!baseSlash && !nameSlash) target += L"\\" + relative;
  else target += relative;
  return WithoutLeadingBackslash(target);
}

bool ExtractPackageZips(SetupRun& run) {
  const std::wstring folder = WithoutLeadingBackslash(run.installDir);
  LogVerbose(run, kLogLookingForZip, folder, run.installPath);

  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  {
    qzr::FindHandle find(FindFirstFileW((folder + L"\\*.zip").c_str(), &data));
    if (!find) {
      LogAlways(run, kLogNoZip, folder);
      return true;
    }
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &data));
  }

  for (const std::wstring& name : names) {
    std::wstring archivePath = folder + L"\\" + name;
    Outcome outcome = ExtractArchive(run, archivePath, kZipContextPrefix + name);
    // One commit per archive, before it is deleted, instead of one per extracted file.
    CommitUninstallRecords(run);
    if (outcome == Outcome::Failed) return false;
    SetFileAttributesW(archivePath.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(archivePath.c_str());
    AfterWrite(L"archive deleted");
    if (outcome == Outcome::NotAnArchive) return false;
  }
  RemoveDirectoryW(folder.c_str());
  return true;
}

}  // namespace qzrsetup
