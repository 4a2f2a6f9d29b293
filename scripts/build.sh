#!/usr/bin/env bash
# Configures and builds one build folder.
# Usage: scripts/build.sh DIR [cmake options...] [-- TARGET...]   (no target: everything)
# The folder is configured on every call, with the options given: a folder never builds with
# options from an earlier run, and one configured before GoogleTest was installed (by ./run) gets
# its tests when ./test configures it again. Configuring again with the same options rebuilds
# nothing.
set -euo pipefail
dir=$1; shift
root=$(cd "$(dirname "$0")/.." && pwd)
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
targets=("$@")
stamp="$dir/.vq-configure-options"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" != "${options[*]}" ]; then
  # Options dropped from the command line would otherwise stay in the cache.
  rm -f "$dir/CMakeCache.txt"
fi
generator=()
[ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$dir" "${generator[@]}" "${options[@]}" >/dev/null
printf '%s' "${options[*]}" > "$stamp"
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$dir" --target "${targets[@]}"
else
  cmake --build "$dir"
fi
