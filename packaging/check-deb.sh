#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its file list and declared dependencies.
# Usage: check-deb.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { echo "cpack failed:"; tail -30 "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no package was made"; exit 1; }
echo "package: $(basename "$deb")"
list=$(dpkg-deb -c "$deb" | awk '{print $6}')
fail=0
for f in ./usr/bin/harlune ./usr/bin/harlune-cli ./usr/bin/harlune-phonesim \
         ./usr/share/applications/harlune.desktop ./usr/share/icons/hicolor/scalable/apps/harlune.svg \
         ./usr/share/man/man1/harlune.1 ./usr/share/harlune/registry-defaults.ini; do
  if printf '%s\n' "$list" | grep -qx -- "$f"; then echo "ok   $f"; else echo "MISSING $f"; fail=1; fi
done
# Nothing outside /usr: the package never touches the user's data.
if printf '%s\n' "$list" | grep -vE '^\./(usr/.*)?$' | grep -q .; then
  echo "files outside /usr:"; printf '%s\n' "$list" | grep -vE '^\./(usr/.*)?$'; fail=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libbluetooth3; do
  printf '%s' "$depends" | grep -q "$lib" || { echo "Depends lacks $lib"; fail=1; }
done
# The unpacked package runs where it lands and finds its own data.
root=$out/root; home=$out/home
dpkg-deb -x "$deb" "$root" && mkdir -p "$home"
version=$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data QT_QPA_PLATFORM=offscreen \
          "$root/usr/bin/harlune" --version 2>&1)
if printf '%s' "$version" | grep -q "DUNMERE Harlune"; then echo "ok   unpacked harlune --version"
else echo "unpacked harlune --version said: $version"; fail=1; fi
exit $fail
