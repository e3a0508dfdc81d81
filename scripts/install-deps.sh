#!/usr/bin/env bash
# Installs the Debian packages Kerfolio needs, only those that are missing.
# Safe to run again; uses sudo when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev
    fonts-arphic-ukai fonts-wqy-zenhei fonts-liberation2
    qt6-translations-l10n
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
