#!/bin/sh
# Renders the sample live board in headless Chromium: the page must come out with its machines and
# states, without scripts, and print in black and white (checked where poppler-utils is installed). A
# screenshot goes to $3 when given.
# Usage: render_live_page.sh LIVE_BENCH CHROMIUM [SCREENSHOT.png]
set -eu
server=$1
chromium=$2
shot=${3:-}
log=$(mktemp)
dom=$(mktemp)
profile=$(mktemp -d)
printed=$(mktemp -d)
"$server" --serve-sample 0 90 >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -rf "$profile" "$printed" "$log" "$dom"' EXIT
for _ in $(seq 100); do
    grep -q serving "$log" && break
    sleep 0.1
done
port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$log")
[ -n "$port" ] || { echo "the sample server did not start"; cat "$log"; exit 1; }
flags="--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir=$profile"
# shellcheck disable=SC2086
timeout 60 "$chromium" $flags --dump-dom "http://127.0.0.1:$port/" >"$dom" 2>/dev/null
for text in 线切割机床看板 快走丝1号 加工中 已上机 跳步中 断丝中 空闲 'Floating point division by zero.' '件数 40'; do
    grep -q "$text" "$dom" || { echo "the rendered page lacks: $text"; exit 1; }
done
if grep -qi '<script' "$dom"; then echo "the page has a script"; exit 1; fi
if command -v pdftocairo >/dev/null && command -v pdftotext >/dev/null; then
    # shellcheck disable=SC2086
    timeout 60 "$chromium" $flags --no-pdf-header-footer --print-to-pdf="$printed/page.pdf" \
        "http://127.0.0.1:$port/" >/dev/null 2>&1
    [ -s "$printed/page.pdf" ] || { echo "no printed page"; exit 1; }
    pdftotext "$printed/page.pdf" - | grep -q 加工中 || { echo "the printed page lacks its states"; exit 1; }
    pdftocairo -svg "$printed/page.pdf" "$printed/page.svg"
    # Every colour drawn is a grey: red, green and blue the same.
    colours=$(grep -o 'rgb([^)]*)' "$printed/page.svg" | sort -u |
        awk -F'[(),%]+' '$2 != $3 || $3 != $4 { print }')
    [ -z "$colours" ] || { echo "the printed page has colours:" $colours; exit 1; }
fi
if [ -n "$shot" ]; then
    # shellcheck disable=SC2086
    timeout 60 "$chromium" $flags --screenshot="$shot" --window-size=1200,1400 "http://127.0.0.1:$port/" \
        >/dev/null 2>&1
    [ -s "$shot" ] || { echo "no screenshot"; exit 1; }
fi
echo "rendered http://127.0.0.1:$port/ ${shot:+to $shot}"
