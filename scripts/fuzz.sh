#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz and runs one of them for a number of seconds, seeded from fuzz/corpus/<target>/.
# New inputs go to fuzz-corpus-work/<target>/, findings to fuzz-corpus-work/<target>-findings/.
# Inputs are at most 64 KB and the process may take at most 512 MB, so an input that makes the
# reader take far more memory than its size is a finding too.
#
# Usage: scripts/fuzz.sh TARGET [SECONDS] [more libFuzzer options...]
#   e.g. scripts/fuzz.sh fuzz_cfb 600   (targets: fuzz_cfb, fuzz_workbook, fuzz_settings)
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]}
seconds=${2:-60}
shift
[ $# -gt 0 ] && shift

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DORQ_FUZZ=ON -DORQ_GUI=OFF \
        -DORQ_TESTS=OFF -DORQ_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target "$target" -j 2

work=fuzz-corpus-work/$target
findings=fuzz-corpus-work/$target-findings
mkdir -p "$work" "$findings" "fuzz/corpus/$target"
# A small quarantine, so that the memory limit measures the reader rather than freed blocks.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=16
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=512 \
    -max_len=65536 -artifact_prefix="$findings/" "$@" "$work" "fuzz/corpus/$target"
