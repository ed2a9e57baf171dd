#!/usr/bin/env bash
# Installs what is missing, builds ORQ and starts the desktop program on a freshly made demo list
# (dated around today, written to a temporary folder that goes when the program ends).
# Usage: scripts/run-demo.sh [extra arguments for orq]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${ORQ_BUILD_DIR:-build}"
scripts/deps.sh --build fonts-wine   # a Tahoma work-alike, the font the windows are laid out for
# Only the program: the tests and benchmarks need what scripts/deps.sh installs without --build.
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DORQ_TESTS=OFF -DORQ_BENCH=OFF
cmake --build "$build" --target orq -j "$(nproc)"
exec "$build/src/orq" --demo "$@"
