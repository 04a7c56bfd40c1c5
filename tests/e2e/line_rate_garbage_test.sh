#!/usr/bin/env bash
# Garbage at the full line rate (230400 baud, about 23 KB/s): the simulated device's long-garbage
# scenario sends stretches of up to 200000 bytes without any marker (seconds of line time), then
# a few frames, some of them near 64 KiB. The program (veskar_tickstats.exe: the product's code
# with each tick timed) must keep its memory bounded, its window must answer throughout (a text
# read every second, no message box), and it must show exactly the frames the device logged.
# Prints the figures: memory at the start and the end, the longest answer of the window, and the
# tick figures (count, mean, longest).
#
# The run lasts VESKAR_GARBAGE_SECONDS seconds of sending (default 15: with the seed used, two
# stretches of some 100000 and 85000 bytes and frames of 40677 and 20340 bytes); the full minute:
#   VESKAR_GARBAGE_SECONDS=60 scripts/wine-session.sh ctest --test-dir build/<you>-win64 \
#       -R e2e_line_rate_garbage --output-on-failure
#
# usage: line_rate_garbage_test.sh TICKSTATS_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh"
require_session
TICKSTATS=$1
AUTOMATE=$2
SIMDEVICE=$3
out="$4/line_rate_garbage_test"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/fault_lib.sh
source "$here/fault_lib.sh"
[ -x "$SIMDEVICE" ] || skip "no simulated device at $SIMDEVICE (build the native preset)"
command -v xdotool >/dev/null || skip "xdotool is needed to count message boxes"
seconds=${VESKAR_GARBAGE_SECONDS:-15}
rm -rf "$out"
mkdir -p "$out"
readonly APP_TITLE="veskar_tickstats"  # message boxes carry the program file's name
# What the list legitimately holds for the frames of the run is far less than this (a 64 KiB
# frame's texts are some 0.5 MB); a buffer or text that grows with the garbage exceeds it.
readonly MOST_GROWTH_KB=$((64 * 1024))

note "simulated device on COM2: long-garbage at the line rate for $seconds s"
start_device garbage --scenario long-garbage --seed 2 --duration "$seconds"
# Ahead of the Wine processes, so that it stalls inside a frame as seldom as a real device would.
renice -n -10 -p "$device_pid" >/dev/null 2>&1 || true
export VESKAR_TICK_STATS_FILE
VESKAR_TICK_STATS_FILE=$(windows_path "$out/tickstats.txt")
start_windows_program "$TICKSTATS" "$out/veskar.log"
open_and_monitor
pid=$(program_pid) || fail "no Wine process for $TICKSTATS"
rss_start=$(rss_kb "$pid")

note "device sends; the window is asked for FrameNum every second"
go_device
slowest_answer_ms=0
rss_peak=$rss_start
while kill -0 "$device_pid" 2>/dev/null; do
    sleep 1
    started=$(date +%s%N)
    automate wait-window "$MAIN_WINDOW_TITLE" 10 \; text 1052 >/dev/null ||
        fail "the window did not answer during the garbage"
    answer_ms=$((($(date +%s%N) - started) / 1000000))
    [ "$answer_ms" -gt "$slowest_answer_ms" ] && slowest_answer_ms=$answer_ms
    [ "$(message_boxes "$APP_TITLE")" -eq 0 ] || fail "a message box came up during the garbage"
    rss=$(rss_kb "$pid")
    [ "$rss" -gt "$rss_peak" ] && rss_peak=$rss
    [ $((rss - rss_start)) -le "$MOST_GROWTH_KB" ] ||
        fail "memory grew from $rss_start KiB to $rss KiB during the garbage"
done
wait "$device_pid" || fail "the simulated device failed: $(cat "$out/garbage.err")"
note "device done: $(tail -n 1 "$out/garbage.err")"

sent=$(frames_in_log "$out/garbage.log")
[ "$sent" -gt 0 ] || fail "the device logged no frame"
largest=$(awk '!/^#/ && NF >= 2 && $2 > n { n = $2 } END { print n + 0 }' "$out/garbage.log")
[ "$largest" -ge 20000 ] || fail "the run held no huge frame (the largest has $largest bytes)"
on_main_window wait-text 1052 "$sent" 30 || fail "FrameNum does not reach the $sent frames sent"
rss_end=$(rss_kb "$pid")
on_main_window rows 1043 >"$out/garbage.rows" || fail "the rows cannot be read"
# A quiet tick ends a frame: on a loaded machine the device can stall for a tick inside a long
# frame, and the program then rightly shows the frame's first bytes (the rest is in no frame).
python3 "$here/fault_check.py" rows "$out/garbage.log" "$out/garbage.rows" --any-may-be-cut |
    tee "$out/check.txt" ||
    fail "the rows differ from the frames the device sent (see $out/garbage.rows)"
expect_equal "rows shown" "$(wc -l <"$out/garbage.rows")" "$sent"

on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" 30 || fail "the window did not close"
wait_for_exit "$pid" 30 || fail "$TICKSTATS did not end"
[ -s "$out/tickstats.txt" ] || fail "no tick figures in $out/tickstats.txt"
figure() { awk -v key="$1" '$1 == key { print $2 }' "$out/tickstats.txt"; }
echo "RESULT garbage ${seconds} s, $sent frames shown, the largest $largest bytes ($(cat "$out/check.txt")); device: $(tail -n 1 "$out/garbage.err")"
echo "RESULT memory (VmRSS): start $rss_start KiB, peak $rss_peak KiB, end $rss_end KiB"
echo "RESULT window: slowest answer ${slowest_answer_ms} ms (a veskar-automate start included)"
awk -v ticks="$(figure ticks)" -v mean="$(figure tick_mean_us)" -v p99="$(figure tick_p99_us)" \
    -v longest="$(figure tick_max_us)" 'BEGIN {
        printf "RESULT ticks: %d, mean %.2f ms, p99 %.2f ms, longest %.1f ms\n",
            ticks, mean / 1e3, p99 / 1e3, longest / 1e3 }'
echo "PASS"
