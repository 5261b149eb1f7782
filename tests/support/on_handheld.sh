#!/bin/sh
# Runs a test command on a simulated handheld with its drive C as current folder, where the
# device's root-relative paths resolve. scripts/test runs several handhelds at once, each a Wine
# prefix and display of its own (QZR_LANES, QZR_LANE_PREFIX_n, QZR_LANE_DISPLAY_n), and each test
# takes one that no other test holds; without them, the test runs on $WINEPREFIX and $DISPLAY.
#   on_handheld.sh COMMAND...         on a free handheld
#   on_handheld.sh --each COMMAND...  on every handheld in turn (what each needs before any test)
set -u

use_lane() {
  eval "WINEPREFIX=\${QZR_LANE_PREFIX_$1:-} DISPLAY=\${QZR_LANE_DISPLAY_$1:-}"
  [ -n "$WINEPREFIX" ] || { echo "on_handheld.sh: no handheld $1 (QZR_LANE_PREFIX_$1 is not set)" >&2; exit 2; }
  export WINEPREFIX DISPLAY
}

if [ -z "${QZR_LANES:-}" ]; then
  [ "${1:-}" = --each ] && shift
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
  cd "$WINEPREFIX/drive_c" && exec "$@"
fi

if [ "$1" = --each ]; then
  shift
  for lane in $QZR_LANES; do
    (use_lane "$lane" && cd "$WINEPREFIX/drive_c" && "$@") || exit $?
  done
  exit 0
fi

# A handheld is held by the lock on its file for as long as this shell runs. The command gets
# no copy of the descriptor: a program it leaves running must not keep the handheld taken.
# CTest runs no more tests at once than there are handhelds, so one is free at once, short of
# the moment a finished test's shell takes to exit.
while :; do
  for lane in $QZR_LANES; do
    use_lane "$lane"
    exec 9>"$WINEPREFIX.lock"
    if flock -n 9; then
      cd "$WINEPREFIX/drive_c" || exit 1
      "$@" 9>&-
      exit $?
    fi
    exec 9>&-
  done
  sleep 0.2
done
