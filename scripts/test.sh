#!/usr/bin/env bash
# Installs what Pelicarta needs, builds it with its tests and runs every test once.
# SANITIZE=1 builds and runs the same tests under the address and undefined-behaviour sanitizers instead
# (into build-sanitize); the few that measure the C library's heap skip themselves there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs="${JOBS:-$(nproc)}"
if [ "${SANITIZE:-0}" = "1" ]; then
  BUILD_DIR=build-sanitize bash scripts/build.sh Sanitize
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs" --timeout 900
else
  bash scripts/build.sh RelWithDebInfo
  ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 600
fi
