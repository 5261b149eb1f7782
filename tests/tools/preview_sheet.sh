#!/bin/sh
# scripts/preview on the sample at one size (the whole sheet takes minutes under Wine): the sheet
# has its three screens, full screen and windowed at 320x240 and the status page at 480x640,
# laid out in two columns, each labelled.
#   preview_sheet.sh SOURCE-ROOT SHEET
set -u
root=$1
# A sheet of its own beside SHEET's name, so that test lanes sharing the build folder never
# write one file; kept only when the check fails.
sheet=$(mktemp --suffix=.png "${2%.png}.XXXXXX")
rm -f "$sheet"
fail() { echo "FAIL: $* (sheet: $sheet)"; exit 1; }
"$root/scripts/preview" --no-build --sizes 320x240 "$root/samples/menu.ini" "$sheet" || fail "scripts/preview: exit $?"
[ -f "$sheet" ] || fail "no sheet at $sheet"
labels=$(identify -format '%c' "$sheet")
expected=$(printf '320x240 full screen\n320x240 windowed\nstatus page 480x640')
[ "$labels" = "$expected" ] || fail "labels: $labels"
width=$(identify -format '%w' "$sheet") height=$(identify -format '%h' "$sheet")
# Columns as wide as the widest screen (480) with 8 pixels either side; rows as high as their
# screens (240, 640) with the same margins and a label line of 15 to 40 pixels below each.
[ "$width" -eq $((2 * (480 + 16))) ] || fail "width $width"
[ "$height" -ge $((240 + 640 + 2 * (16 + 15))) ] && [ "$height" -le $((240 + 640 + 2 * (16 + 40))) ] \
  || fail "height $height"
# The screens are captured, not left as background: the middle of each differs from #404040.
for at in 168,128 504,128 248,600; do
  colour=$(convert "$sheet" -depth 8 -format "%[hex:p{$at}]" info:)
  [ "$colour" != 404040 ] || fail "nothing captured at $at"
done
echo "preview sheet ${width}x${height}: $(echo "$labels" | tr '\n' ';')"
rm -f "$sheet"
