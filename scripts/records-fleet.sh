#!/usr/bin/env bash
# Fills DIR/VQ5100Records.sqlite with a small fleet from real vq5100ctl runs against vq5100-sim:
# five instruments, one overdue for its calibration, one due within a week, one whose span of the
# H2S channel is refused, and one with half a year of spans, a settings write between them.
# The past is played under libfaketime (the simulator and vq5100ctl shifted alike, so the instrument
# clock, its calibration history and the PC time of each event agree), which is how a fleet with
# due dates is made in minutes rather than months. The README's Records screenshots show it.
# Usage: scripts/records-fleet.sh DIR [BUILD_DIR]      (needs libfaketime; the programs must be built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
build=$(cd "${2:-$root/build}" && pwd)
sim=$build/sim/vq5100-sim
ctl=$build/cli/vq5100ctl
for p in "$sim" "$ctl"; do
  [ -x "$p" ] || { echo "build the programs first: $p is missing" >&2; exit 2; }
done
# The library itself rather than the faketime command, so that $! is the simulator's own process.
faketime=$(dpkg -L libfaketime 2>/dev/null | grep '/libfaketime\.so\.1$' | head -1) || true
[ -n "$faketime" ] || { echo "libfaketime is missing (Debian package faketime)" >&2; exit 2; }
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
rm -f "$dir"/VQ5100Records.sqlite* "$dir"/sim.*
# Timers and time-outs run on the real monotonic clock; only the calendar is shifted.
export FAKETIME_DONT_FAKE_MONOTONIC=1

# session STATE DAYS_AGO COMMAND... : one visit of the bench, DAYS_AGO days back, with the
# instrument whose state file is STATE; each COMMAND is one vq5100ctl command line (words split).
session() {
  local state=$1 ago=$2
  shift 2
  local out
  out=$(mktemp "$dir/sim.XXXXXX")
  LD_PRELOAD=$faketime FAKETIME="-${ago}d" "$sim" --tcp 127.0.0.1:0 --state "$state" >"$out" 2>/dev/null &
  local pid=$!
  local address=
  for _ in $(seq 50); do
    address=$(head -1 "$out")
    [ -n "$address" ] && break
    sleep 0.1
  done
  [ -n "$address" ] || { echo "the simulator did not start" >&2; kill "$pid"; exit 1; }
  local command status=0
  for command in "$@"; do
    # A refused calibration exits 1 and is part of the fleet; anything else is a fault here.
    # shellcheck disable=SC2086
    LD_PRELOAD=$faketime FAKETIME="-${ago}d" "$ctl" --socket "$address" --workdir "$dir" $command >/dev/null \
      2>"$out.err" || status=$?
    if [ "$status" -gt 1 ]; then
      echo "vq5100ctl $command: exit $status: $(cat "$out.err")" >&2
      kill "$pid"
      exit 1
    fi
    status=0
  done
  kill "$pid"
  wait "$pid" || true  # the simulator saves its state as it ends
  rm -f "$out" "$out.err"
}

# instrument NAME SERIAL STATION USER [STATE LINES...]: a state file for one instrument.
instrument() {
  local file=$dir/$1.state
  shift
  printf 'serial_no = "%s"\nstation_id = "%s"\nuser_id = "%s"\n' "$1" "$2" "$3" >"$file"
  shift 3
  local line
  for line in "$@"; do echo "$line" >>"$file"; done
}

# Half a year of spans, the gas bottles changing between visits, and one settings write (the
# interval trend time from 60 to 300 seconds) that the snapshots compare.
instrument chart VQ51-000123 STATION-A SERVICE
session "$dir/chart.state" 182 read
conc=(50,12,25,100,50 50,12,24,100,50 48,12,24,95,50 50,13,25,100,52 52,12,26,105,50
  50,12,25,100,50)
days=(180 150 120 90 60 30)
for i in "${!days[@]}"; do
  session "$dir/chart.state" "${days[$i]}" "span 1,2,3,4,5 --conc ${conc[$i]}" read
  if [ "${days[$i]}" = 90 ]; then
    session "$dir/chart.state" 75 "read --seq $dir/chart.seq"
    sed -i 's/^XP,W,003C,/XP,W,012C,/' "$dir/chart.seq"
    session "$dir/chart.state" 75 "write $dir/chart.seq" read
  fi
done

# Calibrated 200 days ago with a 180-day interval: 20 days overdue, read three days ago.
instrument overdue VQ51-000314 MINE-SHAFT-2 A.SUZUKI
session "$dir/overdue.state" 200 zero "span 1,3"
session "$dir/overdue.state" 3 read

# Calibrated 176 days ago: due in four days.
instrument soon VQ51-001002 HARBOUR M.SATO
session "$dir/soon.state" 176 zero "span 1,3"
session "$dir/soon.state" 0 read

instrument depot VQ51-000456 DEPOT-NORTH K.TANAKA
session "$dir/depot.state" 150 zero "span 1,3,4"
session "$dir/depot.state" 0 read

# The H2S sensor refuses its span: that channel's result is NG, the others pass.
instrument tunnel VQ51-000789 TUNNEL-3 J.DOE "gas.2.span_fails = 1"
session "$dir/tunnel.state" 0 zero "span 1,3,4" read

rm -f "$dir"/*.state "$dir"/chart.seq
echo "Written: $dir/VQ5100Records.sqlite"
