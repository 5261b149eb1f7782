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

namespace {

int RowHeight(int bar) { return bar * 3 / 4; }

}  // namespace

RECT StartMenuRect(int screenWidth, int screenHeight, int itemCount) {
  int bar = wince::ShellBarHeight(screenWidth, screenHeight);
  int width = screenWidth * 2 / 3;
  int height = RowHeight(bar) * (itemCount + 1) + 2;
  if (bar + height > screenHeight) height = screenHeight - bar;
  return {0, bar, width, bar + height};
}

RECT StartMenuItemRect(int menuWidth, int barHeight, int index) {
  int row = RowHeight(barHeight);
  return {1, 1 + row * (index + 1), menuWidth - 1, 1 + row * (index + 2)};
}

int StartMenuItemAt(int menuWidth, int barHeight, int itemCount, POINT point) {
  for (int i = 0; i < itemCount; ++i) {
    RECT r = StartMenuItemRect(menuWidth, barHeight, i);
    if (PtInRect(&r, point)) return i;
  }
  return -1;
}

RECT SwitcherRect(int screenWidth, int screenHeight, int rows) {
  int bar = wince::ShellBarHeight(screenWidth, screenHeight);
  int width = screenWidth * 5 / 6;
  int height = RowHeight(bar) * (rows + 1) + bar / 2;
  int maxHeight = screenHeight - bar * 3;
  if (height > maxHeight) height = maxHeight;
  int left = (screenWidth - width) / 2, top = bar + (screenHeight - bar - height) / 3;
  return {left, top, left + width, top + height};
}

RECT SwitcherRowRect(int panelWidth, int barHeight, int row) {
  int h = RowHeight(barHeight);
  return {barHeight / 4, barHeight / 4 + h * (row + 1), panelWidth - barHeight / 4, barHeight / 4 + h * (row + 2)};
}

int SwitcherRowAt(int panelWidth, int barHeight, int rows, POINT point) {
  for (int i = 0; i < rows; ++i) {
    RECT r = SwitcherRowRect(panelWidth, barHeight, i);
    if (PtInRect(&r, point)) return i;
  }
  return -1;
}

RECT NoticeRect(int screenWidth, int screenHeight) {
  int bar = wince::ShellBarHeight(screenWidth, screenHeight);
  int margin = bar / 2;
  return {margin, bar + margin, screenWidth - margin, bar + margin + bar * 2};
}

RECT TodaySoftKeyRect(int screenWidth, int screenHeight, int softKey) {
  int bar = wince::ShellBarHeight(screenWidth, screenHeight);
  RECT key = wince::SoftKeyRect(screenWidth, bar, 2, softKey - 1);
  OffsetRect(&key, 0, screenHeight - bar);
  return key;
}

int TodaySoftKeyAt(int screenWidth, int screenHeight, POINT point) {
  for (int key = 1; key <= 2; ++key) {
    RECT r = TodaySoftKeyRect(screenWidth, screenHeight, key);
    if (PtInRect(&r, point)) return key;
  }
  return 0;
}

}  // namespace devshell
