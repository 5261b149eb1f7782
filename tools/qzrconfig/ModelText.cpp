// The configuration model as text, one field a line.
#include "ModelText.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace qzr::tools {
namespace {

std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Field(const char* name, int value) { return Line("  %-26s %d\n", name, value); }
std::string Field(const char* name, const std::wstring& value) {
  return Line("  %-26s \"", name) + Utf8(value) + "\"\n";
}

}  // namespace

std::string Utf8(std::wstring_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string ModelText(const MenuConfig& config) {
  std::string out = Line("buttons shown: %d\n", config.buttonCount);
  for (int i = 0; i < kButtonSlots; ++i) {
    const ButtonSlot& button = config.buttons[i];
    if (button.caption.empty() && button.exePath.empty()) continue;
    out += Line(" Button%d%s\n", i + 1, i < config.buttonCount ? "" : " (not shown)");
    out += Field("caption", button.caption);
    out += Field("exe", button.exePath);
    out += Field("parameters", button.parameters);
    out += Field("alternate icon", button.iconPath);
    out += Field("disabled if no signal", button.needsSignal);
    out += Field("single instance", button.singleInstance);
  }
  out += "application keys:\n";
  for (int n = 0; n < kAppKeySlots; ++n) {
    const AppKeySlot& key = config.appKeys[n];
    if (!key.appKeyConfigured) {
      out += Line(" AppKey%d: not configured (starts the launcher)\n", n + 1);
      continue;
    }
    out += Line(" AppKey%d: \"", n + 1) + Utf8(key.appKeyExe) + "\" title \"" + Utf8(key.appKeyTitle) + "\"" +
           (key.appKeyWhitelisted ? " (whitelisted)" : "") + "\n";
  }
  out += "settings:\n";
  out += Field("full screen", config.fullScreen);
  out += Field("auto start", config.autoStart);
  out += Field("start icon hidden", config.startIconHidden);
  out += Field("restore on termination", config.restoreOnTermination);
  out += Field("top logo", config.topLogoPath);
  out += Field("password", config.password.empty() ? std::wstring(L"(none)") : std::wstring(config.password.size(), L'*'));
  out += "lockable keys usable:\n";
  out += Field("EnableDeviceLockKeys", config.EnableDeviceLockKeys);
  out += Field("EnablePhoneKeys", config.EnablePhoneKeys);
  out += Field("EnableTaskManagerKeys", config.EnableTaskManagerKeys);
  out += Field("EnableVolumeKeys", config.EnableVolumeKeys);
  out += Field("EnableWindowsKey", config.EnableWindowsKey);
  out += Field("EnableOrangePlaneVolumeUp", config.EnableOrangePlaneVolumeUp);
  out += Field("EnableSk1AndSk2", config.EnableSk1AndSk2);
  return out;
}

}  // namespace qzr::tools
