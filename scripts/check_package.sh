#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it as a user would, runs the installed
# programs, removes the package and checks that nothing of it is left; lintian must report no
# error (warnings are printed). Run as root or with sudo: it installs into /usr.
# Usage: scripts/check_package.sh [BUILD_DIR]   (default: build, as scripts/test.sh leaves it)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo" >&2; exit 1; }
    sudo="sudo"
fi
fail() { echo "package check: FAIL: $*" >&2; exit 1; }
step() { echo "package check: $*"; }

cmake --build "$build" -j "$(nproc)"
rm -f "$build"/orq_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/orq_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "cpack made no orq_*_amd64.deb"
deb="${debs[0]}"
step "built $(basename "$deb")"
step "Depends: $(dpkg-deb -f "$deb" Depends)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$deb" "$work/"
# The files of the package, folders left out (shared ones such as /usr/bin stay, of course).
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./|/|' >"$work/files"

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$work/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get install"; }
step "installed: $(dpkg-query -W -f='${Package} ${Version} ${Status}' orq)"

version="$(/usr/bin/orq-cli --version)"
[ "$version" = "orq-cli $(dpkg-deb -f "$deb" Version)" ] || fail "orq-cli --version: $version"
step "$version"
(cd "$work" && /usr/bin/orq-cli make-demo demo.xls --rows 300 --today 2008-03-31) ||
    fail "orq-cli make-demo"
metrics="$(/usr/bin/orq-cli metrics "$work/demo.xls" --today 2008-03-31 --settings "$work/none.ini")" ||
    fail "orq-cli metrics"
grep -q '^Pending Conducts$' <<<"$metrics" || fail "orq-cli metrics printed no pending table"
step "orq-cli metrics: $(head -n 1 <<<"$metrics")"
gui_version="$(QT_QPA_PLATFORM=offscreen /usr/bin/orq --version)" || fail "orq --version"
step "$gui_version"
for page in orq orq-cli; do
    man -w "$page" >/dev/null 2>&1 || fail "no manual page $page"
    man -l "$(man -w "$page")" 2>/dev/null | grep -q '^NAME' || fail "manual page $page reads empty"
done
step "manual pages: $(man -w orq) $(man -w orq-cli)"
appstreamcli validate --no-net /usr/share/metainfo/org.example.orq.metainfo.xml >/dev/null ||
    fail "the installed metainfo does not validate"
step "metainfo valid"

$sudo apt-get purge -y -qq orq >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "purge"; }
if dpkg-query -W -f='${Status}' orq 2>/dev/null | grep -q installed; then
    fail "orq is still installed after purge"
fi
left=0
while read -r file; do
    if [ -e "$file" ] || [ -L "$file" ]; then
        echo "left behind: $file" >&2
        left=1
    fi
done <"$work/files"
[ -d /usr/share/doc/orq ] && { echo "left behind: /usr/share/doc/orq" >&2; left=1; }
[ "$left" -eq 0 ] || fail "files of the package are left after purge"
step "removed: none of its $(wc -l <"$work/files") files left"

lintian --tag-display-limit 0 "$deb" 2>/dev/null | tee "$work/lintian.log" || true
errors="$(grep -c '^E: ' "$work/lintian.log" || true)"
warnings="$(grep -c '^W: ' "$work/lintian.log" || true)"
[ "$errors" -eq 0 ] || fail "lintian reports $errors error(s)"
step "lintian: $errors errors, $warnings warnings"
