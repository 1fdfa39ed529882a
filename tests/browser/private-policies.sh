#!/usr/bin/env bash
# Runs a command (browser tests that set an administrator's policy) where Chromium's machine-wide
# policy folder can be written without touching this machine: in a private mount namespace, with
# /etc/chromium overlaid by an empty writable layer that vanishes with the command. Exports
# SPW_CHROMIUM_POLICIES (the folder to write policy files to) when that worked; as a user, or
# where the kernel refuses, the command runs as it is and the tests that need Chromium's policy
# skip themselves. Firefox needs none of this: it reads managed storage from the user's folder.
#   tests/browser/private-policies.sh COMMAND [ARGUMENTS...]
set -euo pipefail

if [ "${SPW_IN_POLICY_NAMESPACE:-}" != 1 ]; then
  if [ "$(id -u)" -eq 0 ] && [ -d /etc/chromium ] &&
     unshare --mount --propagation private true 2>/dev/null; then
    exec env SPW_IN_POLICY_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
  fi
  echo "private-policies: no private mount namespace here; Chromium's policy tests skip" >&2
  exec "$@"
fi

layer=$(mktemp -d /tmp/spw-policy-layer.XXXXXX)
mkdir -p "$layer/upper" "$layer/work"
mount -t overlay overlay -o "lowerdir=/etc/chromium,upperdir=$layer/upper,workdir=$layer/work" \
  /etc/chromium
mkdir -p /etc/chromium/policies/managed
export SPW_CHROMIUM_POLICIES=/etc/chromium/policies/managed
status=0
"$@" || status=$?
umount /etc/chromium
rm -rf "$layer"
exit "$status"
