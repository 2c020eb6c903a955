#!/bin/sh
# Mounts, or unmounts, two small file systems for the machine-fault tests:
#   fault-mounts.sh up|down FOLDER
# FOLDER/full is a tmpfs of 1 MiB, to be filled; FOLDER/readonly is a
# read-only tmpfs holding kept.txt. FOLDER/ready appears only when both are
# mounted: without the right to mount (no root, a locked-down container) the
# tests that need them skip and say so.
set -u
dir=$2
down() {
  for m in "$dir/full" "$dir/readonly"; do
    if mountpoint -q "$m" 2>/dev/null; then umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; fi
  done
  rm -f "$dir/ready"
}
case $1 in
  up)
    down
    mkdir -p "$dir/full" "$dir/readonly"
    if mount -t tmpfs -o size=1m,mode=0777 tarnwick-full "$dir/full" 2>/dev/null &&
       mount -t tmpfs -o size=64k,mode=0777 tarnwick-readonly "$dir/readonly" 2>/dev/null &&
       printf 'kept' >"$dir/readonly/kept.txt" &&
       mount -o remount,ro "$dir/readonly" 2>/dev/null; then
      touch "$dir/ready"
    else
      down
      echo "fault-mounts: no small file systems can be mounted here" >&2
    fi
    ;;
  down) down ;;
esac
exit 0
