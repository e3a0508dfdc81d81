#!/usr/bin/env bash
# The shared-folder race on every file system the guest of netfs.sh mounts (run inside it, from the
# repository, after the writer is built), plus a local folder:
#   netfs.sh run DIR scripts/archive-race-table.sh      (ROUNDS from the environment, default 40)
set -uo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-40}
echo "| folders | writers | rounds | lines | lost | doubled | errors shown | error texts | left in folder |"
echo "|---|---|---|---|---|---|---|---|---|"
local_dir=$(mktemp -d)
for n in 2 4; do scripts/archive-race.sh "$n" "$rounds" "$local_dir"; done
if mountpoint -q /mnt/nfs1 && mountpoint -q /mnt/nfs2; then
    for n in 2 4; do CHECK_FOLDER=/srv/nfs scripts/archive-race.sh "$n" "$rounds" /mnt/nfs1 /mnt/nfs2; done
fi
if mountpoint -q /mnt/cifs1 && mountpoint -q /mnt/cifs2; then
    for n in 2 4; do CHECK_FOLDER=/srv/smb scripts/archive-race.sh "$n" "$rounds" /mnt/cifs1 /mnt/cifs2; done
fi
rm -rf "$local_dir"
