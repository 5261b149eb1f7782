// The keypad driver's tables in the registry: writing a keypad's factory tables and reading
// the current ones back.
#pragma once

#include <optional>

#include "KeypadTables.h"

namespace keypad {

// Replaces the tables under HKLM\HARDWARE\DEVICEMAP\KEYBD (and the layout key) with the
// keypad's factory tables, every key volatile.
bool WriteFactoryTables(const Keypad& keypad);

// The current tables; nothing when "ActiveConfig" is missing. Values that cannot be read stay
// empty.
std::optional<Tables> ReadTables();

// The keypad the device profile names (PalModel, OemInfo).
Keypad KeypadOfProfile();

}  // namespace keypad
