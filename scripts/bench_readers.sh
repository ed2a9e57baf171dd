#!/usr/bin/env bash
# Times reading every cell value of the largest processing list (65,527 data rows x 27 columns)
# saved by LibreOffice as .xlsx and as .csv, side by side in one run: ORQ's import component
# (bench/tool_read_cells, which opens any of the three by content) and python3-openpyxl in
# read-only mode on the same .xlsx. Each is run as a whole process under /usr/bin/time; the best
# of the runs counts, and the CPU seconds (user + system) of that run are shown beside.
#
#   scripts/bench_readers.sh [BUILD_DIR] [RUNS] [LIST.xls]
#       (default: build-bench, 10, /work/data/largest.xls or the generated largest list)
#
# Targets: .xlsx at most 0.5 s and 200 MB, at least 10x faster than openpyxl; .csv at most
# 0.15 s.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${2:-10}
peer_runs=3
data="$build/bench-data"
source_list=${3:-}

scripts/deps.sh libreoffice-calc-nogui python3-openpyxl
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DORQ_GUI=OFF -DORQ_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target tool_read_cells -j 2 >/dev/null
mkdir -p "$data"
if [ -z "$source_list" ]; then
    source_list=/work/data/largest.xls
    if [ ! -f "$source_list" ]; then
        source_list="$data/largest_apl.xls"
        [ -f "$source_list" ] || /usr/bin/python3 bench/make_largest_apl.py "$source_list"
    fi
fi
name=$(basename "$source_list" .xls)
xlsx="$data/$name.xlsx"
csv="$data/$name.csv"
if [ ! -f "$xlsx" ] || [ ! -f "$csv" ]; then
    profile=$(mktemp -d)
    lo() { soffice --headless "-env:UserInstallation=file://$profile" "$@" >/dev/null 2>&1; }
    lo --convert-to xlsx --outdir "$data" "$source_list"
    lo --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir "$data" "$source_list"
    rm -rf "$profile"
fi

cat >"$data/peer_openpyxl.py" <<'PY'
import sys
import openpyxl
sheet = openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets[0]
rows = cells = characters = 0
for row in sheet.iter_rows(max_col=27, values_only=True):
    rows += 1
    for value in row:
        if value is not None and value != "":
            cells += 1
            if isinstance(value, str):
                characters += len(value)
print("%d rows, %d cells, %d characters" % (rows, cells, characters))
PY

# best_of NAME RUNS COMMAND...: prints "NAME seconds peak_kb cpu_seconds" for the fastest run.
best_of() {
    local name=$1 count=$2
    shift 2
    local best="" peak=0 cpu="" line seconds kb used
    for ((i = 0; i < count; i++)); do
        line=$({ /usr/bin/time -f "%e %M %U %S" "$@" >/dev/null; } 2>&1 | tail -n 1)
        read -r seconds kb user system <<<"$line"
        used=$(awk "BEGIN{print $user + $system}")
        if [ -z "$best" ] || awk "BEGIN{exit !($seconds < $best)}"; then
            best=$seconds
            cpu=$used
        fi
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    echo "$name $best $peak $cpu"
}

echo "lists: $xlsx ($(du -m "$xlsx" | cut -f1) MB), $csv ($(du -m "$csv" | cut -f1) MB)"
echo "  orq xlsx: $("$build/bench/tool_read_cells" "$xlsx")"
echo "  orq csv:  $("$build/bench/tool_read_cells" "$csv")"
echo "  openpyxl: $(/usr/bin/python3 "$data/peer_openpyxl.py" "$xlsx")"
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

results=$(
    best_of orq-xlsx "$runs" "$build/bench/tool_read_cells" "$xlsx"
    best_of orq-csv "$runs" "$build/bench/tool_read_cells" "$csv"
    best_of openpyxl "$peer_runs" /usr/bin/python3 "$data/peer_openpyxl.py" "$xlsx"
)
echo
echo "$results" | awk '
    { name[NR] = $1; s[$1] = $2; kb[$1] = $3; cpu[$1] = $4 }
    END {
        printf "%-9s %8s %8s %9s %12s\n", "reader", "best s", "cpu s", "peak MB", "vs orq-xlsx"
        for (i = 1; i <= NR; i++)
            printf "%-9s %8.2f %8.2f %9.1f %11.1fx\n", name[i], s[name[i]], cpu[name[i]],
                   kb[name[i]] / 1024, s[name[i]] / (s["orq-xlsx"] > 0 ? s["orq-xlsx"] : 0.01)
        printf "\n"
        ok = 1
        if (s["orq-xlsx"] > 0.5) { print "orq .xlsx time above the 0.5 s target"; ok = 0 }
        if (kb["orq-xlsx"] > 200 * 1024) { print "orq .xlsx peak memory above 200 MB"; ok = 0 }
        if (s["openpyxl"] < 10 * s["orq-xlsx"]) { print "orq less than 10x faster than openpyxl"; ok = 0 }
        if (s["orq-csv"] > 0.15) { print "orq .csv time above the 0.15 s target"; ok = 0 }
        print ok ? "all targets met" : "some targets missed"
    }'
