// Message boxes of the launcher, observable by tests.
#include "core/MessageBoxes.h"

namespace qzr {
namespace {
MessageBoxObserver& Observer() {
  static MessageBoxObserver observer;
  return observer;
}
}  // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  if (Observer()) return Observer()(owner, text, caption, type);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

int ShowFrameworkMessageBox(const std::wstring& text) {
  return ShowMessageBox(nullptr, text, kApplicationName, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

void SetMessageBoxObserver(MessageBoxObserver observer) { Observer() = std::move(observer); }

}  // namespace qzr
