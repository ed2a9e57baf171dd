#!/usr/bin/env bash
# Times reading every cell value of the largest processing list (65,527 data rows x 27 columns)
# side by side: ORQ's import component (bench/tool_read_cells), FreeXL (bench/peer_freexl.c) and
# python3-xlrd. Each is run as a whole process under /usr/bin/time; the best of the runs counts.
#
#   scripts/bench_reader.sh [BUILD_DIR] [RUNS]      (default: build-bench, 10)
#
# Targets: at most 0.12 s and 150 MB for ORQ, faster than FreeXL, at least 15x faster than xlrd.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${2:-10}
xlrd_runs=3
data="$build/bench-data"
list="$data/largest_apl.xls"

scripts/deps.sh libfreexl-dev
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DORQ_GUI=OFF -DORQ_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target tool_read_cells -j 2 >/dev/null
mkdir -p "$data"
[ -f "$list" ] || /usr/bin/python3 bench/make_largest_apl.py "$list"
cc -O2 -o "$data/peer_freexl" bench/peer_freexl.c -lfreexl

cat >"$data/peer_xlrd.py" <<'EOF'
import sys
import xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
cells = characters = 0
for r in range(sheet.nrows):
    for value in sheet.row_values(r, 0, 27):
        if value != "":
            cells += 1
            if isinstance(value, str):
                characters += len(value)
print("%d rows, %d cells, %d characters" % (sheet.nrows, cells, characters))
EOF

# best_of NAME RUNS COMMAND...: prints "NAME seconds peak_kb" for the fastest run.
best_of() {
    local name=$1 count=$2
    shift 2
    local best="" peak=0 line seconds kb
    for ((i = 0; i < count; i++)); do
        line=$({ /usr/bin/time -f "%e %M" "$@" >/dev/null; } 2>&1 | tail -n 1)
        seconds=${line% *}
        kb=${line#* }
        if [ -z "$best" ] || awk "BEGIN{exit !($seconds < $best)}"; then best=$seconds; fi
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    echo "$name $best $peak"
}

echo "list: $list ($(du -m "$list" | cut -f1) MB); output of each reader:"
echo "  orq:    $("$build/bench/tool_read_cells" "$list")"
echo "  freexl: $("$data/peer_freexl" "$list")"
echo "  xlrd:   $(/usr/bin/python3 "$data/peer_xlrd.py" "$list")"

results=$(
    best_of orq "$runs" "$build/bench/tool_read_cells" "$list"
    best_of freexl "$runs" "$data/peer_freexl" "$list"
    best_of xlrd "$xlrd_runs" /usr/bin/python3 "$data/peer_xlrd.py" "$list"
)
echo
echo "$results" | awk '
    { name[NR] = $1; s[$1] = $2; kb[$1] = $3 }
    END {
        printf "%-8s %10s %10s %12s\n", "reader", "best s", "peak MB", "vs orq"
        for (i = 1; i <= NR; i++)
            printf "%-8s %10.2f %10.1f %11.1fx\n", name[i], s[name[i]], kb[name[i]] / 1024,
                   s[name[i]] / (s["orq"] > 0 ? s["orq"] : 0.01)
        printf "\n"
        ok = 1
        if (s["orq"] > 0.12) { print "orq time above the 0.12 s target"; ok = 0 }
        if (kb["orq"] > 150 * 1024) { print "orq peak memory above the 150 MB target"; ok = 0 }
        if (s["orq"] >= s["freexl"]) { print "orq not faster than FreeXL"; ok = 0 }
        if (s["xlrd"] < 15 * s["orq"]) { print "orq less than 15x faster than xlrd"; ok = 0 }
        print ok ? "all targets met" : "some targets missed"
    }'
