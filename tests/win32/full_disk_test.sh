#!/usr/bin/env bash
# Runs the full-disk tests against a small filesystem (a 64 KiB tmpfs) mapped as a free drive
# letter of the session's Wine prefix, and removes both afterwards. Needs root for the mount;
# exits with 77 (skipped) where it cannot mount.
# usage: full_disk_test.sh <full_disk_test.exe>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${VESKAR_SESSION_DIR:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "full_disk_test.sh: run inside scripts/wine-session.sh" >&2
    exit 77
fi
mountpoint="$VESKAR_SESSION_DIR/full-disk"
mkdir -p "$mountpoint"
if ! mount -t tmpfs -o size=64k veskar-full-disk "$mountpoint" 2>/dev/null; then
    rmdir "$mountpoint"
    echo "full_disk_test.sh: cannot mount a small filesystem here" >&2
    exit 77
fi
letter=""
for candidate in r s t u v w x y; do
    if [ ! -e "$WINEPREFIX/dosdevices/$candidate:" ]; then letter=$candidate; break; fi
done
cleanup() {
    [ -n "$letter" ] && rm -f "$WINEPREFIX/dosdevices/$letter:"
    umount "$mountpoint" && rmdir "$mountpoint"
}
trap cleanup EXIT
[ -n "$letter" ] || { echo "full_disk_test.sh: no free drive letter" >&2; exit 77; }
ln -s "$mountpoint" "$WINEPREFIX/dosdevices/$letter:"
set +e
VESKAR_FULL_DISK="${letter^^}:\\" "$root/scripts/wine-run.sh" "$1" --gtest_filter='FullDiskTest.*' \
    >"$VESKAR_SESSION_DIR/full-disk.log" 2>&1
status=$?
cat "$VESKAR_SESSION_DIR/full-disk.log"
# A case that skipped did not see the drive: that is a failure here.
grep -q '\[  SKIPPED \]' "$VESKAR_SESSION_DIR/full-disk.log" && status=1
exit "$status"
