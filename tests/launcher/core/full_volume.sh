#!/bin/sh
# Runs a test with a small volume mounted on the handheld's drive C at \qzrfull (a tmpfs of
# 8 MB), which the test fills itself; the volume goes again afterwards, whatever the test did.
#   full_volume.sh COMMAND...   (from on_handheld.sh, in the prefix's drive_c)
set -u
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo -n "$@"; fi; }
mount_point="$WINEPREFIX/drive_c/qzrfull"
mkdir -p "$mount_point" || exit 1
if ! as_root mount -t tmpfs -o size=8m qzrfull "$mount_point"; then
  echo "full_volume.sh: cannot mount a small volume at $mount_point (mounting needs root or sudo)" >&2
  exit 1
fi
trap 'as_root umount "$mount_point" 2>/dev/null; rmdir "$mount_point" 2>/dev/null' EXIT INT TERM
"$@"
