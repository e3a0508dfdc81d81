#!/usr/bin/env bash
# The layers go one way: every #include of another folder's file in a layer names a folder that the
# table "Layers and what each may include" in CONTRIBUTING.md allows for it. Run from anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed
# Rows look like: | `journal/` | what it holds | `board/`, `storage/` | what it links |
while IFS='|' read -r _ folder _ may _; do
    folder="$(grep -o '[a-z_]*/' <<<"$folder" | head -n1)"
    allowed[$folder]=" ${folder} $({ grep -o '`[a-z_]*/' <<<"$may" || true; } | tr -d '`' | tr '\n' ' ')"
done < <(grep -E '^\| `[a-z_]+/` \|' CONTRIBUTING.md)
((${#allowed[@]} > 0)) || { echo "check-layers: no layer table in CONTRIBUTING.md" >&2; exit 1; }

status=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line text; do
        included="$(sed -E 's/^#include "([a-z_]+\/).*/\1/' <<<"$text")"
        if [[ "${allowed[$folder]}" != *" $included "* ]]; then
            echo "$file:$line: $folder may not include $included (CONTRIBUTING.md, Layers)" >&2
            status=1
        fi
    done < <(git ls-files -z "$folder*.cpp" "$folder*.h" | xargs -0 -r grep -H -n -E '^#include "[a-z_]+/' || true)
done
# A folder of code that the table does not name escapes the check.
for folder in $(git ls-files '*.cpp' '*.h' | grep / | cut -d/ -f1 | sort -u); do
    case "$folder" in tests | bench | fuzz | tools | packaging) continue ;; esac
    [[ -n "${allowed[$folder/]+x}" ]] || { echo "check-layers: $folder/ is not in CONTRIBUTING.md's layer table" >&2; status=1; }
done
((status == 0)) && echo "check-layers: ${#allowed[@]} layers, every include goes one way"
exit "$status"
