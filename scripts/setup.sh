#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Brindle need,
# skipping those already present. Run as root (or through sudo).
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    clang libclang-rt-dev
    qt6-base-dev libqt6opengl6-dev libgl-dev
    libcurl4-openssl-dev curl
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core
    xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
