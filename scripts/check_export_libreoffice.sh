#!/usr/bin/env bash
# Opens workbooks written by the program in LibreOffice (headless) and checks that it reads the
# same texts: a demo list from `orq-cli make-demo` and the reports saved from it with
# `orq-cli report ... --xls`, converted to CSV and compared cell by cell with what orq-cli prints.
# Not part of the test suite (LibreOffice is large and slow to start); run it by hand:
#   scripts/check_export_libreoffice.sh [BUILD_DIR]
# Needs libreoffice-calc-nogui (or any LibreOffice with Calc) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
cli="$build/src/orq-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v soffice >/dev/null || { echo "soffice not found: install libreoffice-calc-nogui" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
today=2024-03-14
settings="$work/none.ini"

"$cli" make-demo "$work/demo.xls" --rows 500 --seed 3 --today "$today" --settings "$settings"
reports=(yesterday today 48hr 72hr no-shows all high-est testers)
for kind in "${reports[@]}"; do
    "$cli" report "$kind" "$work/demo.xls" --json --today "$today" --settings "$settings" \
        --xls "$work/$kind.xls" >"$work/$kind.json"
done
"$cli" cells "$work/demo.xls" --json --today "$today" --settings "$settings" >"$work/demo.json"

# One LibreOffice run converts every workbook; its own profile keeps the user's untouched.
soffice --headless -env:UserInstallation="file://$work/profile" \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' \
    --outdir "$work" "$work"/*.xls >/dev/null 2>&1

/usr/bin/python3 - "$work" "${reports[@]}" <<'EOF'
import csv, glob, json, os, sys

work, reports = sys.argv[1], sys.argv[2:]
failures = 0

def sheet_csv(name):
    # With the sheet option -1 LibreOffice writes one file per sheet: NAME-Sheet1.csv.
    matches = glob.glob(os.path.join(work, name + "*.csv"))
    with open(matches[0], newline="", encoding="utf-8") as f:
        return [row for row in csv.reader(f)]

def report(message):
    global failures
    failures += 1
    print("FAIL", message)

for kind in reports:
    data = json.load(open(os.path.join(work, kind + ".json"), encoding="utf-8"))
    expected = [data["columns"]] + [[t.replace("\r\n", "\n").replace("\r", "\n") for t in row]
                                    for row in data["rows"]]
    rows = sheet_csv(kind)
    rows = [r + [""] * (len(expected[0]) - len(r)) for r in rows]
    if rows != expected:
        report("%s: LibreOffice reads other texts (%d rows, expected %d)"
               % (kind, len(rows), len(expected)))
    else:
        print("ok %-9s %5d rows x %2d columns" % (kind, len(rows), len(expected[0])))

cells = json.load(open(os.path.join(work, "demo.json"), encoding="utf-8"))["cells"]
rows = sheet_csv("demo")
mismatch = 0
for r, c, kind, value in cells:
    text = rows[r - 1][c - 1] if r - 1 < len(rows) and c - 1 < len(rows[r - 1]) else None
    want = ("%g" % value) if kind == "number" else value
    if text != want:
        mismatch += 1
        if mismatch < 5:
            report("demo cell (%d, %d): %r, expected %r" % (r, c, text, want))
if mismatch == 0:
    print("ok demo      %5d cells" % len(cells))
sys.exit(1 if failures else 0)
EOF
