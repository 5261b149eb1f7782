// Binding Gatewarden's registry and window calls on first use.
#include "SystemCalls.h"

namespace qzr::monitor {
namespace {

// Binds every named call of `library`; true when all were found.
class Binder {
 public:
  explicit Binder(const wchar_t* libraryName) : library_(LoadLibraryW(libraryName)) {}
  template <typename Fn>
  Binder& operator()(Fn* fn, const char* name) {
    *fn = library_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name))) : nullptr;
    complete_ = complete_ && *fn;
    return *this;
  }
  bool complete() const { return complete_; }

 private:
  HMODULE library_;  // cached for the process, never freed
  bool complete_ = library_ != nullptr;
};

}  // namespace

const RegistryCalls& Registry() {
  static const RegistryCalls calls = [] {
    RegistryCalls c;
    Binder bind(L"advapi32.dll");
    bind(&c.open, "RegOpenKeyExW")(&c.query, "RegQueryValueExW")(&c.set, "RegSetValueExW")(&c.close, "RegCloseKey");
    c.complete = bind.complete();
    return c;
  }();
  return calls;
}

const WindowCalls& Windows() {
  static const WindowCalls calls = [] {
    WindowCalls c;
    Binder bind(L"user32.dll");
    bind(&c.enumWindows, "EnumWindows")(&c.isWindowVisible, "IsWindowVisible")(&c.getWindowRect, "GetWindowRect")(
        &c.getWindowThreadProcessId, "GetWindowThreadProcessId")(&c.systemParametersInfo, "SystemParametersInfoW")(
        &c.setForegroundWindow, "SetForegroundWindow")(&c.getLastActivePopup, "GetLastActivePopup");
    c.complete = bind.complete();
    return c;
  }();
  return calls;
}

}  // namespace qzr::monitor
