#!/usr/bin/env bash
# Installs what Pelicarta needs, builds it with its tests and runs every test once.
# SANITIZE=1 builds and runs the same tests under the address and undefined-behaviour sanitizers instead
# (into build-sanitize); the few that measure the C library's heap skip themselves there and run in a
# plain build of their own (build-heap).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs="${JOBS:-$(nproc)}"
# One test more than processors: two lanes of end-to-end tests spend most of their time waiting for their
# desktop, and the other tests fill it.
test_jobs=$((jobs + 1))
if [ "${SANITIZE:-0}" = "1" ]; then
  BUILD_DIR=build-sanitize bash scripts/build.sh Sanitize
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$test_jobs" --timeout 900
  # Those that measure the heap or limit the address space run in a plain build of their own program, so
  # that every check still runs once. The same build compiles the benchmarks (without running them), so
  # that a change which breaks one fails here rather than when someone next measures.
  cmake -S . -B build-heap -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    -DPELICARTA_HEAP_TESTS_ONLY=ON -DPELICARTA_BUILD_BENCH=ON -DPELICARTA_UNITY=ON
  cmake --build build-heap --parallel "$jobs" --target tests_heap pelicarta_bench
  ctest --test-dir build-heap --output-on-failure --parallel "$jobs" --timeout 600
else
  bash scripts/build.sh RelWithDebInfo
  ctest --test-dir build --output-on-failure --parallel "$test_jobs" --timeout 600
fi
