#!/usr/bin/env bash
# Installs the Debian packages a command needs, only when missing.
# Usage: scripts/install-deps.sh [run|test|bench|ci|shots]
#   run    building and running the three programs (and a window: Xvfb, the Japanese font)
#   test   (the default) that, plus the tests: GoogleTest, a PostgreSQL server, the package checks
#   bench  building the programs and the benchmarks, and the script that measures them
#   ci     test, plus the format check and the fuzz pass
#   shots  test, plus what scripts/screenshots.sh drives the windows with
set -euo pipefail
build=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
       libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev qt6-translations-l10n)
tests=(libgtest-dev libgmock-dev postgresql dpkg-dev lintian)
pkgs=("${build[@]}")
case "${1:-test}" in
  run) pkgs+=(xvfb xauth fonts-noto-cjk) ;;
  test) pkgs+=("${tests[@]}") ;;
  bench) pkgs+=(libbenchmark-dev python3) ;;
  ci) pkgs+=("${tests[@]}" clang-format clang libclang-rt-14-dev) ;;
  shots) pkgs+=("${tests[@]}" xvfb xauth openbox xdotool imagemagick fonts-noto-cjk faketime) ;;
  *) echo "usage: $0 [run|test|bench|ci|shots]" >&2; exit 2 ;;
esac
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
