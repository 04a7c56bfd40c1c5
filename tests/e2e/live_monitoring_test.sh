#!/usr/bin/env bash
# Live monitoring from end to end: the simulated device on COM2, the real veskar.exe, Open and
# Start Monitor pressed from outside; then the scanner's worked example and a realistic board
# scenario. Every row's Seq, Len and Data must match the frames the device logged, Time must be
# a plausible HH:MM:SS, and the FrameNum field must show the last Seq. Finally Save exports the
# rows through the real save-file dialog: the completion message, and the file export_0.xls
# holding the header line and exactly the rows the list shows.
# Exits with 77 (skipped) when the simulated device is not built or Open does nothing yet.
#
# usage: live_monitoring_test.sh VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/live_monitoring_test"
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
rm -rf "$out"
mkdir -p "$out"
# shellcheck source=tests/e2e/device_lib.sh
source "$here/device_lib.sh"

last_seq() { awk '!/^#/ && NF >= 2 { seq = $1 } END { print seq }' "$1"; }

# check_rows NAME FIRST_TIME: the list against the device's log, and FrameNum its last Seq.
check_rows() {
    local log="$out/$1.log" last
    last=$(last_seq "$log")
    [ -n "$last" ] || fail "the device logged no frame for $1"
    on_main_window wait-text 1052 "$last" 30 || fail "$1: FrameNum does not show $last"
    on_main_window rows 1043 >"$out/$1.rows" || fail "$1: the rows cannot be read"
    python3 "$here/compare_rows.py" "$log" "$out/$1.rows" "$2" "$(date +%T)" ||
        fail "$1: the rows differ from what the device sent (see $out/$1.rows)"
}

note "simulated device on COM2: worked example"
start_device worked-example --scenario worked-example

note "start veskar.exe, press Open"
start_windows_program "$VESKAR" "$out/veskar.log"
on_main_window click 1000 || fail "pressing Open failed"
status=""
for _ in $(seq 30); do
    status=$(on_main_window text 1050) || fail "reading the status line failed"
    [ -n "$status" ] && break
    sleep 0.1
done
[ -n "$status" ] || skip "Open leaves the status line empty: the monitoring cycle is not built yet"
expect_equal "status after Open" "$status" "$OPEN_OK"

note "press Start Monitor"
on_main_window enabled 1000 0 \; enabled 1029 1 \; click 1032 \; wait-text 1050 "$MONITORING" 5 \
    \; enabled 1032 0 \; enabled 1034 1 || fail "Start Monitor did not start monitoring"

note "send the worked example"
first_time=$(date +%T)
run_device 30
check_rows worked-example "$first_time"

note "realistic traffic on a new device: Close, Clear, Open, Start Monitor"
on_main_window click 1029 \; click 1035 \; wait-text 1052 0 5 || fail "Close or Clear failed"
start_device realistic --scenario realistic --seed 7 --duration 3
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 5 \; click 1032 \
    \; wait-text 1050 "$MONITORING" 5 || fail "reopening for the realistic scenario failed"
first_time=$(date +%T)
run_device 60
check_rows realistic "$first_time"
screenshot "$out/live_monitoring.png" "$MAIN_WINDOW_TITLE"

note "Save the rows through the save-file dialog"
readonly APP_TITLE="veskar"  # message boxes carry the program file's name
on_main_window click 1048 \; set-save-path "$(windows_path "$out/export.xls")" 30 ||
    fail "the save dialog could not be filled"
texts=$(automate dialog-texts "$APP_TITLE" 30) || fail "Save showed no message box"
grep -qF "文件保存完毕！" <<<"$texts" || fail "Save's message box says: $texts"
automate wait-window "$APP_TITLE" 5 \; key RETURN \; wait-gone "$APP_TITLE" 10 ||
    fail "the message box did not close"
[ ! -e "$out/export.xls" ] || fail "Save wrote the chosen file itself"
{ printf 'Seq\tTime\tLen\tData\n'; cat "$out/realistic.rows"; } >"$out/export.expected"
cmp "$out/export.expected" "$out/export_0.xls" ||
    fail "export_0.xls differs from the rows (see $out/export.expected)"

note "close"
on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
echo "PASS"
