#!/bin/sh
# The Linux build of qzrlint: the samples are clean, and a broken file gives its findings at
# their places and exit code 2.
#   lint_native.sh QZRLINT SOURCE-ROOT SCRATCH
set -u
lint=$1 root=$2 scratch=$3
fail() { echo "FAIL: $*"; exit 1; }
mkdir -p "$scratch"
"$lint" "$root/samples/menu.ini" >"$scratch/menu.out" || fail "samples/menu.ini: exit $? $(cat "$scratch/menu.out")"
"$lint" "$root/samples/package" >"$scratch/package.out" || fail "samples/package: exit $?"
[ ! -s "$scratch/package.out" ] || fail "samples/package: $(cat "$scratch/package.out")"
printf '[Caption]\nButton1=Scan\nButton2=Notes\n[exe]\nButton1=\\windows\\scan.exe\n[Lockable Key]\n' >"$scratch/bad.ini"
"$lint" "$scratch/bad.ini" >"$scratch/bad.out"
rc=$?
[ $rc -eq 2 ] || fail "bad.ini: exit $rc"
grep -qx "$scratch/bad.ini:3:1: error: Button2 \"Notes\" has no program in \[exe\].*" "$scratch/bad.out" || fail "$(cat "$scratch/bad.out")"
grep -q "^$scratch/bad.ini:6:1: warning: unknown section \[Lockable Key\].*did you mean \[Lockable Keys\]?" "$scratch/bad.out" \
  || fail "$(cat "$scratch/bad.out")"
# A CabWiz .inf: qzrcab's reader, its findings at their places.
printf '[Version]\nSignature="$Windows NT$"\nCESignature="$Windows CE$"\nProvider=Acme\n[CEStrings]\nAppName=App\nInstallDir=%%CE1%%\\App\n[DefaultInstall]\nAddReg=R\n[R]\nHKXX,Software,V,0,1\n' >"$scratch/bad.inf"
"$lint" "$scratch/bad.inf" >"$scratch/inf.out"
rc=$?
[ $rc -eq 2 ] || fail "bad.inf: exit $rc $(cat "$scratch/inf.out")"
grep -q "^$scratch/bad.inf:11:1: error: unknown root \"HKXX\"" "$scratch/inf.out" || fail "$(cat "$scratch/inf.out")"
echo "native qzrlint: samples clean, findings placed"
