#!/usr/bin/env bash
# Builds ORQ and runs every test. With --sanitize the tests are built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a separate build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
# The tests are named even when a build folder made by scripts/run-demo.sh left them out.
flags=(-DORQ_TESTS=ON -DORQ_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    flags=(-DORQ_TESTS=ON -DORQ_SANITIZE=ON -DORQ_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

scripts/deps.sh
cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
