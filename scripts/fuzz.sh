#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for the given number of
# seconds (default 600) on a copy of its seed corpus: scripts/fuzz.sh [seconds] [target...]
# (all targets when none is named).
# Exits non-zero when a target finds a crash; the input is kept under build-fuzz/artifacts/<target>/.
set -euo pipefail
seconds="${1:-600}"
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings_reader snapshot_loader startup_reads report_line archive_report)
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKERFOLIO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

status=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    cp -r "$root/fuzz/corpus/$target/." "$corpus/"
    echo "== $target: $seconds s"
    # One process, so a shared machine keeps a core free.
    if ! "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" 2>"$build/$target.log"; then
        tail -n 40 "$build/$target.log"
        echo "== $target found a crash; input in $artifacts/" >&2
        status=1
    else
        grep -E '^(Done|stat::number_of_executed_units)' "$build/$target.log" || true
        grep -E '(DONE|pulse) +cov:' "$build/$target.log" | tail -n 1 || true
    fi
done
exit "$status"
