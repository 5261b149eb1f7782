// printf-style formatting of the library's fixed texts, with "%s" always meaning a wide string,
// whatever the C runtime's printf would make of it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qzrsetup {

class FormatArg {
 public:
  FormatArg(const wchar_t* text) : text_(text ? text : L""), isText_(true) {}
  FormatArg(const std::wstring& text) : text_(text), isText_(true) {}
  FormatArg(std::wstring_view text) : text_(text), isText_(true) {}
  FormatArg(int value) : number_(value) {}
  FormatArg(long value) : number_(value) {}
  FormatArg(unsigned value) : number_(value) {}
  FormatArg(unsigned long value) : number_(value) {}
  FormatArg(long long value) : number_(value) {}
  // Printed whole by %d, as an unsigned 64-bit number (byte counts of large volumes).
  FormatArg(unsigned long long value) : number_(static_cast<int64_t>(value)), unsigned64_(true) {}

  bool isText() const { return isText_; }
  std::wstring_view text() const { return text_; }
  int64_t number() const { return number_; }
  bool isUnsigned64() const { return unsigned64_; }

 private:
  std::wstring_view text_;
  int64_t number_ = 0;
  bool isText_ = false;
  bool unsigned64_ = false;
};

// Understands %s, %d and %X with an optional width and precision (minimum digits), and %%.
// %d prints a 32-bit int, except for an unsigned long long argument, printed in full.
// A missing argument formats as nothing; an argument of the wrong kind as its other face
// (a number for %s, 0 for %d), so a bad format never reads past the list.
std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::wstring Format(std::wstring_view format, const Args&... args) {
  return FormatText(format, {FormatArg(args)...});
}

}  // namespace qzrsetup
