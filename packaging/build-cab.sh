#!/bin/sh
# Builds an installer cabinet at build time: qzrcab (a Windows program) under Wine, in a Wine
# prefix of the build's own that no handheld uses.
#   build-cab.sh QZRCAB.EXE PREFIX FOLDER INF CAB   (FOLDER holds the .inf's source files)
set -eu
qzrcab=$1 prefix=$2 folder=$3 inf=$4 cab=$5
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cp "$inf" "$folder/"
cd "$folder"
# The cabinet is replaced only when qzrcab wrote a new one.
wine "$qzrcab" "$(basename "$inf")" -o "$cab" </dev/null | tr -d '\r'
rm -f "$(basename "$inf")"
