#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time on its checked-in seed
# corpus, printing executions and crashes per target. Exits non-zero when any target crashed.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]      (default 60 seconds, every target)
# Inputs that crashed are kept in build-fuzz/crashes/; add each one, once fixed, to
# fuzz/corpus/<target>/ so it stays a regression test.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DHARLUNE_FUZZ=ON -DHARLUNE_BUILD_TESTS=OFF -DHARLUNE_BUILD_BENCH=OFF -DHARLUNE_BUILD_GUI=OFF >/dev/null || exit 1
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "${build_targets[@]}" || exit 1

mkdir -p build-fuzz/crashes
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
total_crashes=0
printf '%-22s %14s %8s\n' target executions crashes
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  log=build-fuzz/$t.log
  before=$(ls build-fuzz/crashes | grep -c "^$t-" || true)
  build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build-fuzz/crashes/$t-" "$work" "fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  after=$(ls build-fuzz/crashes | grep -c "^$t-" || true)
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  crashes=$((after - before))
  [ $rc -ne 0 ] && [ $crashes -eq 0 ] && crashes=1
  printf '%-22s %14s %8s\n' "$t" "${execs:-0}" "$crashes"
  if [ $crashes -ne 0 ]; then
    total_crashes=$((total_crashes + crashes))
    echo "---- $t: last lines of $log"; tail -25 "$log"
  fi
  rm -rf "$work"
done
failed=0; [ $total_crashes -ne 0 ] && failed=1
echo "fuzz: $(( ${#targets[@]} - failed )) passed, $failed failed"
exit $failed
