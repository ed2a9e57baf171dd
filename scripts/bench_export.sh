#!/usr/bin/env bash
# Time and peak memory of the workbook writer as whole processes, on the largest list the program
# handles (65,527 data rows):
#   make-demo       orq-cli make-demo of 65,527 rows
#   report all      load the list and build "All Applicants" (no export), for reference
#   report all+xls  the same and Save to XLS of the 65,528 x 19 table
# and, as a peer, python3-xlwt writing the same demo cells (its write alone, timed inside).
# The export's own time is also measured in-process by bench/bench_export.
# Usage: scripts/bench_export.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
cli="$build/src/orq-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=en_US.UTF-8
common=(--today 2024-03-14 --settings "$work/none.ini")

measure() { # label, command...
    local label=$1
    shift
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time.txt"
    local wall user sys peak
    wall=$(grep "Elapsed (wall clock)" "$work/time.txt" | awk '{print $NF}')
    user=$(grep "User time" "$work/time.txt" | awk '{print $NF}')
    sys=$(grep "System time" "$work/time.txt" | awk '{print $NF}')
    peak=$(grep "Maximum resident" "$work/time.txt" | awk '{print $NF}')
    printf "%-16s wall %8s  cpu %6.2f s  peak %7.1f MB\n" "$label" "$wall" \
        "$(echo "$user + $sys" | bc)" "$(echo "$peak / 1024" | bc -l)"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
measure "make-demo" "$cli" make-demo "$work/largest.xls" --rows 65527 --seed 11 "${common[@]}"
measure "report all" "$cli" report all "$work/largest.xls" "${common[@]}"
measure "report all+xls" "$cli" report all "$work/largest.xls" --xls "$work/all.xls" "${common[@]}"
ls -l "$work/largest.xls" "$work/all.xls" | awk '{printf "%-16s %d bytes\n", $NF, $5}' |
    sed "s|$work/||"

if /usr/bin/python3 -c "import xlwt, xlrd" 2>/dev/null; then
    /usr/bin/python3 - "$work/largest.xls" "$work/xlwt.xls" <<'EOF'
import sys, time, xlrd, xlwt
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
cells = [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
start = time.perf_counter()
out = xlwt.Workbook()
target = out.add_sheet("Sheet1")
for r, row in enumerate(cells):
    for c, value in enumerate(row):
        if value != "":
            target.write(r, c, value)
out.save(sys.argv[2])
print("%-16s write %.2f s (the same %d cells, in-process)" % (
    "python3-xlwt", time.perf_counter() - start,
    sum(1 for row in cells for v in row if v != "")))
EOF
fi
