#!/usr/bin/env bash
# Builds Kerfolio and its report program, kerfolio-report, and starts Kerfolio: ./run.sh
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target kerfolio kerfolio-report
exec build/kerfolio
