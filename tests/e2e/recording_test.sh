#!/usr/bin/env bash
# The realtime recorder from end to end: the simulated device on COM2, the real veskar.exe, Open
# pressed from outside and then Realtime-Save, whose real save-file dialog is given rec.xls. With
# monitoring off before, the choice starts the ticks itself. The device sends the scanner's
# worked example; then, still recording, Close, a second device with a realistic board scenario,
# Open again. Meanwhile the list stays empty, the FrameNum field shows the last Seq and rec_0.xls
# is held open with no sharing. Realtime-Show ends the recording and frees the file, which must
# hold, byte for byte, the header line and one line per frame the two devices sent, numbered on
# from 1 across both (Time checked as HH:MM:SS within the run), with no CR; rec.xls itself is not
# written and no second file is begun.
# Exits with 77 (skipped) when the simulated device is not built.
#
# usage: recording_test.sh VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/recording_test"
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
rm -rf "$out"
mkdir -p "$out"

# shellcheck source=tests/e2e/device_lib.sh
source "$here/device_lib.sh"
readonly SAVING="实时保存状态！"
readonly SHOWING="实时显示状态！"

# recorded_all N: FrameNum shows N, the Seq of the last frame sent, and the list stays empty.
recorded_all() {
    on_main_window wait-text 1052 "$1" 30 || fail "FrameNum does not reach $1"
    expect_equal "rows in the list while recording" "$(on_main_window count 1043)" 0
}

# opens_in_wine FILE: whether a Windows program of the session can open FILE for reading.
opens_in_wine() {
    "$VESKAR_WINE" cmd /c type "$(windows_path "$1")" </dev/null >/dev/null 2>&1
}

note "simulated device on COM2: worked example"
start_device worked-example --scenario worked-example

note "start veskar.exe, press Open, choose Realtime-Save with monitoring off"
start_windows_program "$VESKAR" "$out/veskar.log"
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 10 || fail "Open failed"
first_time=$(date +%T)
on_main_window click 1041 \; set-save-path "$(windows_path "$out/rec.xls")" 30 ||
    fail "the save dialog of Realtime-Save could not be filled"
on_main_window wait-text 1050 "$SAVING" 5 \; checked 1041 1 \; checked 1040 0 \
    \; wait-text 1052 0 5 || fail "Realtime-Save did not start recording"
# The ticks start, but Start Monitor and Stop keep the states Open gave them.
on_main_window enabled 1032 1 \; enabled 1034 0 ||
    fail "Realtime-Save changed the states of Start Monitor and Stop"
[ -f "$out/rec_0.xls" ] || fail "Realtime-Save did not create rec_0.xls"

note "send the worked example"
run_device 30
recorded_all "$(frames_in_log "$out/worked-example.log")"

note "still recording: Close, a device with realistic traffic, Open"
on_main_window click 1029 || fail "Close failed"
start_device realistic --scenario realistic --seed 7 --duration 3
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 5 || fail "reopening failed"
run_device 60
recorded_all "$(frames_in_log "$out/worked-example.log" "$out/realistic.log")"
opens_in_wine "$out/rec_0.xls" && fail "rec_0.xls can be opened by another program while recording"

note "choose Realtime-Show to end the recording"
on_main_window click 1040 \; wait-text 1050 "$SHOWING" 5 \; checked 1040 1 \; checked 1041 0 \
    \; wait-text 1052 0 5 || fail "Realtime-Show did not end the recording"
last_time=$(date +%T)
opens_in_wine "$out/rec_0.xls" || fail "rec_0.xls stays locked after Realtime-Show"

note "compare rec_0.xls with what the devices sent"
python3 "$here/compare_log_file.py" "$out/rec_0.xls" "$first_time" "$last_time" \
    "$out/worked-example.log" "$out/realistic.log" ||
    fail "rec_0.xls differs from what the devices sent"
[ ! -e "$out/rec.xls" ] || fail "Realtime-Save wrote the chosen file itself"
[ ! -e "$out/rec_1.xls" ] || fail "the recording began a second file"

note "close"
on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
echo "PASS"
