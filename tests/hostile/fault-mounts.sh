#!/bin/sh
# Mounts, or unmounts, a small file system for the full-disk test:
#   fault-mounts.sh up|down FOLDER
# FOLDER/full is a tmpfs of 1 MiB, to be filled. FOLDER/ready appears only
# when it is mounted: without the right to mount (no root, a locked-down
# container) the test that needs it skips and says so.
set -u
dir=$2
down() {
  if mountpoint -q "$dir/full" 2>/dev/null; then umount "$dir/full" 2>/dev/null || umount -l "$dir/full" 2>/dev/null; fi
  rm -f "$dir/ready"
}
case $1 in
  up)
    down
    mkdir -p "$dir/full"
    if mount -t tmpfs -o size=1m,mode=0777 tarnwick-full "$dir/full" 2>/dev/null; then
      touch "$dir/ready"
    else
      echo "fault-mounts: no small file system can be mounted here" >&2
    fi
    ;;
  down) down ;;
esac
exit 0
