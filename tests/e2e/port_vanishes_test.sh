#!/usr/bin/env bash
# The serial port vanishes while monitoring: the simulated device on COM2 is killed mid-run, so
# the far end of the pseudo-terminal closes under the open port. The ticks must go on reading
# nothing: the rows shown stay as they are, the window keeps answering (texts read, buttons
# pressed), and no message box comes up. Then Close, the choice of COM3 (one of the session's
# socat pairs) and Open must work while the ticks still run, and the frames sent into COM3's far
# end must appear as rows.
#
# usage: port_vanishes_test.sh VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/port_vanishes_test"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/fault_lib.sh
source "$here/fault_lib.sh"
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
command -v xdotool >/dev/null || skip "xdotool is needed to count message boxes"
rm -rf "$out"
mkdir -p "$out"
readonly APP_TITLE="veskar"  # message boxes carry the program file's name

# expect_no_message_box WHAT: none now, nor during the next second.
expect_no_message_box() {
    local _
    for _ in 1 2 3 4 5; do
        [ "$(message_boxes "$APP_TITLE")" -eq 0 ] || fail "$1: a message box came up"
        sleep 0.2
    done
}

# Board traffic at its own pace: a shown list under Wine takes milliseconds a row, so a flood at
# the line rate would keep the window busy for seconds a tick, which is not what is tested here.
note "simulated device on COM2 (endless board traffic), veskar.exe monitoring"
start_device board --scenario realistic --seed 3
start_windows_program "$VESKAR" "$out/veskar.log"
open_and_monitor
go_device
on_main_window sleep 1 || fail "the window is gone"
before=$(on_main_window text 1052)
[ "${before:-0}" -gt 0 ] || fail "no frames shown before the port vanished (FrameNum '$before')"

note "the device dies: the far end of COM2 closes under the open port"
kill -KILL "$device_pid"
wait "$device_pid" 2>/dev/null || true
on_main_window sleep 0.5 || fail "the window is gone after the port vanished"
vanished=$(on_main_window text 1052)

note "the ticks go on reading nothing; the window answers; no message box"
for second in 1 2 3; do
    expect_no_message_box "$second s after the port vanished"
    expect_equal "FrameNum $second s after the port vanished" "$(on_main_window text 1052)" \
        "$vanished"
done
expect_equal "status line" "$(on_main_window text 1050)" "$MONITORING"
on_main_window enabled 1034 1 \; count 1043 >"$out/count-after-vanish" ||
    fail "the window does not answer after the port vanished"
rows_shown=$(cat "$out/count-after-vanish")
expect_equal "rows after the port vanished" "$rows_shown" "$vanished"
# The last rows shown are the device's frames, whole: compare them with its log.
on_main_window rows 1043 >"$out/board.rows" || fail "the rows cannot be read"
python3 "$here/fault_check.py" rows "$out/board.log" "$out/board.rows" --last-may-be-cut ||
    fail "the rows before the port vanished differ from the device's frames"

note "Close, Clear, choose COM3, Open while the ticks still run"
on_main_window click 1029 \; wait-text 1050 "$CLOSED" 5 \; enabled 1000 1 \; enabled 1034 1 \
    \; click 1035 \; wait-text 1052 0 5 \; select-combo 1009 2 \; click 1000 \
    \; wait-text 1050 "$OPEN_OK" 5 || fail "Close and Open of COM3 failed"
expect_no_message_box "after Open of COM3"

note "frames into the far end of COM3 appear without Start Monitor"
"$SIMDEVICE" --port "$VESKAR_PTY_DIR/com3" --scenario worked-example --log "$out/com3.log" \
    >"$out/com3.out" 2>"$out/com3.err" || fail "sending into COM3 failed: $(cat "$out/com3.err")"
on_main_window wait-text 1052 2 10 || fail "the frames sent into COM3 were not shown"
on_main_window rows 1043 >"$out/com3.rows" || fail "the COM3 rows cannot be read"
python3 "$here/compare_rows.py" "$out/com3.log" "$out/com3.rows" "00:00:00" "23:59:59" ||
    fail "the COM3 rows differ from what was sent (see $out/com3.rows)"
expect_no_message_box "at the end"

on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
echo "PASS"
