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

readonly COM2="$WINEPREFIX/dosdevices/com2"
readonly OPEN_OK="设备打开成功!"
readonly SAVING="实时保存状态！"
readonly SHOWING="实时显示状态！"
on_main_window() { automate wait-window "$MAIN_WINDOW_TITLE" 30 \; "$@"; }

# Block COM2 again for the tests after this one (a missing link would fall back to a tty).
e2e_restore() {
    [ -d "$COM2" ] || { rm -f "$COM2" && mkdir -p "$COM2"; }
}

# start_device NAME ARGS...: the simulated device on a pseudo-terminal linked as COM2, holding
# its first byte until run_device. Its frame log is $out/NAME.log.
start_device() {
    device_name=$1
    shift
    rm -rf "$COM2"
    mkfifo "$out/$device_name.go"
    "$SIMDEVICE" --link "$COM2" --log "$out/$device_name.log" --wait-enter "$@" \
        <"$out/$device_name.go" >"$out/$device_name.out" 2>"$out/$device_name.err" &
    device_pid=$!
    e2e_pids+=("$device_pid")
    exec 7>"$out/$device_name.go"
    local tries=100
    until [ -L "$COM2" ]; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] && kill -0 "$device_pid" 2>/dev/null ||
            fail "the simulated device made no COM2 link: $(cat "$out/$device_name.err")"
        sleep 0.1
    done
}

# run_device SECONDS: lets the device send, then waits until it has sent everything.
run_device() {
    echo >&7
    exec 7>&-
    wait_for_exit "$device_pid" "$1" || fail "the simulated device did not finish within $1 s"
    wait "$device_pid" || fail "the simulated device failed: $(cat "$out/$device_name.err")"
}

logged_frames() { awk '!/^#/ && NF >= 2 { n++ } END { print n + 0 }' "$@"; }

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
recorded_all "$(logged_frames "$out/worked-example.log")"

note "still recording: Close, a device with realistic traffic, Open"
on_main_window click 1029 || fail "Close failed"
start_device realistic --scenario realistic --seed 7 --duration 3
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 5 || fail "reopening failed"
run_device 60
recorded_all "$(logged_frames "$out/worked-example.log" "$out/realistic.log")"
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
