#!/usr/bin/env bash
# Runs the end-to-end test on a display of its own, with a temporary folder of its own. A test
# that crashes cannot stop what it started, so this does it afterwards: the demo server and any
# disk image still mounted.
#   run-under-xvfb.sh TEST_PROGRAM [ARGUMENTS...]
set -u
scratch=$(mktemp -d)

clean_up() {
  local pid_file mount_point
  for pid_file in "$scratch"/*/maker/nginx/nginx.pid; do
    [ -f "$pid_file" ] && kill "$(cat "$pid_file")" 2>/dev/null
  done
  awk -v root="$scratch/" 'index($2, root) == 1 { print $2 }' /proc/mounts | sort -r |
    while read -r mount_point; do
      fusermount3 -u -z "$mount_point" 2>/dev/null || umount -l "$mount_point" 2>/dev/null
    done
  rm -rf "$scratch"
}
trap clean_up EXIT

TMPDIR=$scratch xvfb-run -a -s "-screen 0 1280x800x24" "$@"
