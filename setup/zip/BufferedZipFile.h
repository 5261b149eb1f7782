// A read-ahead buffer over minizip's wide-path Win32 file functions.
#pragma once

#include <ioapi.h>

namespace qzrsetup::zip {

// minizip parses headers a byte or two at a time and seeks before every block; unbuffered, each
// of those is a system call. Fills `files` with functions that serve such reads from one buffer.
// With `end` (non-zero, outliving the open file), the file is said to end there: minizip looks for
// the end record only in the last 0xFFFF bytes, so the layer finds it itself and hides a longer comment.
void FillBufferedWin32FileFunctions(zlib_filefunc64_def* files, const ZPOS64_T* end = nullptr);

}  // namespace qzrsetup::zip
