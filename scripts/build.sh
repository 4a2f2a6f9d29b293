#!/usr/bin/env bash
# Configures and builds one build folder. Usage: scripts/build.sh DIR [cmake options...]
# The folder is configured again whenever the options differ from those it was configured with,
# so a folder never builds silently with options from an earlier run.
set -euo pipefail
dir=$1; shift
root=$(cd "$(dirname "$0")/.." && pwd)
options="$*"
stamp="$dir/.vq-configure-options"
if [ ! -f "$dir/build.ninja" ] || [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$options" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  printf '%s' "$options" > "$stamp"
fi
cmake --build "$dir"
