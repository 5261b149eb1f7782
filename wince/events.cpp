// EventModify on desktop Win32: the three functions it names.
#include "events.h"

extern "C" BOOL WINAPI EventModify(HANDLE event, DWORD function) {
  switch (function) {
    case EVENT_SET:
      return SetEvent(event);
    case EVENT_RESET:
      return ResetEvent(event);
    case EVENT_PULSE:
      return PulseEvent(event);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
