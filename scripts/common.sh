# Shared by the README's commands: install what is missing, build, and run a simulated handheld.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QZR_BUILD_DIR:-$ROOT/build}
PACKAGES=(cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev libz-mingw-w64-dev wine wine64 xvfb xauth x11-apps x11-utils imagemagick
          googletest dpkg-dev fonts-wine fonts-dejavu-core xdotool zip python3 clang libclang-rt-14-dev llvm-14 zlib1g-dev
          cabextract gcab)
# fonts-wine: Wine's own Tahoma, Marlett and symbol fonts; without them frame buttons and
# message-box glyphs draw as letters. The wine packages only recommend it. fonts-dejavu-core:
# the labels of scripts/screenshots' contact sheet.

log() { printf '== %s\n' "$*" >&2; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# minizip is built from Debian's zlib source; the main suite is named because the
# security suite's source files are not served here.
fetch_zlib_source() {
  local dest=$BUILD/_deps/zlib-src
  [ -f "$dest/contrib/minizip/unzip.c" ] && return 0
  local suite
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    log "adding a deb-src entry for $suite"
    as_root tee /etc/apt/sources.list.d/qzr-deb-src.sources >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    as_root apt-get update -qq
  fi
  local tmp
  tmp=$(mktemp -d)
  log "fetching zlib/$suite sources for minizip"
  (cd "$tmp" && apt-get source -qq "zlib/$suite" >/dev/null 2>&1) || { log "apt-get source zlib/$suite failed"; return 1; }
  mkdir -p "$BUILD/_deps"
  rm -rf "$dest"
  mv "$tmp"/zlib-*/ "$dest"
  rm -rf "$tmp"
}

# build_all [TARGET...]: everything the tests and the README's commands use, then the targets
# named (benchmarks: bench/).
build_all() {
  install_packages
  fetch_zlib_source
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" -- --no-print-directory >"$BUILD/build.log" 2>&1 \
    || { tail -50 "$BUILD/build.log"; log "build failed (full log: $BUILD/build.log)"; return 1; }
  # The deliverables as they ship (stripped) go to build/ship.
  cmake --build "$BUILD" --target ship -- --no-print-directory >>"$BUILD/build.log" 2>&1 \
    || { tail -20 "$BUILD/build.log"; log "ship step failed"; return 1; }
  [ $# = 0 ] || cmake --build "$BUILD" -j"$(nproc)" --target "$@" -- --no-print-directory >>"$BUILD/build.log" 2>&1 \
    || { tail -50 "$BUILD/build.log"; log "build of $* failed (full log: $BUILD/build.log)"; return 1; }
}

# The fuzz targets: a native clang build of the rule sources with libFuzzer and sanitizers.
build_fuzzers() {
  cmake -S "$ROOT/fuzz" -B "$BUILD/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DQZR_ZLIB_SOURCE="$BUILD/_deps/zlib-src" >/dev/null
  cmake --build "$BUILD/fuzz" -j"$(nproc)" -- --no-print-directory >"$BUILD/fuzz-build.log" 2>&1 \
    || { tail -50 "$BUILD/fuzz-build.log"; log "fuzz build failed (full log: $BUILD/fuzz-build.log)"; return 1; }
}

# Starts Xvfb on a free display (or, with use_display=1 and a working $DISPLAY, uses that one)
# and boots a fresh Wine prefix there. The display must exist before the prefix's first
# process: a prefix first booted without a display can create no windows.
XVFB_PID=
start_handheld() {
  local prefix=$1 geometry=${2:-1024x768} use_display=${3:-0}
  if [ "$use_display" = 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    log "using display $DISPLAY"
  else
    start_xvfb "$geometry" || return 1
  fi
  export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  boot_prefix "$prefix"
}

# Xvfb on a display it picks itself (-displayfd): several handhelds started at once, here or by
# other runs on the machine, never race for one number. Sets DISPLAY and XVFB_PID.
start_xvfb() {
  local geometry=$1 numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  # Xvfb writes its display number once it accepts clients.
  for _ in $(seq 100); do
    [ -s "$numfile" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$numfile" ]; then
    rm -f "$numfile"
    log "Xvfb did not start"
    return 1
  fi
  export DISPLAY=":$(tr -dc 0-9 <"$numfile")"
  rm -f "$numfile"
  # A desktop session has X resources loaded. With none at all, Xlib looks for them on disk again
  # at every query, and Wine queries them at every font selection: hundreds of failed file opens
  # in a dialog's first paint. This file gives every program on the display a resource database.
  export XENVIRONMENT=$ROOT/scripts/handheld.Xresources
}

# Boots the fresh prefix, up to three times: now and then a fresh prefix's very first process
# dies at once (wine answers 53, "could not load kernel32.dll"). Each failure prints the end of
# the boot's output; a failure that persists is the caller's failure. wineboot's output goes
# beside the prefix, PREFIX.boot.log.
boot_prefix() {
  local prefix=$1 bootlog=$1.boot.log try rc
  mkdir -p "$(dirname "$prefix")"
  for try in 1 2 3; do
    rm -rf "$prefix"
    rc=0
    # Xvfb runs no window manager: a managed window then waits about two seconds for one each
    # time it hides or closes. The handheld has none either, so Wine places the windows itself.
    { wineboot -i && wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f && wineserver -w; } \
      >"$bootlog" 2>&1 || rc=$?
    # Keep one server and its system processes for the whole run: each test program then starts
    # in a fraction of the time. They are started here, away from any output pipe: a system
    # process first started by a test would hold that test's output open and CTest would wait
    # for it.
    if [ $rc = 0 ]; then
      wineserver -p >/dev/null 2>&1
      wine cmd /c exit >>"$bootlog" 2>&1 </dev/null || rc=$?
    fi
    [ $rc = 0 ] && [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] && return 0
    [ $rc != 0 ] || rc="no kernel32.dll"
    log "booting the Wine prefix $prefix failed (try $try of 3: $rc); the end of $bootlog:"
    tail -15 "$bootlog" >&2
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  done
  rm -rf "$prefix"
  log "could not boot the Wine prefix $prefix"
  return 1
}

# Runs a Windows program of the handheld with drive C as its current folder, where the
# device's root-relative paths resolve.
on_handheld() {
  (cd "$WINEPREFIX/drive_c" && wine "$@")
}

# The handheld's screen density: the VGA-class screens run at 192 DPI, the QVGA ones at 96.
handheld_dpi() {
  case "$1" in 480x640|480x800|640x480) echo 192 ;; *) echo 96 ;; esac
}

# Makes the handheld's screen SIZE (WxH): a Wine virtual desktop of that size at the device's
# DPI, which the device profile states too. Call it after the profile is loaded and before the
# launcher starts: programs take the DPI when they start.
set_handheld_screen() {
  local size=$1 dpi
  dpi=$(handheld_dpi "$size")
  on_handheld reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Handheld /f >/dev/null &&
    on_handheld reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Handheld /d "$size" /f >/dev/null &&
    on_handheld reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null &&
    on_handheld "$BUILD/bin/qzremu.exe" profile set ScreenDpi "$dpi" >/dev/null
}

stop_handheld() {
  # Nothing left to stop is no failure: under set -e a failing last step of an && list in this
  # EXIT trap would become the script's exit status (wineserver -k answers 1 with no server).
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=
  return 0
}

# The launcher's files on the handheld (call after start_handheld): the maker's libraries and
# the default device profile, then the shipped cabinet build/ship/KorvanexLauncher.cab installed
# as a fleet installs it: copied onto the device and installed from there by the device's
# installer, which deletes it afterwards. Sets DEVICE_FOLDER (\Flash File Store\launcher).
DEVICE_FOLDER=
install_launcher() {
  DEVICE_FOLDER="$WINEPREFIX/drive_c/Flash File Store/launcher"
  on_handheld "$BUILD/bin/qzremu.exe" install
  on_handheld "$BUILD/bin/qzremu.exe" profile default >/dev/null
  local inbox="$WINEPREFIX/drive_c/windows/AppMgr/Install" output
  mkdir -p "$inbox"
  cp "$BUILD/ship/KorvanexLauncher.cab" "$inbox/"
  output=$(on_handheld "$BUILD/bin/qzrcabhost.exe" install 'C:\Windows\AppMgr\Install\KorvanexLauncher.cab' /noui </dev/null) \
    || { printf '%s\n' "$output" | tr -d '\r' >&2; log "KorvanexLauncher.cab did not install"; return 1; }
  log "installed KorvanexLauncher.cab into \\Flash File Store\\launcher"
  mkdir -p "$DEVICE_FOLDER"
}

# menu_with_mode MODE < menu.ini: the file with [Full Screen Mode] Enabled set to TRUE
# (fullscreen) or FALSE (windowed); asis leaves it as the file says.
menu_with_mode() {
  [ "$1" = asis ] && { tr -d '\r'; return; }
  local enabled=TRUE
  [ "$1" = windowed ] && enabled=FALSE
  awk -v enabled="$enabled" '
    /^\[/ { if (inmode && !done) { print "Enabled=" enabled; done = 1 } inmode = ($0 ~ /^\[Full Screen Mode\]/) }
    inmode && /^Enabled=/ { if (!done) print "Enabled=" enabled; done = 1; next }
    { print }
    END { if (!done) { if (!inmode) print "[Full Screen Mode]"; print "Enabled=" enabled } }' | tr -d '\r'
}

# launcher_screen_start SIZE MODE MENU: the handheld at SIZE with the device shell and the
# launcher started from MENU in MODE (fullscreen or windowed), as the start-up list starts it.
LAUNCHER_PID=
# Each step that fails says so and returns 1, also where the caller tests it (which turns set -e off).
launcher_screen_start() {
  set_handheld_screen "$1" || { log "the handheld's screen could not be set to $1"; return 1; }
  menu_with_mode "$2" <"$3" >"$DEVICE_FOLDER/menu.ini" || { log "menu.ini could not be written"; return 1; }
  # The device shell draws the task bar and soft keys of the windowed screens.
  on_handheld "$BUILD/bin/qzremu.exe" start 'C:\windows\qzrdeviceshell.exe' >/dev/null \
    || { log "the device shell did not start"; return 1; }
  sleep 1
  on_handheld "$BUILD/bin/qzremu.exe" start 'C:\Flash File Store\launcher\QZRShell.exe' 20 >/dev/null &
  LAUNCHER_PID=$!
}

# Whatever is left of a launcher_screen_start goes before the next one starts.
launcher_screen_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wait "$LAUNCHER_PID" || true  # not a bare wait: Xvfb is a child of the shell too
  wineserver -w || true
}

# screen_shot SIZE FILE: the handheld's screen (its top-left SIZE) after SHOT_DELAY seconds.
screen_shot() {
  sleep "${SHOT_DELAY:-3}"
  import -window root -display "$DISPLAY" -crop "$1+0+0" "$2" 2>/dev/null && log "$2" || { log "no screenshot for $2"; return 1; }
}
