// Gatewarden's event-log lines. A per-launch instance holds them back until the program it
// decided on is on its way: binding the device's event log and writing each line would
// otherwise come before every program start the shell makes. They are written in their
// order, with the same formats and arguments, while the instance still holds the singleton,
// so lines of successive launches never interleave. The resident instance writes at once.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qzr::monitor {

class LaunchLog {
 public:
  explicit LaunchLog(bool holdBack) : holdBack_(holdBack) {}
  LaunchLog(const LaunchLog&) = delete;
  LaunchLog& operator=(const LaunchLog&) = delete;
  ~LaunchLog() { Flush(); }

  // "format" alone.
  void Plain(DWORD category, const char* format) { Add({category, format, Shape::kPlain}); }
  // format (source line, the registered facility number): the number is the one known when
  // the line is written.
  void Facility(DWORD category, const char* format, int sourceLine) {
    Add({category, format, Shape::kFacility, sourceLine});
  }
  // format (source line, text).
  void Text(DWORD category, const char* format, int sourceLine, std::string text) {
    Add({category, format, Shape::kText, sourceLine, std::move(text)});
  }
  // format (source line, text, number).
  void TextNumber(DWORD category, const char* format, int sourceLine, std::string text, int number) {
    Add({category, format, Shape::kTextNumber, sourceLine, std::move(text), number});
  }

  // Registers the facility "KL" if that is still to do, then writes what is held back.
  void Flush();

 private:
  enum class Shape { kPlain, kFacility, kText, kTextNumber };
  struct Line {
    DWORD category;
    const char* format;
    Shape shape;
    int sourceLine = 0;
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
