// A read-ahead buffer over minizip's wide-path Win32 file functions.
#pragma once

#include <ioapi.h>

namespace qzrsetup::zip {

// minizip parses headers a byte or two at a time and seeks before every block; unbuffered, each
// of those is a system call. Fills `files` with functions that serve such reads from one buffer.
void FillBufferedWin32FileFunctions(zlib_filefunc64_def* files);

}  // namespace qzrsetup::zip
