#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a user would meet it: its
# control fields and file list (dpkg-deb), the unpacked command-line tool talking to its
# built-in instrument, and lintian with no error. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack"
fi
debs=("$work"/out/vq5100_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single vq5100_*.deb in ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vq5100 ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = electronics ] || fail "Section: $(field Section)"
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6network6; do
  field Depends | grep -q "$lib" || fail "Depends lacks $lib: $(field Depends)"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for path in /usr/bin/vq5100-setup /usr/bin/vq5100ctl /usr/bin/vq5100-sim \
    /usr/share/applications/vq5100-setup.desktop \
    /usr/share/icons/hicolor/scalable/apps/vq5100-setup.svg \
    /usr/lib/udev/rules.d/60-vq5100.rules \
    /usr/share/man/man1/vq5100-setup.1.gz /usr/share/man/man1/vq5100ctl.1.gz \
    /usr/share/man/man1/vq5100-sim.1.gz \
    /usr/share/bash-completion/completions/vq5100ctl \
    /usr/share/doc/vq5100/copyright /usr/share/doc/vq5100/changelog.gz; do
  grep -qx "$path" "$work/files" || fail "missing $path"
done

dpkg-deb -x "$deb" "$work/root"
grep -q 'ATTRS{idVendor}=="10c4", ATTRS{idProduct}=="ea60", TAG+="uaccess"' \
  "$work/root/usr/lib/udev/rules.d/60-vq5100.rules" || fail "udev rule"
grep -qx 'Exec=vq5100-setup' "$work/root/usr/share/applications/vq5100-setup.desktop" ||
  fail "desktop entry"

# The unpacked tool, not the one in the build folder, answers against its built-in instrument.
mkdir "$work/run"
out=$(cd "$work/run" && "$work/root/usr/bin/vq5100ctl" --simulator probe) || fail "probe exit $?"
echo "$out"
echo "$out" | grep -q "VQ-5100" || fail "probe printed no model"

if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" || fail "lintian"
else
  echo "lintian is not installed (scripts/install-deps.sh installs it): not checked"
  exit 77
fi
echo "package ok: $(basename "$deb")"
