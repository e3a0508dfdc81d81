#!/usr/bin/env bash
# The long runs that ./test.sh only samples: the line and snapshot fuzzers for 10 minutes, the whole-
# report and start-up fuzzers for an hour each, the snapshot crash test with 5000 kills, the journal's
# crash test with 300 (each: PRAGMA integrity_check ok, and the start after it restores every click), and
# the shared-folder archive race on NFS and SMB (scripts/archive-race-table.sh under netfs.sh).
# Run after ./test.sh has built everything:
#   scripts/long-checks.sh [fuzz-seconds] [kills] [long-fuzz-seconds] [journal-kills] [race-rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
KERFOLIO_CRASH_KILLS="${2:-5000}" build/tests/storage/storage_crash_tests
KERFOLIO_JOURNAL_KILLS="${4:-300}" build/tests/journal/journal_crash_tests
scripts/fuzz.sh "${1:-600}" settings_reader snapshot_loader report_line
scripts/fuzz.sh "${3:-3600}" startup_reads archive_report
# Several PCs archiving into one shared folder at once: NFS, SMB and two FUSE file systems, in a second
# kernel that sees this machine's programs.
netfs=${NETFS_DIR:-$PWD/build/netfs}
tools=${NETFS_SH:-$(cd .. && pwd)/shared/tools/netfs/netfs.sh}
if [ -x "$tools" ]; then
    scripts/install-deps.sh sshfs smbnetfs openssh-server fuse3
    [ -e "$netfs/kernel/version" ] || "$tools" setup "$netfs"
    "$tools" start "$netfs"
    trap '"$tools" stop "$netfs"' EXIT
    race=$netfs/archive-race-job.sh
    printf 'cd %q && ROUNDS=%q scripts/archive-race-table.sh\n' "$PWD" "${5:-40}" > "$race"
    "$tools" run "$netfs" "$race" | tee build/archive-race.md
    # a line lost or doubled on any row fails the run
    awk -F'|' '$6 ~ /^ *[1-9]/ || $7 ~ /^ *[1-9]/ { bad = 1 } END { exit bad }' build/archive-race.md
else
    echo "no netfs.sh beside the repository: the shared-folder race is skipped" >&2
fi
