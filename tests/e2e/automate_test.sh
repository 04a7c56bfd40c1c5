#!/usr/bin/env bash
# Checks veskar-automate against a window of known contents (automate_fixture.exe): finding the
# window, clicks, texts, check states, the combo box, list rows read across processes (Chinese
# texts and trailing blanks kept, a list longer than its window), row rectangles (hit by a real
# double click through xdotool), the save
# dialog, message box texts, closing, and failures that exit with 1 and say why.
#
# usage: automate_test.sh AUTOMATE_EXE FIXTURE_EXE OUTPUT_DIR   (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
AUTOMATE=$1
FIXTURE=$2
out="$3/automate_test"
mkdir -p "$out"

readonly TITLE="Automate Fixture 自动"
on_fixture() { automate wait-window "$TITLE" 20 \; "$@"; }

note "start the fixture"
start_windows_program "$FIXTURE" "$out/fixture.log"
fixture_pid=$started_pid

note "states, clicks and texts"
on_fixture enabled 100 1 \; enabled 101 0 \; checked 110 1 \; checked 111 0 \
    \; click 100 \; click 100 \; click 100 \; wait-text 300 "已添加 3" 5 \
    \; click 111 \; checked 111 1 \; checked 110 0 \; wait-text 300 B 5 \
    \; select-combo 120 2 \; wait-text 300 "selected 2" 5 ||
    fail "a state, click or text command failed"
expect_equal "combo text" "$(on_fixture text 120)" "COM3"
on_fixture set-text 300 "hé 中文 x" || fail "set-text failed"
expect_equal "text after set-text" "$(on_fixture text 300)" "hé 中文 x"

note "list rows across processes"
expected_rows=$'1\t时间\t0\tS<50:w> \n2\t时间\t1\tS<50:w>A \n3\t时间\t2\tS<50:w>AA '
expect_equal "rows" "$(on_fixture rows 200)" "$expected_rows"
expect_equal "count" "$(on_fixture count 200)" "3"

read -r left0 top0 right0 bottom0 <<<"$(on_fixture row-rect 200 0)"
read -r left1 top1 _ bottom1 <<<"$(on_fixture row-rect 200 1)"
[ "$right0" -gt "$left0" ] && [ "$bottom0" -gt "$top0" ] || fail "row 0 rectangle is empty"
[ "$top1" -ge "$bottom0" ] && [ "$left1" -eq "$left0" ] || fail "row 1 is not below row 0"
[ "$bottom1" -gt "$top1" ] || fail "row 1 rectangle is empty"

note "a real double click at the rectangle of row 2"
read -r left top right bottom <<<"$(on_fixture row-rect 200 2)"
xdotool mousemove --sync $(((left + right) / 2)) $(((top + bottom) / 2)) click --repeat 2 1
on_fixture wait-text 300 "double-clicked 2" 5 || fail "the double click did not land on row 2"

note "a list far longer than its window"
clicks=()
for _ in $(seq 57); do clicks+=(\; click 100); done
on_fixture "${clicks[@]}" \; wait-text 300 "已添加 60" 5 || fail "adding 60 rows failed"
rows=$(on_fixture rows 200)
expect_equal "row count" "$(wc -l <<<"$rows")" "60"
expect_equal "last row" "$(tail -n 1 <<<"$rows")" $'60\t时间\t3\tS<50:w>AAA '

note "save dialog and message box"
target="$out/saved.xls"
on_fixture click 102 \; set-save-path "$(windows_path "$target")" 20 ||
    fail "filling the save dialog failed"
texts=$(automate dialog-texts automate_fixture 20) || fail "no message box"
grep -qF "文件保存完毕！" <<<"$texts" || fail "message box texts: $texts"
automate wait-window automate_fixture \; key RETURN \; wait-gone automate_fixture 10 ||
    fail "the message box did not close"
expect_equal "chosen path" "$(on_fixture text 300)" "$(windows_path "$target")"

note "failures exit with 1 and say why"
status=0
err=$(on_fixture click 101 2>&1 >/dev/null) || status=$?
expect_equal "click on a disabled button: exit code" "$status" 1
grep -q "disabled" <<<"$err" || fail "click on a disabled button: $err"
status=0
err=$(automate wait-window "no such window" 0.3 2>&1 >/dev/null) || status=$?
expect_equal "missing window: exit code" "$status" 1
grep -q "no such window" <<<"$err" || fail "missing window: $err"
status=0
err=$(on_fixture wait-text 300 "never" 0.3 2>&1 >/dev/null) || status=$?
expect_equal "wait-text time-out: exit code" "$status" 1
status=0
automate frobnicate 2>/dev/null || status=$?
expect_equal "unknown command: exit code" "$status" 1

note "close"
on_fixture close \; wait-gone "$TITLE" 10 || fail "the window did not close"
wait_for_exit "$fixture_pid" 10 || fail "the fixture is still running"
echo "PASS"
