// CE's one call for setting, resetting and pulsing events.
#pragma once

#include <windows.h>

#ifndef EVENT_PULSE
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3
#endif

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI EventModify(HANDLE event, DWORD function);

#ifdef __cplusplus
}
#endif
