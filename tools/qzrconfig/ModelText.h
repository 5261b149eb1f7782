// The configuration model as text: what qzrconfig prints and what qzrlint --model prints, so
// that the two can be compared line for line.
#pragma once

#include <string>
#include <string_view>

#include "core/LauncherConfig.h"

namespace qzr::tools {

std::string ModelText(const MenuConfig& config);
// Wide text as UTF-8, for the console.
std::string Utf8(std::wstring_view text);

}  // namespace qzr::tools
