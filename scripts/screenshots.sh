#!/usr/bin/env bash
# Takes the README's screenshots from the real program under Xvfb with a window manager: the main
# window after "Instrument Information", the same with two edits pending, the review "Update"
# shows before it writes (then cancelled), the calibration window and the factory dialog, in
# English and Japanese, on the built-in virtual instrument; then the Records window over a fleet
# that scripts/records-fleet.sh makes with vq5100ctl against vq5100-sim. Writes
# docs/<window>-<en|ja>.png.
# Usage: scripts/screenshots.sh [BUILD_DIR] [all|records]   (default: build and all; the programs
# must be built; "records" takes only the Records window)
# The buttons are clicked by their place in the window: when the layout changes, take a screenshot,
# and correct the places in `buttons` below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
which=${2:-all}
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
app=
trap 'kill $wm $xvfb $app 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

# Places (x y, in pixels from the main window's top left corner) of "Instrument Information",
# "Calibration" and "Detail Settings" in each language.
declare -A buttons=(
  [en]="110 50 110 279 110 443"
  [ja]="118 52 118 306 118 486"
)
# Places of "Records" in each language.
declare -A records=(
  [en]="110 472"
  [ja]="118 518"
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

# Starts the program in language $1 in the working folder $2; its process id is $app.
launch() {
  (cd "$2" && exec "$program" --simulator --lang "$1" >/dev/null 2>&1) &
  app=$!
}
# The main window after the password.
login() {
  window "VQ-5100" >/dev/null
  sleep 3  # the start window gives way to the password window
  local password
  password=$(window "VQ-5100")
  xdotool windowactivate --sync "$password" type --delay 50 7395
  xdotool key Return
  window "P.No"
}

for lang in en ja; do
  [ "$which" = all ] || break
  read -r rx ry cx cy fx fy <<<"${buttons[$lang]}"
  read -r ux uy wx wy tx ty <<<"${edits[$lang]}"
  rm -f "$work"/VQ5100Config.ini*
  launch "$lang" "$work"
  main=$(login)
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
  calibration=$(dialog "$main" "(Calibration|校正)$")
  sleep 15  # a quarter of a minute of readings on the chart
  import -window "$calibration" "$root/docs/calibration-$lang.png"
  xdotool windowactivate --sync "$calibration" key Escape
  sleep 2
  click "$main" "$fx" "$fy"
  # By its own name: the calibration window just closed may still be listed for a moment.
  factory=$(dialog "$main" "(Factory Setting|工場設定)$")
  sleep 2
  import -window "$factory" "$root/docs/factory-$lang.png"
  xdotool windowactivate --sync "$factory" key Escape
  sleep 1
  kill "$app" && wait "$app" || true
  app=
  sleep 1
done

# The Records window over a fleet with an overdue row, a due-soon row and half a year of spans on
# the first instrument, which is selected so its timeline and chart show. The built-in instrument
# is not read, so the records hold the fleet alone.
fleet=$work/fleet
"$root/scripts/records-fleet.sh" "$fleet" "$build" >/dev/null
for lang in en ja; do
  read -r kx ky <<<"${records[$lang]}"
  rm -f "$fleet"/VQ5100Config.ini*
  launch "$lang" "$fleet"
  main=$(login)
  sleep 1
  click "$main" "$kx" "$ky"
  shown=$(dialog "$main" "^(Instrument Records|計器の記録)$")
  xdotool windowsize --sync "$shown" 1250 760
  sleep 1
  click "$shown" 60 78  # the first row
  sleep 2
  import -window "$shown" "$root/docs/records-$lang.png"
  kill "$app" && wait "$app" || true
  app=
  sleep 1
done
[ "$which" = all ] && echo "Written: docs/{main-window,pending,review,calibration,factory}-{en,ja}.png"
echo "Written: docs/records-{en,ja}.png"
