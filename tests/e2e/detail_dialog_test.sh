#!/usr/bin/env bash
# The frame detail dialog from end to end: the simulated device on COM2 sends frames to the real
# veskar.exe, which shows them live; a real double click (xdotool, at the screen position of a
# row) opens "Info Dialog" with that row's Seq, Time, Len and Data texts, whole, trailing blank
# included; Escape closes it and the window goes on. Tried on the first row, on the row with the
# longest Data text and on the last one.
# Exits with 77 (skipped) when the simulated device is not built or xdotool is missing.
#
# usage: detail_dialog_test.sh VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
VESKAR=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/detail_dialog_test"
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
command -v xdotool >/dev/null || skip "no xdotool for the real double click"
rm -rf "$out"
mkdir -p "$out"

# shellcheck source=tests/e2e/device_lib.sh
source "$(dirname "$0")/device_lib.sh"
readonly DETAIL_TITLE="Info Dialog"
readonly FRAMES=40

note "simulated device on COM2, holding its first byte"
start_device device --scenario mixed --seed 3 --count "$FRAMES"

note "start veskar.exe, Open, Start Monitor, let the device send"
start_windows_program "$VESKAR" "$out/veskar.log"
open_and_monitor
run_device 30
on_main_window wait-text 1052 "$FRAMES" 30 || fail "the list did not reach $FRAMES rows"
on_main_window rows 1043 >"$out/rows.txt" || fail "the rows cannot be read"

# field TEXTS ID: the text of control ID in the output of dialog-texts.
field() { awk -F'\t' -v id="$2" '$1 == id { sub(/^[^\t]*\t[^\t]*\t/, ""); print; exit }' <<<"$1"; }

# The row with the longest Data text, which the list cuts off at the column edge.
longest=$(awk -F'\t' '{ if (length($4) > max) { max = length($4); row = NR - 1 } } END { print row }' \
    "$out/rows.txt")
for row in 0 "$longest" $((FRAMES - 1)); do
    note "double click on row $row"
    line=$(sed -n "$((row + 1))p" "$out/rows.txt")
    seq=$(cut -f1 <<<"$line") time=$(cut -f2 <<<"$line") len=$(cut -f3 <<<"$line")
    data=$(cut -f4 <<<"$line")
    [ "$seq" = "$((row + 1))" ] || fail "row $row has Seq '$seq'"
    read -r left top right bottom <<<"$(on_main_window row-rect 1043 "$row")"
    xdotool mousemove --sync $(((left + right) / 2)) $(((top + bottom) / 2)) click --repeat 2 1
    texts=$(automate dialog-texts "$DETAIL_TITLE" 10) || fail "no detail dialog for row $row"
    expect_equal "Seq field of row $row" "$(field "$texts" 1046)" "$seq"
    expect_equal "Time field of row $row" "$(field "$texts" 1047)" "$time"
    expect_equal "Len field of row $row" "$(field "$texts" 1044)" "$len"
    expect_equal "Data field of row $row" "$(field "$texts" 1045)" "$data"
    [ "$row" -ne "$longest" ] || screenshot "$out/detail_dialog.png" "$DETAIL_TITLE"
    automate wait-window "$DETAIL_TITLE" 5 \; key ESCAPE \; wait-gone "$DETAIL_TITLE" 10 ||
        fail "Escape did not close the detail dialog"
done

note "close"
on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 10 || fail "the window did not close"
echo "PASS"
