// The points at which an installation has just changed the device or its own files.
#pragma once

namespace qzrsetup {

// Called right after each such change (a record, a command-file line, a registry key or value,
// an extracted file, a shortcut, a command, a deleted file). The library as it ships does
// nothing here; a test build ends the process at a chosen point, as a device switched off
// there would, to show that an installation cut short anywhere can be undone.
void AfterWrite(const wchar_t* what);

}  // namespace qzrsetup
