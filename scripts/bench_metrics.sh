#!/usr/bin/env bash
# Times `orq-cli metrics` on the largest processing list (65,527 data rows) as a whole process,
# side by side with python3-xlrd merely reading the same file, and runs the selector-change
# benchmark. Targets: the metrics command within 0.3 s, a selector change within 30 ms.
#
# Usage: scripts/bench_metrics.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a configured build folder (default: build); orq-cli and bench_metrics are built
#   RUNS       timed runs of each program (default 5); the best and the median are shown
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
python=/usr/bin/python3

cmake --build "$build" --target orq-cli bench_metrics -j2 >/dev/null
data="$build/bench-data"
list="$data/largest_apl.xls"
mkdir -p "$data"
if [ ! -f "$list" ]; then
    echo "Writing $list ..."
    "$python" "$root/bench/make_largest_apl.py" "$list"
fi

# Prints the wall-clock seconds of one run of the command.
wall() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

# Prints "best median" of RUNS runs.
best_median() {
    local times=()
    for _ in $(seq "$runs"); do times+=("$(wall "$@")"); done
    printf '%s\n' "${times[@]}" | sort -g |
        awk '{ t[NR] = $1 } END { printf "%.3f %.3f\n", t[1], t[int((NR + 1) / 2)] }'
}

# The list's dates fall in 2008: the end of that year gives a full list period.
read -r cli_best cli_median < <(best_median env LC_ALL=en_US.UTF-8 "$build/src/orq-cli" metrics \
    "$list" --today 2008-12-31 --settings /nonexistent/ORQ.ini)
read -r xlrd_best xlrd_median < <(best_median "$python" -c \
    'import sys, xlrd; s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0); print(s.nrows)' \
    "$list")

echo "Largest processing list: $(stat -c %s "$list") bytes, $runs runs each, wall-clock seconds"
printf '  %-40s best %s  median %s  (target 0.300)\n' "orq-cli metrics" "$cli_best" "$cli_median"
printf '  %-40s best %s  median %s\n' "python3-xlrd open_workbook (read only)" "$xlrd_best" \
    "$xlrd_median"
echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Selector change on the loaded list (target 30 ms):"
"$build/bench/bench_metrics" --benchmark_filter='Select|CountPMS|DateOfText' \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null
