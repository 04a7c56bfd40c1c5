#!/usr/bin/env bash
# A recording whose disk fills up, and whose file another program tries to take away. The real
# veskar.exe records the simulated device's frames (COM2, endless mixed frames at the line rate)
# through the real save-file dialog:
#  1. onto a small filesystem (a 64 KiB tmpfs) mapped as a drive letter of the session's prefix:
#     when it is full, exactly one message box comes up and names the file; the recording stops;
#     the file holds the header and the device's first frames, one whole line each, Seq from 1
#     without a gap, and nothing of the line whose write failed;
#  2. after OK, Realtime-Save onto a roomy folder: the new file begins with the frame whose write
#     failed and goes on with the device's frames, none lost and none twice;
#  3. while that recording runs, other programs try to delete the file and to copy another file
#     over it (cmd's del and copy, through the Windows file API): both are refused, since the
#     recorder holds the file exclusively, and the recording goes on with no message box.
# Needs root for the mount; exits with 77 (skipped) where it cannot mount.
#
# usage: recording_faults_test.sh VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/recording_faults_test"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/fault_lib.sh
source "$here/fault_lib.sh"
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
command -v xdotool >/dev/null || skip "xdotool is needed to count message boxes"
rm -rf "$out"
mkdir -p "$out"
readonly APP_TITLE="veskar"  # message boxes carry the program file's name
readonly SAVING="实时保存状态！"

mountpoint="$VESKAR_SESSION_DIR/recording-full-disk"
mkdir -p "$mountpoint"
mount -t tmpfs -o size=64k veskar-recording-disk "$mountpoint" 2>/dev/null ||
    { rmdir "$mountpoint"; skip "cannot mount a small filesystem here (needs root)"; }
letter=""
test_restore() {
    [ -n "$letter" ] && rm -f "$WINEPREFIX/dosdevices/$letter:"
    umount "$mountpoint" && rmdir "$mountpoint"
}
for candidate in r s t u v w x y; do
    if [ ! -e "$WINEPREFIX/dosdevices/$candidate:" ]; then letter=$candidate; break; fi
done
[ -n "$letter" ] || skip "no free drive letter"
ln -s "$mountpoint" "$WINEPREFIX/dosdevices/$letter:"
drive="${letter^^}:"

note "simulated device on COM2, veskar.exe: Open, Realtime-Save onto $drive (64 KiB)"
start_device mixed --scenario mixed --seed 5
start_windows_program "$VESKAR" "$out/veskar.log"
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 10 || fail "Open failed"
on_main_window click 1041 \; set-save-path "$drive\\bus.xls" 30 ||
    fail "the save dialog of Realtime-Save could not be filled"
on_main_window wait-text 1050 "$SAVING" 10 || fail "Realtime-Save did not start recording"

note "device sends until the disk is full"
go_device
texts=$(automate dialog-texts "$APP_TITLE" 60) || fail "no message box when the disk filled up"
echo "$texts" >"$out/message-box.txt"
grep -qF "$drive\\bus_0.xls" <<<"$texts" || fail "the message box does not name the file: $texts"
sleep 2
expect_equal "message boxes 2 s after the disk filled up" "$(message_boxes "$APP_TITLE")" 1
recorded=$(on_main_window text 1052)
on_main_window sleep 1 || fail "the main window does not answer under the message box"
expect_equal "FrameNum a second later (recording stopped)" "$(on_main_window text 1052)" "$recorded"
cp "$mountpoint/bus_0.xls" "$out/bus_0.xls"
python3 "$here/fault_check.py" recording "$out/mixed.log" "$out/bus_0.xls" 1 --header |
    tee "$out/bus_0.check" || fail "bus_0.xls is not the device's first frames"
complete=$(awk '{ print $1 }' "$out/bus_0.check")
expect_equal "complete lines in bus_0.xls against FrameNum" "$complete" "$recorded"
[ "$complete" -gt 100 ] || fail "only $complete lines fitted on the disk"

note "OK; no second message box"
automate wait-window "$APP_TITLE" 5 \; key RETURN \; wait-gone "$APP_TITLE" 10 ||
    fail "the message box did not close"
sleep 2
expect_equal "message boxes after OK" "$(message_boxes "$APP_TITLE")" 0

note "Realtime-Save onto a roomy folder: the frames not written come first"
next=$(windows_path "$out/next.xls")
on_main_window click 1041 \; set-save-path "$next" 30 \; wait-text 1050 "$SAVING" 10 ||
    fail "the second Realtime-Save failed"
on_main_window sleep 1 || fail "the window does not answer"

note "other programs try to delete the file and to copy over it"
printf 'not a frame log\n' >"$out/other.xls"
"$VESKAR_WINE" cmd /c del /f "${next%.xls}_0.xls" </dev/null >"$out/del.out" 2>&1 || true
[ -s "$out/next_0.xls" ] || fail "another program deleted the file being recorded"
"$VESKAR_WINE" cmd /c copy /y "$(windows_path "$out/other.xls")" "${next%.xls}_0.xls" \
    </dev/null >"$out/copy.out" 2>&1 || true
head -c 4 "$out/next_0.xls" | grep -q '^Seq' || fail "another program replaced the file"
size=$(stat -c %s "$out/next_0.xls")
on_main_window sleep 1 || fail "the window does not answer"
[ "$(stat -c %s "$out/next_0.xls")" -gt "$size" ] || fail "the recording did not go on"
expect_equal "message boxes after the attempts" "$(message_boxes "$APP_TITLE")" 0

note "Realtime-Show ends the recording"
on_main_window click 1040 \; wait-text 1050 "实时显示状态！" 10 \; checked 1040 1 ||
    fail "Realtime-Show failed"
kill -KILL "$device_pid"
python3 "$here/fault_check.py" recording "$out/mixed.log" "$out/next_0.xls" \
    $((complete + 1)) --header || fail "next_0.xls does not go on where bus_0.xls stopped"

on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
echo "PASS"
