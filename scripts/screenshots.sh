#!/usr/bin/env bash
# Takes the README's screenshots from the real program under Xvfb with a window manager: the main
# window after "Instrument Information", the same with two edits pending, the review "Update"
# shows before it writes (then cancelled), the calibration window and the factory dialog, in
# English and Japanese, on the built-in virtual instrument. Writes docs/<window>-<en|ja>.png.
# Usage: scripts/screenshots.sh [BUILD_DIR]      (default: build; the program must be built)
# The buttons are clicked by their place in the window: when the layout changes, take a screenshot,
# and correct the places in `buttons` below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
program=$build/ui/vq5100-setup
[ -x "$program" ] || { echo "build the program first: $program is missing" >&2; exit 2; }
"$root/scripts/install-deps.sh" shots

export DISPLAY=:$((70 + $$ % 20))
Xvfb "$DISPLAY" -screen 0 1400x950x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
openbox >/dev/null 2>&1 &
wm=$!
work=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null; pkill -f "$program --simulator" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

# Places (x y, in pixels from the main window's top left corner) of "Instrument Information",
# "Calibration" and "Detail Settings" in each language.
declare -A buttons=(
  [en]="110 50 110 279 110 443"
  [ja]="118 52 118 306 118 486"
)
# Places of "Update", of channel 1's warning cell and of channel 4's TWA cell.
declare -A edits=(
  [en]="110 223 540 264 910 345"
  [ja]="118 241 540 266 910 347"
)

# The newest visible window whose name holds $1, waiting for it.
window() { xdotool search --sync --onlyvisible --name "$1" | tail -1; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# A window other than the main window whose name matches $2 (default "VQ-5100"), waiting up to
# 10 s for it.
dialog() {
  for _ in $(seq 50); do
    for w in $(xdotool search --onlyvisible --name "${2:-VQ-5100}" 2>/dev/null); do
      [ "$w" != "$1" ] && { echo "$w"; return; }
    done
    sleep 0.2
  done
  return 1
}

for lang in en ja; do
  read -r rx ry cx cy fx fy <<<"${buttons[$lang]}"
  read -r ux uy wx wy tx ty <<<"${edits[$lang]}"
  rm -f "$work"/VQ5100Config.ini*
  (cd "$work" && exec "$program" --simulator --lang "$lang" >/dev/null 2>&1) &
  password=$(window "VQ-5100")
  sleep 3  # the start window gives way to the password window
  password=$(window "VQ-5100")
  xdotool windowactivate --sync "$password" type --delay 50 7395
  xdotool key Return
  main=$(window "P.No")
  sleep 1
  click "$main" "$rx" "$ry"
  sleep 5  # the read of every setting
  import -window "$main" "$root/docs/main-window-$lang.png"
  # Two edits, pending until "Update"; the review lists them and Cancel sends nothing.
  for cell in "$wx $wy 15" "$tx $ty 30"; do
    read -r x y value <<<"$cell"
    xdotool mousemove --window "$main" "$x" "$y" click --repeat 2 1
    sleep 0.5
    xdotool key ctrl+a type "$value"
    xdotool key Return
    sleep 0.5
  done
  # Select an unchanged cell, so both edited cells show their marks rather than the selection.
  click "$main" 660 $((wy + 27))
  import -window "$main" "$root/docs/pending-$lang.png"
  click "$main" "$ux" "$uy"
  review=$(dialog "$main" "^(Update|更新)$")
  sleep 1
  import -window "$review" "$root/docs/review-$lang.png"
  xdotool windowactivate --sync "$review" key Escape
  sleep 1
  click "$main" "$cx" "$cy"
  calibration=$(dialog "$main")
  sleep 15  # a quarter of a minute of readings on the chart
  import -window "$calibration" "$root/docs/calibration-$lang.png"
  xdotool windowactivate --sync "$calibration" key Escape
  sleep 2
  click "$main" "$fx" "$fy"
  factory=$(dialog "$main")
  sleep 2
  import -window "$factory" "$root/docs/factory-$lang.png"
  xdotool windowactivate --sync "$factory" key Escape
  sleep 1
  pkill -f "$program --simulator" || true
  sleep 1
done
echo "Written: docs/{main-window,pending,review,calibration,factory}-{en,ja}.png"
