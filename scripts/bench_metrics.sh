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

# Prints the wall-clock and the CPU (user + system) seconds of one run of the command.
measure() {
    /usr/bin/time -o "$data/time.txt" -f "%e %U %S" "$@" >/dev/null 2>&1
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$data/time.txt"
}

# Prints "best-wall median-wall best-cpu" of RUNS runs.
best_median() {
    local lines=()
    for _ in $(seq "$runs"); do lines+=("$(measure "$@")"); done
    printf '%s\n' "${lines[@]}" | sort -g |
        awk '{ w[NR] = $1; c[NR] = $2 } END {
            best = c[1]; for (i = 2; i <= NR; i++) if (c[i] < best) best = c[i];
            printf "%.3f %.3f %.2f\n", w[1], w[int((NR + 1) / 2)], best }'
}

# The list's dates fall in 2008: the end of that year gives a full list period.
read -r cli_best cli_median cli_cpu < <(best_median env LC_ALL=en_US.UTF-8 "$build/src/orq-cli" metrics \
    "$list" --today 2008-12-31 --settings /nonexistent/ORQ.ini)
read -r xlrd_best xlrd_median xlrd_cpu < <(best_median "$python" -c \
    'import sys, xlrd; s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0); print(s.nrows)' \
    "$list")

echo "Largest processing list: $(stat -c %s "$list") bytes, $runs runs each, seconds"
printf '  %-40s wall best %s  median %s  cpu best %s  (target 0.300)\n' "orq-cli metrics" \
    "$cli_best" "$cli_median" "$cli_cpu"
printf '  %-40s wall best %s  median %s  cpu best %s\n' \
    "python3-xlrd open_workbook (read only)" "$xlrd_best" "$xlrd_median" "$xlrd_cpu"
echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Selector change on the loaded list (target 30 ms):"
"$build/bench/bench_metrics" --benchmark_filter='Select|CountPMS|DateOfText' \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null
