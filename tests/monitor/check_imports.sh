#!/bin/sh
# Compares the libraries a program imports, as the toolchain's objdump lists them, with the
# expected ones: check_imports.sh OBJDUMP PROGRAM LIBRARY...
set -eu
objdump=$1
program=$2
shift 2
actual=$("$objdump" -p "$program" | awk '/DLL Name:/ { print tolower($3) }' | sort | tr '\n' ' ')
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
echo "imports of $program: $actual"
[ "$actual" = "$expected" ] || { echo "expected: $expected"; exit 1; }
