#!/usr/bin/env bash
# Installs the Debian packages Kerfolio needs, only those that are missing.
# Safe to run again; uses sudo when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libmicrohttpd-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev
    libcli11-dev
    libpq-dev postgresql-15
    fonts-arphic-ukai fonts-wqy-zenhei fonts-liberation2
    qt6-translations-l10n
    libfaketime faketime tzdata
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# On a fresh desktop the automatic updates often hold apt's lock for minutes after boot: wait for it
# rather than fail. apt waits for the package lock itself (DPkg::Lock::Timeout), but not for the lock
# of its package lists, so the update is tried again until the same time is up.
lock_wait=900
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout="$lock_wait")
echo "Installing: ${missing[*]}"
for ((waited = 0; ; waited += 10)); do
    if said=$("${apt[@]}" update 2>&1); then
        break
    fi
    if ! grep -q "Could not get lock" <<<"$said" || [ "$waited" -ge "$lock_wait" ]; then
        echo "$said" >&2
        exit 1
    fi
    [ "$waited" -eq 0 ] && echo "Another package manager (often the automatic updates) holds apt's lock;" \
        "waiting up to $((lock_wait / 60)) minutes for it..."
    sleep 10
done
echo "Waiting up to $((lock_wait / 60)) minutes for apt's lock if another package manager holds it."
"${apt[@]}" install -y --no-install-recommends "${missing[@]}"
