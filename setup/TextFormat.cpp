// The library's own small printf: the device's wide printf reads %s as a wide string.
#include "TextFormat.h"

#include <vector>

namespace qzrsetup {

namespace {

std::wstring UnsignedDigits(uint64_t value) {
  std::wstring s;
  do {
    s.insert(s.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value);
  return s;
}

std::wstring Digits(int64_t value, bool hex) {
  if (hex) {
    // %X prints the 32-bit pattern, as error codes are.
    uint32_t v = static_cast<uint32_t>(value);
    std::wstring s;
    do {
      s.insert(s.begin(), L"0123456789ABCDEF"[v % 16]);
      v /= 16;
    } while (v);
    return s;
  }
  // %d prints a 32-bit int, as the device's printf does with an int argument.
  int64_t v = static_cast<int32_t>(value);
  uint64_t magnitude = v < 0 ? static_cast<uint64_t>(-v) : static_cast<uint64_t>(v);
  std::wstring s;
  do {
    s.insert(s.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude);
  return s;
}

}  // namespace

std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args) {
  std::wstring out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    wchar_t c = format[i];
    if (c != L'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    size_t j = i + 1;
    if (format[j] == L'%') {
      out += L'%';
      i = j;
      continue;
    }
    size_t width = 0, precision = 0;
    bool hasPrecision = false;
    while (j < format.size() && format[j] >= L'0' && format[j] <= L'9') width = width * 10 + (format[j++] - L'0');
    if (j < format.size() && format[j] == L'.') {
      hasPrecision = true;
      ++j;
      while (j < format.size() && format[j] >= L'0' && format[j] <= L'9') precision = precision * 10 + (format[j++] - L'0');
    }
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    wchar_t conversion = format[j];
    if (conversion != L's' && conversion != L'd' && conversion != L'X') {
      out.append(format.substr(i, j - i + 1));
      i = j;
      continue;
    }
    std::wstring piece;
    if (next != args.end()) {
      const FormatArg& arg = *next++;
      if (conversion == L's') {
        piece = arg.isText() ? std::wstring(arg.text()) : Digits(arg.number(), false);
      } else {
        int64_t value = arg.isText() ? 0 : arg.number();
        bool full = conversion == L'd' && arg.isUnsigned64();
        std::wstring digits = full ? UnsignedDigits(static_cast<uint64_t>(value)) : Digits(value, conversion == L'X');
        bool negative = !full && conversion == L'd' && static_cast<int32_t>(value) < 0;
        if (hasPrecision && digits.size() < precision) digits.insert(0, precision - digits.size(), L'0');
        piece = negative ? L"-" + digits : digits;
      }
    }
    if (piece.size() < width) piece.insert(0, width - piece.size(), L' ');
    out += piece;
    i = j;
  }
  return out;
}

}  // namespace qzrsetup
