// The handheld's keypad driver, running on its own thread inside the device shell.
#pragma once

#include <windows.h>

namespace devshell {

// Starts the driver: it watches every key press (a low-level keyboard hook), translates the
// handheld's keys through the keypad tables in the registry, hands the shell's keys (Windows
// key, application buttons, Enter while button 1 is held) to the task bar as WM_KEYDOWN and
// WM_KEYUP, and reloads the tables whenever "QZR_KEYBOARD_CHANGE" or "QZR_KEYBOARD_CHANGE_USB"
// is set. Finding no tables (a fresh boot), it seeds the device model's factory tables.
bool StartKeypadDriver(HWND taskBar);

}  // namespace devshell
