#!/usr/bin/env bash
# Builds Kerfolio and starts it: ./run.sh
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target kerfolio
exec build/kerfolio
