#!/usr/bin/env bash
# The shared-folder race on every file system the guest of netfs.sh mounts (run inside it, from the
# repository, after the writer is built), plus a local folder:
#   netfs.sh run DIR scripts/archive-race-table.sh      (ROUNDS from the environment, default 40)
# Each PC is its own NFS client: the guest's two NFS 4.2 mounts are one client to the server (one
# delegation holder), so the other PCs mount as 4.1, 4.0 and 3. FUSE rows (sshfs, smbnetfs) where the
# guest has them (scripts/install-deps.sh sshfs smbnetfs openssh-server fuse3 on this machine).
set -uo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-40}
# A copy read afresh: the guest may still map an older build's pages under a reused inode.
writer=$(mktemp /tmp/archive-writer.XXXXXX)
cp "${ARCHIVE_WRITER:-build/tools/kerfolio-archive-writer}" "$writer" && chmod +x "$writer"
export ARCHIVE_WRITER=$writer
echo "| folders | writers | rounds | lines | lost | doubled | errors shown | error texts | left in folder |"
echo "|---|---|---|---|---|---|---|---|---|"
local_dir=$(mktemp -d)
for n in 2 4; do scripts/archive-race.sh "$n" "$rounds" "$local_dir"; done
if mountpoint -q /mnt/nfs1; then
    mkdir -p /mnt/nfs41 /mnt/nfs40 /mnt/nfs3
    mountpoint -q /mnt/nfs41 || mount -t nfs -o vers=4.1 127.0.0.1:/ /mnt/nfs41
    mountpoint -q /mnt/nfs40 || mount -t nfs -o vers=4.0 127.0.0.1:/ /mnt/nfs40
    mountpoint -q /mnt/nfs3 || mount -t nfs -o vers=3 127.0.0.1:/srv/nfs /mnt/nfs3
    CHECK_FOLDER=/srv/nfs scripts/archive-race.sh 2 "$rounds" /mnt/nfs1 /mnt/nfs41
    CHECK_FOLDER=/srv/nfs scripts/archive-race.sh 4 "$rounds" /mnt/nfs1 /mnt/nfs41 /mnt/nfs40 /mnt/nfs3
fi
if mountpoint -q /mnt/cifs1 && mountpoint -q /mnt/cifs2; then
    for n in 2 4; do CHECK_FOLDER=/srv/smb scripts/archive-race.sh "$n" "$rounds" /mnt/cifs1 /mnt/cifs2; done
fi
if command -v sshfs > /dev/null && command -v sshd > /dev/null; then
    modprobe fuse
    key=/tmp/race-sshd
    mkdir -p /srv/fuse /mnt/sshfs1 /mnt/sshfs2 "$key" /run/sshd /root/.ssh && chmod 777 /srv/fuse
    if ! mountpoint -q /mnt/sshfs1; then
        ssh-keygen -q -t ed25519 -N '' -f "$key/host" && ssh-keygen -q -t ed25519 -N '' -f "$key/client"
        cp "$key/client.pub" /root/.ssh/authorized_keys && chmod 600 /root/.ssh/authorized_keys
        printf '%s\n' "Port 2222" "ListenAddress 127.0.0.1" "HostKey $key/host" "PermitRootLogin yes" \
            "AuthorizedKeysFile /root/.ssh/authorized_keys" "PidFile $key/pid" "Subsystem sftp internal-sftp" \
            "StrictModes no" "UsePAM no" > "$key/config"
        "$(command -v sshd)" -f "$key/config" && sleep 1
        # 1 and 2 as sshfs mounts by default, 3 and 4 without its 20-second cache of names and sizes
        for m in 1 2 3 4; do
            options="port=2222,IdentityFile=$key/client,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null"
            [ "$m" -gt 2 ] && options+=",dir_cache=no"
            mkdir -p /mnt/sshfs$m && sshfs -o "$options" root@127.0.0.1:/srv/fuse /mnt/sshfs$m
        done
    fi
    for n in 2 4; do CHECK_FOLDER=/srv/fuse scripts/archive-race.sh "$n" "$rounds" /mnt/sshfs1 /mnt/sshfs2; done
    for n in 2 4; do CHECK_FOLDER=/srv/fuse scripts/archive-race.sh "$n" "$rounds" /mnt/sshfs3 /mnt/sshfs4; done
fi
if command -v smbnetfs > /dev/null && mountpoint -q /mnt/cifs1; then
    mkdir -p /mnt/smbnet1 /mnt/smbnet2 /root/.smb
    (umask 077 && printf '%s\n' 'auth "root" "shoppass"' > /root/.smb/smbnetfs.conf && chmod 600 /root/.smb/smbnetfs.conf)
    touch /root/.smb/smb.conf
    for m in 1 2; do mountpoint -q /mnt/smbnet$m || smbnetfs /mnt/smbnet$m; done
    sleep 2
    share=127.0.0.1/shop
    for n in 2 4; do
        CHECK_FOLDER=/srv/smb scripts/archive-race.sh "$n" "$rounds" /mnt/smbnet1/$share /mnt/smbnet2/$share
    done
fi
rm -rf "$local_dir" "$writer"
