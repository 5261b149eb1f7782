// Message boxes recorded and answered with OK instead of shown, for the recorder's lifetime.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/MessageBoxes.h"

namespace testing_support {

struct ShownBox { HWND owner; std::wstring text, caption; UINT type; };

class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    qzr::SetMessageBoxObserver([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
      boxes.push_back({owner, text, caption, type});
      return IDOK;
    });
  }
  ~MessageBoxRecorder() { qzr::SetMessageBoxObserver(nullptr); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  std::vector<ShownBox> boxes;
};

}  // namespace testing_support
