#!/usr/bin/env bash
# Starts the real veskar.exe, waits for its main window, checks the initial state of its
# controls from outside the process, saves a screenshot of the screen for people to look at,
# closes the window and checks that the program ended.
#
# usage: main_window_test.sh VESKAR_EXE AUTOMATE_EXE OUTPUT_DIR   (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
out="$3/main_window_test"
mkdir -p "$out"

on_main_window() { automate wait-window "$MAIN_WINDOW_TITLE" 30 \; "$@"; }

note "start veskar.exe"
start_windows_program "$VESKAR" "$out/veskar.log"
veskar_pid=$started_pid

note "initial state"
# Enabled: the port list, Open, Close, Clear, Save, both mode buttons, the FrameNum field and
# the list; disabled: Start Monitor, Stop and the status line. Only Realtime-Show is selected.
on_main_window \
    enabled 1009 1 \; enabled 1000 1 \; enabled 1029 1 \; enabled 1032 0 \; enabled 1034 0 \
    \; enabled 1035 1 \; enabled 1048 1 \; enabled 1050 0 \; enabled 1040 1 \; enabled 1041 1 \
    \; enabled 1052 1 \; enabled 1043 1 \; checked 1040 1 \; checked 1041 0 ||
    fail "initial enabled or selected state differs"

texts=$(on_main_window text 1009 \; text 1052 \; text 1050 \; count 1043 \
    \; text 1000 \; text 1029 \; text 1032 \; text 1034 \; text 1035 \; text 1048 \
    \; text 1040 \; text 1041)
expected=$'COM2\n0\n\n0\nOpen\nClose\nStart Monitor\nStop\nClear\nSave\nRealtime-Show\nRealtime-Save'
expect_equal "port, FrameNum, status, rows and button texts" "$texts" "$expected"

note "screenshot"
screenshot "$out/main_window.png" "$MAIN_WINDOW_TITLE"
if command -v identify >/dev/null; then
    # A screen of one colour means that nothing was drawn.
    deviation=$(identify -format '%[fx:standard_deviation]' "$out/main_window.png")
    [ "$deviation" != 0 ] || fail "the screenshot is blank"
fi

note "close"
on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
wait_for_exit "$veskar_pid" 10 || fail "veskar.exe still runs after its window closed"
echo "PASS"
