#!/usr/bin/env bash
# Pictures of the desktop program's windows on a virtual X display: the main window after a load,
# the report window ("All Apps", the same scrolled to its far end and then narrowed to one
# station, "No Shows"), the past-due and broken-appointments dialogs, the settings dialog, the
# About box and the Trends window (a year); and the printouts of the report and of the past-due
# list, as PDF and as PNG pages.
# Usage: scripts/screenshots.sh [OUT_DIR [FILE.xls [HISTORY.sqlite]]]
#   (default out/screenshots, a demo list, a history of the run's own holding that list; a
#   history named is used as it is and the list is recorded in it)
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-out/screenshots}"
list="${2:-}"
history="${3:-}"
build="${ORQ_BUILD_DIR:-build}"

scripts/deps.sh xvfb xauth fonts-wine
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target orq

mkdir -p "$out"
args=(--screenshot "$out")
[ -n "$history" ] && args+=(--history "$history")
[ -n "$list" ] && args+=("$list")
# 96 dots per inch, so the windows' pixel sizes come out as designed.
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QT_FONT_DPI=96 \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$build/src/orq" "${args[@]}"
for pdf in "$out"/*-print.pdf; do
    [ -f "$pdf" ] && pdftoppm -r 100 -l 2 -png "$pdf" "${pdf%.pdf}"
done
echo "Screenshots in $out"
