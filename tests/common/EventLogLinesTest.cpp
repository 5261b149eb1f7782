// The event-log lines against the table in docs/troubleshooting.md that administrators read:
// every line's text, source line and category must stand there as the program writes them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "EventLogLines.h"

namespace el = qzr::eventlog;
namespace lines = qzr::eventlog::lines;

namespace {

std::vector<std::string> DocumentRows() {
  std::ifstream in(QZR_DOCS "/troubleshooting.md");
  std::vector<std::string> rows;
  for (std::string row; std::getline(in, row);)
    if (row.rfind("| \"", 0) == 0) rows.push_back(row);
  return rows;
}

// The format with its source line filled in, cut at the remaining conversions: the document
// shows examples (a path, "NNN") where the program puts its arguments.
std::vector<std::string> FixedPieces(const char* format, int sourceLine) {
  std::string text = format;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  if (sourceLine != 0) {
    const size_t at = text.find("(%d)");
    if (at == std::string::npos) return {};
    text.replace(at, 4, "(" + std::to_string(sourceLine) + ")");
  }
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      pieces.back() += text[i];
      continue;
    }
    ++i;
    while (i < text.size() && (text[i] == 'l' || text[i] == 'h')) ++i;  // to the conversion letter
    pieces.emplace_back();
  }
  return pieces;
}

// The row whose first cell holds the pieces in order and whose second cell is category.
bool Documented(const std::vector<std::string>& rows, const std::vector<std::string>& pieces, const std::string& category) {
  for (const std::string& row : rows) {
    const size_t cellEnd = row.find("\" | ");
    if (cellEnd == std::string::npos) continue;
    const std::string cell = row.substr(3, cellEnd - 3);
    size_t at = 0;
    bool all = true;
    for (size_t i = 0; i < pieces.size() && all; ++i) {
      if (pieces[i].empty()) continue;  // the line ends in an argument
      const size_t found = cell.find(pieces[i], at);
      // The first piece opens the cell, the last one ends it.
      all = found != std::string::npos && (i != 0 || found == 0) &&
            (i + 1 != pieces.size() || found + pieces[i].size() == cell.size());
      at = found + pieces[i].size();
    }
    const size_t categoryAt = cellEnd + 4;
    if (all && row.compare(categoryAt, category.size() + 2, category + " |") == 0) return true;
  }
  return false;
}

}  // namespace

TEST(EventLogLines, EveryLineStandsInTheTroubleshootingTable) {
  const std::vector<std::string> rows = DocumentRows();
  ASSERT_GT(rows.size(), 20u) << "docs/troubleshooting.md not read";
  const el::Line* withFacility[] = {
      &lines::kLauncherStarts,   &lines::kLauncherFacility, &lines::kLaunchMonitorFails, &lines::kCreateMutexFailed,
      &lines::kNoKnownSection,   &lines::kOrphanMonitorFound, &lines::kOrphanMonitorStays, &lines::kGatekeeperTrue,
      &lines::kWorkTheMagic,     &lines::kGatekeeperFalse,  &lines::kMonitorStarts,      &lines::kMonitorFacility,
      &lines::kMonitorExits,     &lines::kAllowed,          &lines::kSingleInstance,     &lines::kAlreadyRunning,
      &lines::kStarted,          &lines::kStartFailed,      &lines::kRefused};
  for (const el::Line* line : withFacility) {
    const std::vector<std::string> pieces = FixedPieces(line->format, line->sourceLine);
    ASSERT_FALSE(pieces.empty()) << line->format << ": no \"(%d)\" for its source line";
    EXPECT_TRUE(Documented(rows, pieces, std::to_string(line->category))) << line->format << " (" << line->sourceLine << ")";
  }
  const el::CodedLine* coded[] = {&lines::kPalLoading, &lines::kPalAllFailed, &lines::kPalNotSupported};
  for (const el::CodedLine* line : coded) {
    const std::string category = line->eventCode == el::kEventError ? "error" : "information";
    EXPECT_TRUE(Documented(rows, FixedPieces(line->format, 0), category)) << line->format;
  }
}

TEST(EventLogLines, SourceLinesAreFilledWhereTheDocumentShowsThem) {
  // A line written without its source line would show "(%d)" to nobody but print garbage: each
  // line with a source carries exactly one "(%d)" before anything else it formats.
  for (const el::Line* line : {&lines::kLauncherStarts, &lines::kNoKnownSection, &lines::kStartFailed, &lines::kWorkTheMagic}) {
    const std::string format = line->format;
    const size_t source = format.find("(%d)");
    ASSERT_NE(source, std::string::npos) << format;
    EXPECT_EQ(format.find('%'), source + 1) << format;
  }
  EXPECT_EQ(std::string(lines::kMonitorStarts.format).find('%'), std::string::npos);
  EXPECT_EQ(std::string(lines::kMonitorExits.format).find('%'), std::string::npos);
}
