// Stand-in for the maker's reset helper that setup libraries start: the simulated handheld
// writes the reset request to the device journal instead of restarting.
#include <windows.h>

#include "DeviceProfile.h"

inline constexpr wchar_t kJournalLine[] = L"qzrRebootDevice reset requested";

int wmain() {
  wince::AppendJournal(kJournalLine);
  return 0;
}
