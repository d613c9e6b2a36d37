#!/usr/bin/env bash
# Installs every Debian package Quorvel needs to build, test and run, but only
# the ones that are missing; apt-get update runs only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6dbus6 libgl-dev
    qt6-translations-l10n
    zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    microsocks openssl xvfb xauth dbus dbus-daemon
    fonts-wqy-zenhei
    clang libclang-rt-14-dev clang-format clang-tidy
    dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg -s "$p" >/dev/null 2>&1; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
