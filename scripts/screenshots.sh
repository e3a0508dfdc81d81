#!/usr/bin/env bash
# Redraws the README's pictures of the main window's pages from a sample day, in a real X server
# (Xvfb) so fonts and widgets look as on a workshop PC: scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh xvfb xauth
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kerfolio_screenshots
xvfb-run -a -s "-screen 0 1024x768x24" build/tools/kerfolio_screenshots docs
echo "docs/board.png docs/notepad.png docs/options.png docs/help.png docs/params.png"
