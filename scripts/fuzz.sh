#!/usr/bin/env bash
# Builds the fuzz targets with clang (with the libraries they read through, under ASan + UBSan with
# libFuzzer's coverage) and runs each for FUZZ_SECONDS (default 30) on a copy of its seeds in
# tests/fuzz/<target>/ and the large ones tests/fuzz/big_seeds.py makes, FUZZ_JOBS targets at a time
# (default 4), each with the largest input and the memory fuzz/CMakeLists.txt declares for it.
# FUZZ_BUILD_ALL=1 builds the whole project with clang first (the program and its tests too), which
# CI leaves out to stay short. Every seed is run first, so the inputs that once went wrong are checked
# on every run. Prints the number of inputs each target ran; fails when any target finds something
# (the input is kept in $BUILD_DIR/fuzz-findings).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
all="${FUZZ_BUILD_ALL:-0}"
tests=OFF
[ "$all" = "1" ] && tests=ON
CXX="${FUZZ_CXX:-clang++}" cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Fuzz -DPELICARTA_BUILD_FUZZ=ON \
  -DPELICARTA_BUILD_BENCH=OFF -DPELICARTA_BUILD_TESTS="$tests" "$@"
if [ "$all" = "1" ]; then
  cmake --build "$build_dir" --parallel "${JOBS:-$(nproc)}"
else
  cmake --build "$build_dir" --parallel "${JOBS:-$(nproc)}" --target fuzz_targets
fi

findings="$build_dir/fuzz-findings"
mkdir -p "$findings"
# Leaks are not findings here (Qt keeps global caches); everything else is. A small quarantine of freed
# blocks, so that the process's memory is what the readers hold (the default keeps 256 MB of them).
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1:quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen
# One target on a copy of its seeds; its verdict line on stdout, its log beside the build.
run_target() {
  local target="$1" max_len="$2" rss_mb="$3" corpus log runs
  corpus="$(mktemp -d)"
  cp -r "tests/fuzz/$target/." "$corpus/"
  python3 tests/fuzz/big_seeds.py "$target" "$corpus"
  log="$build_dir/fuzz-$target.log"
  # A single allocation above 300 MB is a finding: no reader may need more for what a screenshot is.
  # So is a process above its declared memory: an input of max_len that costs hundreds of megabytes.
  # The fuzzer keeps the inputs it found in memory, up to a megabyte a second with large ones: a run
  # longer than CI's is given that much more.
  [ "$seconds" -gt 30 ] && rss_mb=$((rss_mb + seconds - 30))
  if "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -max_len="$max_len" \
       -malloc_limit_mb=300 -rss_limit_mb="$rss_mb" -artifact_prefix="$findings/$target-" -print_final_stats=1 \
       "$corpus" >"$log" 2>&1; then
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')"
    echo "fuzz $target: $runs inputs in ${seconds} s, no finding"
  else
    echo "fuzz $target: FINDING (see $log and $findings)"
    tail -40 "$log"
    rm -rf "$corpus"
    return 1
  fi
  rm -rf "$corpus"
}

status=0
running=0
while read -r target max_len rss_mb; do
  [ -n "$target" ] || continue
  if [ "$running" -ge "${FUZZ_JOBS:-4}" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  run_target "$target" "$max_len" "$rss_mb" &
  running=$((running + 1))
done <"$build_dir/fuzz/targets.txt"
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit "$status"
