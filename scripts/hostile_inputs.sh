#!/usr/bin/env bash
# Builds the crafted inputs of scripts/hostile_inputs.py and runs `cells` and `metrics` of two
# orq-cli binaries on each, reporting exit status, peak memory (maximum resident set, MB) and
# wall time from /usr/bin/time -v. Each run is bounded (4 GB address space, 30 s) so that an
# input that still explodes ends instead of taking the machine.
#
#   scripts/hostile_inputs.sh BEFORE_CLI AFTER_CLI [DIR]     (DIR default: build-hostile)
set -uo pipefail
cd "$(dirname "$0")/.."

before=${1:?usage: scripts/hostile_inputs.sh BEFORE_CLI AFTER_CLI [DIR]}
after=${2:?usage: scripts/hostile_inputs.sh BEFORE_CLI AFTER_CLI [DIR]}
dir=${3:-build-hostile}
mkdir -p "$dir"
python3 scripts/hostile_inputs.py "$dir/inputs" >/dev/null
rm -f "$dir/inputs/fifo.xls" && mkfifo "$dir/inputs/fifo.xls"
"$after" make-demo "$dir/demo.xls" --overwrite >/dev/null 2>&1 || "$after" make-demo "$dir/demo.xls" >/dev/null

# run SIDE INPUT CLI ARGS...: one bounded run, one line of figures.
run() {
    local side=$1 input=$2 cli=$3
    shift 3
    local log="$dir/time.log"
    : >"$log"
    (
        ulimit -v $((4 << 20))
        timeout -s KILL 30 /usr/bin/time -v -o "$log" "$cli" "$@" >/dev/null 2>"$dir/stderr.log"
    ) 2>/dev/null
    local status=$?
    local rss wall message
    rss=$(awk -F: '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$log")
    wall=$(awk '/Elapsed \(wall clock\)/ {print $NF}' "$log")
    message=$(grep -v '^\s' "$dir/stderr.log" | grep -v 'terminate called' | head -c 60)
    [ "$status" -eq 137 ] && message="killed after 30 s"
    printf '%-8s %-26s %-8s exit %-4s %8s MB %9s  %s\n' "$side" "$input" "$1" "$status" \
        "${rss:-?}" "${wall:-?}" "$message"
}

# The bound every read keeps to: 64 MB + 16 x the file's size.
bound() {
    awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", 64 + 16 * bytes / 1048576 }'
}

printf '%-8s %-26s %-8s %-9s %11s %9s  %s\n' side input command status "peak RSS" wall message
for input in row-bomb.xls row-bomb-unnamed.xls dimensions-bomb.xls shared-sector-bomb.xls \
    sheet-names.xls tiny-records.xls mulblank-bomb.xls dense-cells.xls sparse-5g.xls fifo.xls; do
    [ -f "$dir/inputs/$input" ] && [ "$input" != sparse-5g.xls ] &&
        echo "$input: $(stat -c %s "$dir/inputs/$input") bytes, bound $(bound "$dir/inputs/$input") MB"
    for command in cells metrics; do
        for side in before after; do
            cli=$before
            [ "$side" = after ] && cli=$after
            run "$side" "$input" "$cli" "$command" "$dir/inputs/$input" --today 2008-12-31
        done
    done
done
# The settings file: line ends only, and a FIFO.
for settings in settings-line-ends.ini fifo.xls; do
    for side in before after; do
        cli=$before
        [ "$side" = after ] && cli=$after
        run "$side" "$settings" "$cli" metrics "$dir/demo.xls" --today 2008-12-31 --settings "$dir/inputs/$settings"
    done
done
