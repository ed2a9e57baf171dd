#!/usr/bin/env bash
# Installs the Debian packages ORQ needs to build, test, fuzz and benchmark, when missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
    qt6-charts-dev libqt6opengl6-dev libsqlite3-dev libssl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    python3 python3-xlrd python3-xlwt python3-olefile
    poppler-utils locales
    clang libclang-rt-14-dev
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
# The end-to-end checks also run under en_US and en_GB: generate those locales when missing.
locales_missing=()
for name in en_US en_GB; do
    locale -a 2>/dev/null | grep -qx "$name.utf8" || locales_missing+=("$name")
done
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
