#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: once in a normal build and
# once under AddressSanitizer + UndefinedBehaviorSanitizer. Fails if either run fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
# Every program a build step or test calls must be there, from the package setup.sh installs:
# otherwise a fresh machine fails (or skips) where this one passes.
bash scripts/check-tools.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0

# Three builds of one tree: a compiler cache keyed on paths relative to the checkout lets a later
# run (or another clone) reuse what an earlier one compiled.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

run_suite() {
  local dir=$1; shift
  echo "== configure $dir"
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" || return 1
  echo "== build $dir"
  cmake --build "$dir" -j "$jobs" || return 1
  echo "== test $dir"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo || status=1

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DHARLUNE_SANITIZE=ON -DHARLUNE_BUILD_BENCH=OFF || status=1

# Threads (stack notifications, workers, the emulated phone's server) under ThreadSanitizer. The
# windows are left out: Qt's own libraries are not built with TSan and would only report noise.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp
run_suite build-tsan -DCMAKE_BUILD_TYPE=Debug -DHARLUNE_TSAN=ON -DHARLUNE_BUILD_GUI=OFF -DHARLUNE_BUILD_BENCH=OFF || status=1

# Every fuzz target briefly, so that a parser regression shows up here; scripts/fuzz.sh runs longer.
echo "== fuzz"
bash scripts/fuzz.sh "${HARLUNE_FUZZ_SECONDS:-3}" || status=1

if [ $status -eq 0 ]; then echo "== all test runs passed"; else echo "== a test run FAILED"; fi
exit $status
