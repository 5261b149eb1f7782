// Findings: their one-line form, the exit code they add up to, and the name to suggest.
#include <windows.h>

#include <algorithm>

#include "Lint.h"
#include "Text.h"

namespace qzr::lint {

std::wstring FormatFinding(const Finding& f) {
  static const wchar_t* const kSeverity[] = {L"note", L"warning", L"error"};
  return f.file + L":" + std::to_wstring(f.line) + L":" + std::to_wstring(f.column) + L": " +
         kSeverity[static_cast<int>(f.severity)] + L": " + f.text;
}

int ExitCodeFor(const std::vector<Finding>& findings) {
  int code = 0;
  for (const Finding& f : findings) {
    if (f.severity == Severity::Error) return 2;
    if (f.severity == Severity::Warning) code = 1;
  }
  return code;
}

std::wstring NearestName(std::wstring_view name, const std::vector<std::wstring>& known) {
  std::wstring best;
  size_t bestDistance = SIZE_MAX;
  for (const std::wstring& candidate : known) {
    // Levenshtein distance over case-folded characters.
    std::vector<size_t> row(candidate.size() + 1);
    for (size_t j = 0; j < row.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= name.size(); ++i) {
      size_t diagonal = row[0];
      row[0] = i;
      for (size_t j = 1; j <= candidate.size(); ++j) {
        size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (qzr::FoldCase(name[i - 1]) == qzr::FoldCase(candidate[j - 1]) ? 0 : 1)});
        diagonal = above;
      }
    }
    if (row.back() < bestDistance) {
      bestDistance = row.back();
      best = candidate;
    }
  }
  // A suggestion is worth making when it is a slip of the keyboard, not a different word.
  size_t allowed = std::max<size_t>(2, std::min(name.size(), best.size()) / 3);
  return bestDistance <= allowed ? best : std::wstring();
}

ScratchFile::ScratchFile(const std::string& bytes) {
  wchar_t name[MAX_PATH] = {};
  if (!GetTempFileNameW(ScratchFolder().c_str(), L"qzl", 0, name)) return;
  path_ = name;
  HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) DeleteFileW(path_.c_str());
}

}  // namespace qzr::lint
