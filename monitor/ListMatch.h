// The monitor's matching rule over a list as the launcher publishes it, apart from Win32.
#pragma once

#include <string>

namespace qzr::monitor {

// The whole path, or its file name, as a complete list entry.
bool MatchInList(const std::wstring& path, const std::wstring& list);

}  // namespace qzr::monitor
