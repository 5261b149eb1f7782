// Geometry of the device shell's windows.
#include "ShellLayout.h"

#include "aygshell.h"

namespace devshell {

namespace {

// Rows of the keyboard; each row holds kSipColumns keys.
constexpr wchar_t kRows[kSipRows][kSipColumns + 1] = {
    L"1234567890",
    L"qwertyuiop",
    L"asdfghjkl\b",
    L"zxcvbnm .\r",
};

}  // namespace

TaskBarLayout LayoutTaskBar(int width, int height) {
  TaskBarLayout l{};
  l.startIcon = {0, 0, height, height};
  l.okButton = {width - height, 0, width, height};
  l.volumeIcon = {l.okButton.left - (height - 4), 0, l.okButton.left, height};
  l.sipButton = {l.volumeIcon.left - height, 0, l.volumeIcon.left, height};
  l.title = {l.startIcon.right, 0, l.sipButton.left, height};
  if (l.title.right < l.title.left) l.title.right = l.title.left;
  return l;
}

wchar_t SipKeyAt(int row, int column) {
  if (row < 0 || row >= kSipRows || column < 0 || column >= kSipColumns) return 0;
  return kRows[row][column];
}

std::wstring SipKeyLabel(int row, int column) {
  switch (wchar_t key = SipKeyAt(row, column)) {
    case 0: return L"";
    case L'\b': return L"\x2190";  // an arrow to the left
    case L'\r': return L"\x21B5";  // a return arrow
    case L' ': return L"_";
    default: return std::wstring(1, key);
  }
}

RECT SipKeyRect(int width, int height, int row, int column) {
  return {column * width / kSipColumns, row * height / kSipRows, (column + 1) * width / kSipColumns,
          (row + 1) * height / kSipRows};
}

wchar_t SipKeyUnder(int width, int height, POINT point) {
  if (width <= 0 || height <= 0 || point.x < 0 || point.y < 0 || point.x >= width || point.y >= height) return 0;
  for (int row = 0; row < kSipRows; ++row)
    for (int column = 0; column < kSipColumns; ++column) {
      RECT r = SipKeyRect(width, height, row, column);
      if (PtInRect(&r, point)) return SipKeyAt(row, column);
    }
  return 0;
}

bool FindSipKey(wchar_t key, int* row, int* column) {
  for (int r = 0; r < kSipRows; ++r)
    for (int c = 0; c < kSipColumns; ++c)
      if (kRows[r][c] == key) {
        *row = r;
        *column = c;
        return true;
      }
  return false;
}

RECT SipWindowRect(int screenWidth, int screenHeight) {
  int bar = wince::ShellBarHeight(screenWidth, screenHeight);
  int height = bar * 3;  // four rows of keys about three quarters of a bar high
  return {0, screenHeight - bar - height, screenWidth, screenHeight - bar};
}

}  // namespace devshell
