#!/usr/bin/env bash
# Times `orq-cli report all` on a large processing list in text, JSON and CSV as whole processes,
# side by side with `orq-cli metrics` on the same list in the same run (the load alone: what the
# report adds is the difference). Each line shows wall and CPU seconds and the peak memory.
# Targets: each output within 0.25 s and 150 MB.
#
# Usage: scripts/bench_cli_output.sh ORQ_CLI LIST.xls TODAY [RUNS]
#   ORQ_CLI  a release build's orq-cli
#   LIST.xls the list (the largest real-size list: 65,527 rows, TODAY 2008-12-31)
#   RUNS     runs of each command, taken in turn (default 5); the median is shown
set -euo pipefail

[ $# -ge 3 ] || { sed -n '2,11p' "$0" >&2; exit 2; }
cli="$1"
list="$2"
today="$3"
runs="${4:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

names=(metrics "report-all-text" "report-all-json" "report-all-csv")
command_of() {
    case "$1" in
    metrics) echo metrics "$list" ;;
    report-all-text) echo report all "$list" ;;
    report-all-json) echo report all "$list" --json ;;
    report-all-csv) echo report all "$list" --csv ;;
    esac
}

# Every run of every command in turn, so that a drift of the machine's speed touches them alike.
for run in $(seq "$runs"); do
    for name in "${names[@]}"; do
        read -r -a words <<<"$(command_of "$name")"
        /usr/bin/time -o "$work/time" -f "%e %U %S %M" env LC_ALL=en_US.UTF-8 "$cli" \
            "${words[@]}" --today "$today" --settings /nonexistent/ORQ.ini >"$work/out" 2>/dev/null ||
            true # a failing command (an older orq-cli without --csv) is shown by its output size
        read -r wall user sys peak < <(tail -n 1 "$work/time")
        printf '%s %s %s %s\n' "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
            "$peak" "$(stat -c %s "$work/out")" >>"$work/$name"
    done
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "$list, $runs runs each, medians"
for name in "${names[@]}"; do
    wall="$(cut -d' ' -f1 "$work/$name" | median)"
    cpu="$(cut -d' ' -f2 "$work/$name" | median)"
    peak="$(cut -d' ' -f3 "$work/$name" | median)"
    bytes="$(cut -d' ' -f4 "$work/$name" | median)"
    printf '  %-18s wall %6.3f s  cpu %6.3f s  peak %6.1f MB  output %9d bytes\n' "$name" \
        "$wall" "$cpu" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$bytes"
done
