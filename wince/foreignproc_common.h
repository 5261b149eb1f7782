// What the two sides of a foreign window procedure agree on: messages, the hook's export name
// and the answer that confirms a step.
#pragma once

#include <windows.h>

namespace wince::foreignproc {

inline constexpr char kHookExport[] = "CeForeignProcHook";
// wParam: the asking process's id. Attach's lParam: offset of the procedure in the library's image.
inline constexpr wchar_t kAttachMessage[] = L"QZR_ForeignProc_Attach";
inline constexpr wchar_t kDetachMessage[] = L"QZR_ForeignProc_Detach";
inline constexpr LRESULT kDone = 0x51A7;
inline constexpr UINT kTimeoutMs = 5000;

}  // namespace wince::foreignproc
