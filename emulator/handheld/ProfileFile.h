// The device profile's text form: "Name=Value" lines, "hex:" for binary values, ";" comments.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace emulator {

struct ProfileEntry {
  std::wstring name;
  bool binary = false;
  std::wstring text;
  std::vector<BYTE> bytes;
};

// Parses the text; malformed lines are skipped and reported in `errors` (1-based line numbers).
std::vector<ProfileEntry> ParseProfileText(const std::wstring& text, std::vector<int>* errors = nullptr);

// Writes every entry into the registry profile; returns the number written.
int ApplyProfile(const std::vector<ProfileEntry>& entries);

}  // namespace emulator
