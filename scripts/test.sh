#!/usr/bin/env bash
# Installs what Pelicarta needs, builds it with its tests and runs every test.
# SANITIZE=1 also builds and runs the tests under the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs="${JOBS:-$(nproc)}"
bash scripts/build.sh RelWithDebInfo
ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 600
if [ "${SANITIZE:-0}" = "1" ]; then
  BUILD_DIR=build-sanitize bash scripts/build.sh Sanitize -DPELICARTA_BUILD_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs" --timeout 900 -LE slow
fi
