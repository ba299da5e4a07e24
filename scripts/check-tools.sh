#!/usr/bin/env bash
# Checks that every external program the build and the tests call resolves, and that it comes
# from the Debian package scripts/tools.txt names for it (which scripts/setup.sh installs), so a
# test that would skip or fail on a fresh machine fails here first, with the tool's name.
#   scripts/check-tools.sh [TOOLS_FILE]
# The checking itself uses only bash built-ins and essential programs by their full paths, so it
# can run with a PATH that lacks any tool.
set -u
case $0 in */*) here=${0%/*} ;; *) here=. ;; esac
list=${1:-$here/tools.txt}
dpkg_query=/usr/bin/dpkg-query
[ -r "$list" ] || { echo "check-tools: cannot read $list"; exit 2; }
[ -x "$dpkg_query" ] || { echo "check-tools: $dpkg_query missing (is this Debian?)"; exit 2; }

# The package that owns PATH, or nothing.
owner() { "$dpkg_query" -S "$1" 2>/dev/null | { IFS=: read -r pkg _ && printf '%s' "${pkg%%,*}"; }; }

# The file at the end of a chain of links (alternatives).
resolve() { /usr/bin/readlink -f "$1"; }

missing=0 checked=0
while read -r tool package _; do
  case $tool in ''|'#'*) continue ;; esac
  checked=$((checked + 1))
  case $tool in
    python3:*)
      module=${tool#python3:}
      file=$(/usr/bin/python3 -c "import $module, sys; sys.stdout.write($module.__file__)" 2>/dev/null) || file=
      if [ -z "$file" ]; then
        echo "missing: Python module $module (Debian package $package)"; missing=$((missing + 1)); continue
      fi ;;
    /*)
      file=$tool
      [ -x "$file" ] || { echo "missing: $tool (Debian package $package)"; missing=$((missing + 1)); continue; } ;;
    *)
      file=$(command -v "$tool") || file=
      [ -n "$file" ] || { echo "missing: $tool (Debian package $package)"; missing=$((missing + 1)); continue; } ;;
  esac
  from=$(owner "$file")
  [ "$from" = "$package" ] || from=$(owner "$(resolve "$file")")
  if [ "$from" != "$package" ]; then
    echo "wrong source: $tool is $file, from ${from:-no Debian package}, not from $package"
    missing=$((missing + 1))
  fi
done < "$list"

if [ $missing -gt 0 ]; then
  echo "check-tools: $missing of $checked tools not as scripts/setup.sh installs them"; exit 1
fi
echo "check-tools: all $checked tools present, each from its Debian package"
