#!/usr/bin/env bash
# Installs the Debian packages ORQ needs, when missing.
# Usage: scripts/deps.sh [--build] [extra-package ...]
#   --build  only what building and running ORQ needs (scripts/run-demo.sh)
#   default  that, and what testing, fuzzing, benchmarking and the package check add
set -euo pipefail

# Building and running: the compiler and build tools, Qt 6 (Widgets, PrintSupport, Charts),
# SQLite, libcrypto, libzip and expat.
build=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
    qt6-charts-dev libqt6opengl6-dev libsqlite3-dev libssl-dev libzip-dev libexpat1-dev
)
# Testing: GoogleTest and Google Benchmark, clang for the fuzz targets, the independent readers
# and writers the end-to-end checks compare with, the locales they run under, and the tools of
# the package check (dpkg-shlibdeps, lintian, appstreamcli, man).
test=(
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    python3 python3-xlrd python3-xlwt python3-olefile
    poppler-utils locales
    dpkg-dev file lintian appstream man-db
)

packages=("${build[@]}")
with_tests=1
if [ "${1:-}" = "--build" ]; then
    with_tests=0
    shift
else
    packages+=("${test[@]}")
fi
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
# The end-to-end checks also run under en_US and en_GB: generate those locales when missing.
locales_missing=()
if [ "$with_tests" -eq 1 ]; then
    for name in en_US en_GB; do
        locale -a 2>/dev/null | grep -qx "$name.utf8" || locales_missing+=("$name")
    done
fi
[ ${#missing[@]} -eq 0 ] && [ ${#locales_missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]} ${locales_missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
for name in "${locales_missing[@]}"; do
    $sudo localedef -i "$name" -f UTF-8 "$name.UTF-8"
done
