#!/usr/bin/env bash
# The tool check against a PATH that lacks one tool, and against a list that names the wrong
# package for one: each must fail and name that tool. Usage: tool_check_test.sh SCRIPTS_DIR
set -u
scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

expect() {  # expect WHAT STATUS PATTERN -- COMMAND...
  local what=$1 status=$2 pattern=$3; shift 4
  local out rc
  out=$("$@" 2>&1); rc=$?
  if [ $rc -eq "$status" ] && printf '%s\n' "$out" | grep -q -- "$pattern"; then
    echo "ok   $what"
  else
    echo "FAIL $what (exit $rc, wanted $status and \"$pattern\"):"; printf '%s\n' "$out"; fail=1
  fi
}

# A PATH holding every listed tool but `file`, as links to where this machine has them.
mkdir "$work/bin"
while read -r tool _; do
  case $tool in ''|'#'*|python3:*|/*|file) continue ;; esac
  found=$(command -v "$tool") && ln -s "$found" "$work/bin/$tool"
done < "$scripts/tools.txt"
expect "a tool missing from PATH is named" 1 "missing: file (Debian package file)" -- \
  env PATH="$work/bin" /bin/bash "$scripts/check-tools.sh"

# `file` present, but the list says another package installs it.
sed 's/^file  *file /file  coreutils /' "$scripts/tools.txt" > "$work/tools.txt"
expect "a tool from another package is named" 1 "wrong source: file is" -- \
  /bin/bash "$scripts/check-tools.sh" "$work/tools.txt"

# A missing Python module.
printf 'python3:no_such_module_here python3-nothing\n' > "$work/module.txt"
expect "a missing Python module is named" 1 "missing: Python module no_such_module_here" -- \
  /bin/bash "$scripts/check-tools.sh" "$work/module.txt"
exit $fail
