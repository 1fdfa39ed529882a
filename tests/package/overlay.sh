#!/usr/bin/env bash
# Runs a command with the machine's system folders (/usr, /etc, /opt, /var) overlaid, in a private
# mount namespace: what the command installs there (dpkg -i, dpkg --purge) is read by the
# browsers it starts at the real paths, and is gone when it ends; the machine stays as it was.
# The overlays' writable layers live in a tmpfs mounted on SCRATCH (an empty folder).
# Usage (as root): overlay.sh SCRATCH COMMAND [ARGUMENT...]
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  echo "overlay.sh: dpkg and the mount namespace need root; skipped"
  exit 77
fi
if [ "${SPW_IN_OVERLAY:-}" != 1 ]; then
  exec unshare --mount --propagation private env SPW_IN_OVERLAY=1 "$0" "$@"
fi
scratch=$1
shift
mount -t tmpfs -o mode=0700 spw-overlay "$scratch"
for dir in usr etc opt var; do
  mkdir -p "$scratch/$dir/upper" "$scratch/$dir/work"
  mount -t overlay overlay \
    -o "lowerdir=/$dir,upperdir=$scratch/$dir/upper,workdir=$scratch/$dir/work" "/$dir"
done
"$@"
