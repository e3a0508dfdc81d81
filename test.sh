#!/usr/bin/env bash
# Builds Kerfolio with every test and runs them all headless: ./test.sh
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh clang clang-format clang-tidy libclang-rt-14-dev desktop-file-utils dpkg-dev lintian appstream
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKERFOLIO_WERROR="$werror"
cmake --build build
# Layout of every C++ file and clang-tidy on the Qt-free layers.
scripts/check-style.sh build
# A short fuzz run of the settings, snapshot, start-up, archive-line and whole-report readers (20 s per
# target); long runs: scripts/long-checks.sh
scripts/fuzz.sh 20
export QT_QPA_PLATFORM=offscreen
# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer; a leak fails the run too.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKERFOLIO_SANITIZE=ON -DKERFOLIO_BUILD_BENCH=OFF \
    -DKERFOLIO_WERROR="$werror"
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
# The code with threads of its own (the live board's server, the job database's writer, the sender
# and the office board) under ThreadSanitizer (their tests only).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKERFOLIO_TSAN=ON -DKERFOLIO_WITH_QT=OFF \
    -DKERFOLIO_BUILD_BENCH=OFF -DKERFOLIO_WERROR="$werror"
cmake --build build-tsan
# Without address-space randomisation: the sanitizer's fixed memory layout clashes with a kernel's
# wider randomisation on some systems.
TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R ctest --test-dir build-tsan --output-on-failure -j2
ctest --test-dir build --output-on-failure -j2
