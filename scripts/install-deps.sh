#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run command need, only when missing.
# Usage: scripts/install-deps.sh [run|bench|ci]   ("run" adds what showing a window needs, "bench"
# what bench/run needs to drive the programs, "ci" the format check and the fuzz pass, "shots" what scripts/screenshots.sh drives the windows with)
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      libqt6sql6-sqlite libqt6sql6-psql postgresql
      qt6-translations-l10n dpkg-dev lintian)
if [ "${1:-}" = run ]; then
  pkgs+=(xvfb xauth fonts-noto-cjk)
elif [ "${1:-}" = bench ]; then
  pkgs+=(python3)
elif [ "${1:-}" = shots ]; then
  pkgs+=(xvfb xauth openbox xdotool imagemagick fonts-noto-cjk faketime)
elif [ "${1:-}" = ci ]; then
  pkgs+=(clang-format clang libclang-rt-14-dev)
fi
missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
