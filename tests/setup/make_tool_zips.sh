#!/bin/sh
# Makes the zip packages of setup_ziptools with the zip tools administrators use: Info-ZIP zip
# and Python's zipfile. Run by CTest before the Wine test; usage: make_tool_zips.sh <out folder>.
set -eu
final=$1
mkdir -p "$final"
# Made beside the final folder and renamed into it: a second test lane that shares the build
# folder may be reading the archives meanwhile, and a rename on one file system is atomic.
work=$(mktemp -d "$final.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir "$out"
export LC_ALL=C.UTF-8

# Info-ZIP on Linux: UTF-8 names without the UTF-8 flag, folders listed before their subfolders.
mkdir -p "$work/tree/%INSTALLDIR%/Données/sub/deeper"
printf 'café' >"$work/tree/%INSTALLDIR%/Données/café.txt"
printf 'naïve' >"$work/tree/%INSTALLDIR%/Données/sub/deeper/naïve.txt"
(cd "$work/tree" && zip -qr "$out/infozip_utf8.zip" '%INSTALLDIR%')
# zip -D: no folder entries at all, every folder comes from a file's path.
(cd "$work/tree" && zip -qrD "$out/infozip_nodirs.zip" '%INSTALLDIR%')
# A stored entry whose data no longer matches its CRC.
mkdir -p "$work/crc/%INSTALLDIR%"
printf 'stored text' >"$work/crc/%INSTALLDIR%/plain.txt"
(cd "$work/crc" && zip -q0 "$out/infozip_badcrc.zip" '%INSTALLDIR%/plain.txt')
# A split set; the package carries only its last piece.
head -c 200000 /dev/urandom >"$work/big.bin"
(cd "$work" && zip -q -s 64k split.zip big.bin && cp split.zip "$out/infozip_split.zip")

python3 - "$out" <<'PY'
import struct, sys, zipfile, zlib
out = sys.argv[1]
# Python sets the UTF-8 flag for non-ASCII names and writes no folder entries.
with zipfile.ZipFile(f"{out}/python_utf8.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("%INSTALLDIR%/Données/café.txt", "café")
    z.writestr("%INSTALLDIR%/Données/sub/deeper/naïve.txt", "naïve")
# The longest comment the format allows.
with zipfile.ZipFile(f"{out}/python_comment.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("%INSTALLDIR%/comment.txt", "comment")
    z.comment = b"c" * 65535
# An Info-ZIP Unicode path field (0x7075) naming the entry in UTF-8 beside its ASCII name.
stored = "%INSTALLDIR%/unicode-field.txt"
info = zipfile.ZipInfo(stored)
utf8 = "%INSTALLDIR%/Ünicode.txt".encode()
body = struct.pack("<BI", 1, zlib.crc32(stored.encode())) + utf8
info.extra = struct.pack("<HH", 0x7075, len(body)) + body
with zipfile.ZipFile(f"{out}/python_unicode_field.zip", "w") as z:
    z.writestr(info, "field")
for name, method in (("python_bzip2.zip", zipfile.ZIP_BZIP2), ("python_lzma.zip", zipfile.ZIP_LZMA)):
    with zipfile.ZipFile(f"{out}/{name}", "w", method) as z:
        z.writestr("%INSTALLDIR%/packed.txt", "packed " * 100)
zipfile.ZipFile(f"{out}/python_empty.zip", "w").close()

# Checks that the archives are what the test takes them for.
def flags(path):
    return [(i.filename, i.flag_bits & 0x800, i.create_system) for i in zipfile.ZipFile(path).infolist()]
assert all(f == 0 and host == 3 for _, f, host in flags(f"{out}/infozip_utf8.zip")), "Info-ZIP set the UTF-8 flag"
assert any(f for _, f, _ in flags(f"{out}/python_utf8.zip")), "Python did not set the UTF-8 flag"
assert not any(n.endswith("/") for n, _, _ in flags(f"{out}/infozip_nodirs.zip"))
with zipfile.ZipFile(f"{out}/infozip_badcrc.zip") as z:
    offset = z.infolist()[0].header_offset
data = bytearray(open(f"{out}/infozip_badcrc.zip", "rb").read())
n, m = struct.unpack_from("<HH", data, offset + 26)
data[offset + 30 + n + m] ^= 0x20
open(f"{out}/infozip_badcrc.zip", "wb").write(data)
PY
for archive in "$out"/*; do mv -f "$archive" "$final/"; done
ls "$final"
