#!/usr/bin/env bash
# Configures and builds Pelicarta into ./build (or $BUILD_DIR) with the given CMake build type.
set -euo pipefail
cd "$(dirname "$0")/.."
build_type="${1:-RelWithDebInfo}"
build_dir="${BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "${@:2}"
cmake --build "$build_dir" --parallel "${JOBS:-$(nproc)}"
