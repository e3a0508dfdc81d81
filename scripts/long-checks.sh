#!/usr/bin/env bash
# The long runs that ./test.sh only samples: the line and snapshot fuzzers for 10 minutes, the whole-
# report and start-up fuzzers for an hour each, the snapshot crash test with 5000 kills and the journal's
# crash test with 300 (each: PRAGMA integrity_check ok, and the start after it restores every click).
# Run after ./test.sh has built everything:
#   scripts/long-checks.sh [fuzz-seconds] [kills] [long-fuzz-seconds] [journal-kills]
set -euo pipefail
cd "$(dirname "$0")/.."
KERFOLIO_CRASH_KILLS="${2:-5000}" build/tests/storage/storage_crash_tests
KERFOLIO_JOURNAL_KILLS="${4:-300}" build/tests/journal/journal_crash_tests
scripts/fuzz.sh "${1:-600}" settings_reader snapshot_loader report_line
scripts/fuzz.sh "${3:-3600}" startup_reads archive_report
