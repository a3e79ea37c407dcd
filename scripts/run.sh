#!/usr/bin/env bash
# Installs what Pelicarta needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh RelWithDebInfo -DPELICARTA_BUILD_TESTS=OFF -DPELICARTA_BUILD_BENCH=OFF
# Tesseract's OpenMP threads make recognition several times slower on small machines.
export OMP_THREAD_LIMIT="${OMP_THREAD_LIMIT:-1}"
exec ./build/src/pelicarta "$@"
