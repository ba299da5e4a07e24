#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs is in place.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR
set -u
build=$1; src=$2
prefix=$(mktemp -d); home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
fail=0
check() { if [ -e "$prefix/$1" ]; then echo "ok   $1"; else echo "MISSING $1"; fail=1; fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
for f in bin/harlune bin/harlune-cli bin/harlune-phonesim \
         share/applications/harlune.desktop \
         share/icons/hicolor/scalable/apps/harlune.svg \
         share/icons/hicolor/16x16/apps/harlune.png share/icons/hicolor/48x48/apps/harlune.png \
         share/icons/hicolor/256x256/apps/harlune.png \
         share/man/man1/harlune.1 share/harlune/registry-defaults.ini; do
  check "$f"
done
if [ -d "$src/res/pictures" ]; then check share/harlune/pictures; fi

if command -v desktop-file-validate >/dev/null; then
  if desktop-file-validate "$prefix/share/applications/harlune.desktop"; then echo "ok   desktop-file-validate"
  else echo "desktop-file-validate found faults"; fail=1; fi
else
  echo "desktop-file-validate missing (desktop-file-utils)"; fail=1
fi

# The man page documents every option that --help lists.
help=$(HOME=$home QT_QPA_PLATFORM=offscreen "$prefix/bin/harlune" --help 2>&1)
for option in $(printf '%s\n' "$help" | grep -oE '^\s+--[a-z]+(=[a-z]+)?' | tr -d ' '); do
  if grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$prefix/share/man/man1/harlune.1"; then :
  else echo "man page lacks $option"; fail=1; fi
done

# The installed program starts (offscreen) and finds its installed data.
version=$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data QT_QPA_PLATFORM=offscreen \
          "$prefix/bin/harlune" --version 2>&1)
if printf '%s' "$version" | grep -q "DUNMERE Harlune"; then echo "ok   harlune --version: $version"
else echo "installed harlune --version said: $version"; fail=1; fi
for tool in harlune-cli harlune-phonesim; do
  if "$prefix/bin/$tool" --help >/dev/null 2>&1; then echo "ok   $tool --help"; else echo "$tool --help failed"; fail=1; fi
done
exit $fail
