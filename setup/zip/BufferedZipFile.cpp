// A read-ahead buffer over minizip's wide-path Win32 file functions (read-only use).
#include "zip/BufferedZipFile.h"

// After ioapi.h, which brings the declarations it builds on.
#include <iowin32.h>

#include <cstring>
#include <new>

namespace qzrsetup::zip {
namespace {

constexpr uLong kBufferBytes = 64 * 1024;

struct BufferedStream {
  const zlib_filefunc64_def* base = nullptr;
  voidpf stream = nullptr;
  ZPOS64_T position = 0;     // where the reader is
  ZPOS64_T bufferStart = 0;  // file offset of buffer[0]
  uLong bufferLength = 0;
  ZPOS64_T end = 0;          // where the file is said to end; 0: its real end
  char buffer[kBufferBytes];
};

const zlib_filefunc64_def& Win32Functions() {
  static const zlib_filefunc64_def functions = [] {
    zlib_filefunc64_def f{};
    fill_win32_filefunc64W(&f);
    return f;
  }();
  return functions;
}

// Reads from the file itself at `offset`; 0 when nothing could be read.
uLong ReadAt(BufferedStream* s, ZPOS64_T offset, void* into, uLong size) {
  if (s->base->zseek64_file(s->base->opaque, s->stream, offset, ZLIB_FILEFUNC_SEEK_SET) != 0) return 0;
  return s->base->zread_file(s->base->opaque, s->stream, into, size);
}

voidpf ZCALLBACK Open(voidpf opaque, const void* filename, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  const zlib_filefunc64_def& base = Win32Functions();
  auto* s = new (std::nothrow) BufferedStream;
  if (!s) return nullptr;
  s->base = &base;
  if (opaque) s->end = *static_cast<const ZPOS64_T*>(opaque);
  s->stream = base.zopen64_file(base.opaque, filename, mode);
  if (!s->stream) {
    delete s;
    return nullptr;
  }
  return s;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
  auto* s = static_cast<BufferedStream*>(stream);
  auto* out = static_cast<char*>(buf);
  uLong done = 0;
  while (done < size) {
    if (s->position >= s->bufferStart && s->position < s->bufferStart + s->bufferLength) {
      uLong at = static_cast<uLong>(s->position - s->bufferStart);
      uLong n = s->bufferLength - at < size - done ? s->bufferLength - at : size - done;
      std::memcpy(out + done, s->buffer + at, n);
      done += n;
      s->position += n;
      continue;
    }
    uLong got;
    if (size - done >= kBufferBytes) {
      got = ReadAt(s, s->position, out + done, size - done);  // large reads skip the buffer
      done += got;
      s->position += got;
    } else {
      got = ReadAt(s, s->position, s->buffer, kBufferBytes);
      s->bufferStart = s->position;
      s->bufferLength = got;
    }
    if (got == 0) break;
  }
  return done;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return static_cast<BufferedStream*>(stream)->position; }

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* s = static_cast<BufferedStream*>(stream);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: s->position = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: s->position += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
      if (s->end != 0) {
        s->position = s->end + offset;
        return 0;
      }
      if (s->base->zseek64_file(s->base->opaque, s->stream, offset, ZLIB_FILEFUNC_SEEK_END) != 0) return -1;
      ZPOS64_T at = s->base->ztell64_file(s->base->opaque, s->stream);
      if (at == static_cast<ZPOS64_T>(-1)) return -1;
      s->position = at;
      return 0;
    }
    default: return -1;
  }
}

int ZCALLBACK Close(voidpf, voidpf stream) {
  auto* s = static_cast<BufferedStream*>(stream);
  int result = s->base->zclose_file(s->base->opaque, s->stream);
  delete s;
  return result;
}

int ZCALLBACK Error(voidpf, voidpf stream) {
  auto* s = static_cast<BufferedStream*>(stream);
  return s->base->zerror_file(s->base->opaque, s->stream);
}

}  // namespace

void FillBufferedWin32FileFunctions(zlib_filefunc64_def* files, const ZPOS64_T* end) {
  *files = zlib_filefunc64_def{Open, Read, Write, Tell, Seek, Close, Error, const_cast<ZPOS64_T*>(end)};
}

}  // namespace qzrsetup::zip
