#!/usr/bin/env bash
# Writes what every orq-cli command prints, in text and in JSON, for each list given, into one
# folder: a file per command line holding its standard output, standard error and exit code.
# Two folders made by two builds compare with `diff -r`, which shows any change of behaviour a
# refactoring should not have made.
#
# Usage: scripts/cli_outputs.sh ORQ_CLI OUT_DIR TODAY LIST.xls...
#   ORQ_CLI  the orq-cli program to run
#   OUT_DIR  the folder to write (made when missing)
#   TODAY    the --today date given to every command (YYYY-MM-DD)
set -euo pipefail

[ $# -ge 4 ] || { sed -n '2,10p' "$0" >&2; exit 2; }
cli="$(realpath "$1")"
out="$2"
today="$3"
shift 3
mkdir -p "$out"
out="$(realpath "$out")"

# run NAME ARGS...: one command line; its outputs go to OUT_DIR/NAME.{out,err,rc}.
run() {
    local name="$1"
    shift
    local rc=0
    "$cli" "$@" >"$out/$name.out" 2>"$out/$name.err" || rc=$?
    echo "$rc" >"$out/$name.rc"
}

for list in "$@"; do
    base="$(basename "$list" .xls)"
    for format in text json; do
        flags=(--today "$today")
        [ "$format" = json ] && flags+=(--json)
        run "$base.metrics.$format" metrics "$list" "${flags[@]}"
        for type in yesterday today 48hr 72hr no-shows all high-est testers; do
            run "$base.report-$type.$format" report "$type" "$list" "${flags[@]}"
        done
        run "$base.report-all-filtered.$format" report all "$list" --ed grads --comp active \
            --hide-terminated "${flags[@]}"
        run "$base.report-no-shows-hidden.$format" report no-shows "$list" --hide-rescheduled \
            "${flags[@]}"
        run "$base.past-due.$format" past-due "$list" "${flags[@]}"
        run "$base.broken.$format" broken "$list" "${flags[@]}"
        run "$base.cells.$format" cells "$list" "${flags[@]}"
    done
    # The first station and its first recruiter, as the selectors list them.
    station="$("$cli" metrics "$list" --today "$today" --json 2>/dev/null |
        /usr/bin/python3 -c 'import json,sys; d=json.load(sys.stdin); print(d["stations"][1] if len(d["stations"]) > 1 else "ALL")' || true)"
    if [ -n "$station" ]; then
        run "$base.metrics-station.json" metrics "$list" --today "$today" --json --station "$station"
        run "$base.report-all-station.json" report all "$list" --today "$today" --json \
            --station "$station"
    fi
    run "$base.report-today-xls" report today "$list" --today "$today" --xls "$out/$base.today.xls" \
        --overwrite
done
# Written in OUT_DIR under a relative name, so that the message names no folder of this run.
(cd "$out" && run "make-demo" make-demo made-demo.xls --today "$today" --rows 300 --seed 7 \
    --overwrite)
run "make-demo-cells" cells "$out/made-demo.xls"
run "usage-none"
run "usage-unknown" nosuch
run "usage-option" metrics "$1" --nosuch
