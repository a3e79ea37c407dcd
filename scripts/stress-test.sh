#!/usr/bin/env bash
# Runs the whole suite as a busy two-processor CI machine would: ctest, and every program it starts, held
# to two processors (CPUS, default the first two this shell may use) that two busy loops share with it,
# RUNS times (default 5), with three tests at a time as scripts/test.sh runs them on two processors.
#
#   bash scripts/stress-test.sh                 # the sanitizer build (build-sanitize, then build-heap)
#   SANITIZE=0 bash scripts/stress-test.sh      # the plain build (build)
#   RUNS=1 LOAD=0 bash scripts/stress-test.sh   # once, without the busy loops
#
# Builds what is missing first (on every processor), then prints each run's wall time and failed tests;
# the logs are kept in build-stress/. Exits 1 when any run failed.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${RUNS:-5}"
load="${LOAD:-2}"
sanitize="${SANITIZE:-1}"
cpus="${CPUS:-$(python3 -c 'import os; print(",".join(map(str, sorted(os.sched_getaffinity(0))[:2])))')}"
logs=build-stress
mkdir -p "$logs"

if [ "$sanitize" = "1" ]; then
  BUILD_DIR=build-sanitize bash scripts/build.sh Sanitize >/dev/null
  cmake -S . -B build-heap -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DPELICARTA_HEAP_TESTS_ONLY=ON -DPELICARTA_BUILD_BENCH=ON -DPELICARTA_UNITY=ON >/dev/null
  cmake --build build-heap --target tests_heap >/dev/null
  suites=(build-sanitize build-heap)
  kind=sanitize
else
  bash scripts/build.sh RelWithDebInfo >/dev/null
  suites=(build)
  kind=plain
fi

loops=()
group=""
stop() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
  loops=()
  # ctest runs in a process group of its own: whatever a test left behind (a desktop, the program) goes
  # with it.
  [ -n "$group" ] && kill -- "-$group" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 1 "$load"); do
  taskset -c "$cpus" bash -c 'while :; do :; done' &
  loops+=($!)
done

echo "stress: $kind build, $runs runs on processors $cpus beside $load busy loops"
failed_runs=0
for run in $(seq 1 "$runs"); do
  log="$logs/$kind-$run.log"
  : >"$log"
  start=$(date +%s)
  status=0
  for dir in "${suites[@]}"; do
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
      setsid taskset -c "$cpus" ctest --test-dir "$dir" --output-on-failure --parallel 3 --timeout 900 >>"$log" 2>&1 &
    group=$!
    wait "$group" || status=1
    kill -- "-$group" 2>/dev/null || true
    group=""
  done
  seconds=$(($(date +%s) - start))
  summary="$(grep -E '^[0-9]+% tests passed' "$log" | tr '\n' ' ' || true)"
  failures="$(sed -n '/The following tests FAILED/,$p' "$log" | { grep -E '^\s+[0-9]+ - ' || true; } | sed 's/^ *//' | tr '\n' ';')"
  printf 'run %d: %dm%02ds, %s%s\n' "$run" $((seconds / 60)) $((seconds % 60)) "$summary" \
    "${failures:+failed: $failures}"
  [ "$status" = "0" ] || failed_runs=$((failed_runs + 1))
done
stop
echo "stress: $failed_runs of $runs runs failed (logs in $logs/)"
[ "$failed_runs" = "0" ]
