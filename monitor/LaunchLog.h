// Gatewarden's event-log lines. A per-launch instance holds them back until the program it
// decided on is on its way: binding the device's event log and writing each line would
// otherwise come before every program start the shell makes. They are written in their
// order, with the same formats and arguments, while the instance still holds the singleton,
// so lines of successive launches never interleave. The resident instance writes at once.
#pragma once

#include <windows.h>

#include "EventLogLines.h"

#include <string>
#include <vector>

namespace qzr::monitor {

class LaunchLog {
 public:
  explicit LaunchLog(bool holdBack) : holdBack_(holdBack) {}
  LaunchLog(const LaunchLog&) = delete;
  LaunchLog& operator=(const LaunchLog&) = delete;
  ~LaunchLog() { Flush(); }

  // The line alone.
  void Plain(const eventlog::Line& line) { Add({line, Shape::kPlain}); }
  // The line with the registered facility number: the number is the one known when the line
  // is written.
  void Facility(const eventlog::Line& line) { Add({line, Shape::kFacility}); }
  void Text(const eventlog::Line& line, std::string text) { Add({line, Shape::kText, std::move(text)}); }
  void TextNumber(const eventlog::Line& line, std::string text, int number) {
    Add({line, Shape::kTextNumber, std::move(text), number});
  }

  // Registers the facility "KL" if that is still to do, then writes what is held back.
  void Flush();

 private:
  enum class Shape { kPlain, kFacility, kText, kTextNumber };
  struct Line {
    eventlog::Line line;
    Shape shape;
    std::string text;
    int number = 0;
  };
  void Add(Line line);
  static void Write(const Line& line);

  bool holdBack_;
  bool registered_ = false;
  std::vector<Line> held_;
};

}  // namespace qzr::monitor
