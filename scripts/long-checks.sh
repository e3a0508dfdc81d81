#!/usr/bin/env bash
# The long runs that ./test.sh only samples: each fuzzer for 10 minutes and the snapshot crash test
# with 5000 kills. Run after ./test.sh has built everything: scripts/long-checks.sh [fuzz-seconds] [kills]
set -euo pipefail
cd "$(dirname "$0")/.."
KERFOLIO_CRASH_KILLS="${2:-5000}" build/tests/storage/storage_crash_tests
scripts/fuzz.sh "${1:-600}"
