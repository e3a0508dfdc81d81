#!/usr/bin/env bash
# Several PCs archiving into one shared folder at the same moment, each through its own mount of it:
#   scripts/archive-race.sh WRITERS ROUNDS FOLDER [FOLDER...]
# Writer i archives through FOLDER number i modulo their count; every round all writers add three lines
# each to one day file (five rounds share a file, so both a new and an existing day file are raced).
# CHECK_FOLDER (default the first FOLDER) is where the files are read back afterwards, for example the
# server's own folder. Prints one table row: lines written, lost, doubled, archives that reported an
# error (their lines are kept by the program for a retry, so they count neither as lost nor as written).
# ARCHIVE_WRITER names the writer (default build/tools/kerfolio-archive-writer).
set -euo pipefail
writers=${1:?WRITERS} rounds=${2:?ROUNDS}
shift 2
folders=("$@")
[ ${#folders[@]} -gt 0 ] || { echo "no folder given" >&2; exit 2; }
writer=${ARCHIVE_WRITER:-$(cd "$(dirname "$0")/.." && pwd)/build/tools/kerfolio-archive-writer}
check=${CHECK_FOLDER:-${folders[0]}}
sub=race-$$-$RANDOM
mkdir -p "${folders[0]}/$sub"
log=$(mktemp -d)
expected=$log/expected
: > "$expected"
failed=0
for ((round = 0; round < rounds; ++round)); do
    day=day-$((round / 5)).txt
    start=$(($(date +%s%3N) + 1500))
    pids=()
    for ((w = 0; w < writers; ++w)); do
        folder=${folders[$((w % ${#folders[@]}))]}/$sub
        lines=("r$round w$w l1" "r$round w$w l2" "r$round w$w l3")
        "$writer" "$folder/$day" "$start" "${lines[@]}" 2> "$log/err-$round-$w" &
        pids+=($!)
    done
    for ((w = 0; w < writers; ++w)); do
        if wait "${pids[$w]}"; then
            printf 'r%s w%s l%s\n' "$round" "$w" 1 "$round" "$w" 2 "$round" "$w" 3 >> "$expected"
        else
            failed=$((failed + 1))
        fi
    done
done
sleep 2  # let the mounts' caches settle before the read-back
for f in "$check/$sub"/day-*.txt; do cat "$f"; echo; done | tr -d '\r' | grep -E '^r[0-9]+ w[0-9]+ l[0-9]$' | sort > "$log/got" || true
sort "$expected" > "$log/want"
sort -u "$log/got" > "$log/got-once"
lost=$(comm -23 "$log/want" "$log/got-once" | wc -l)
doubled=$(uniq -d "$log/got" | wc -l)
written=$(wc -l < "$log/want")
leftovers=$(ls -A "$check/$sub" | grep -v '^day-[0-9]*\.txt$' | tr '\n' ' ' || true)
errors=$(cat "$log"/err-* | sed 's/"[^"]*"/"…"/' | sort | uniq -c | sort -rn | head -3 | sed 's/^ *//' | tr '\n' ';')
echo "| ${folders[*]} | $writers | $rounds | $written | $lost | $doubled | $failed | ${errors:--} | ${leftovers:--} |"
rm -rf "$log"
