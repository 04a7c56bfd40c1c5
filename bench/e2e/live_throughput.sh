#!/usr/bin/env bash
# Live throughput from end to end: the simulated device sends the smallest frames (4 bytes) as
# fast as the port takes them to veskar_tickstats.exe on COM2, until COUNT frames are sent or
# DURATION seconds have passed. Then it checks that the list accounts for every frame sent, once
# each (check_rows.py), and prints frames shown per second as a multiple of the line maximum
# (5760 frames/s), the tick durations, the process memory and where the ticks' time went.
#
# usage: live_throughput.sh [--minimized] [--count N] [--duration S] [--perf] [--cache-handles]
#                           [--x-resources]
#                           [--no-rows] TICKSTATS_EXE AUTOMATE_EXE WINDOW_STATE_EXE SIMDEVICE OUTPUT_DIR
#        (inside scripts/wine-session.sh)
#   --minimized      minimise the main window before the first frame (the list still gets every
#                    row, but Wine paints nothing)
#   --perf           also sample the Wine process with `perf record` (software clock)
#   --cache-handles  let the timing wrappers answer the ticks' handle look-ups from a cache
#   --x-resources    give Xlib a resource database (one unused entry, via XENVIRONMENT)
#   --no-rows        skip reading and checking the rows (for quick comparisons only: the frame
#                    count and FrameNum are still checked)
set -euo pipefail
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/../../tests/e2e/e2e_lib.sh"
require_session

mode=shown
count=250000
duration=300
use_perf=""
read_rows=1
x_resources=""
while [ $# -gt 0 ]; do
    case $1 in
        --minimized) mode=minimized; shift ;;
        --count) count=$2; shift 2 ;;
        --duration) duration=$2; shift 2 ;;
        --perf) use_perf=1; shift ;;
        --cache-handles) export VESKAR_TICK_STATS_CACHE_HANDLES=1; shift ;;
        --no-rows) read_rows=""; shift ;;
        --x-resources) x_resources=1; shift ;;
        *) break ;;
    esac
done
[ $# -eq 5 ] || { sed -n '2,18p' "$0" >&2; exit 2; }
[ -z "${VESKAR_TICK_STATS_CACHE_HANDLES:-}" ] || mode="$mode-cached"
[ -z "$x_resources" ] || mode="$mode-xrdb"
TICKSTATS=$1
AUTOMATE=$2
WINDOW_STATE=$3
SIMDEVICE=$4
out="$5/live_throughput-$mode"
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$SIMDEVICE" ] || fail "no simulated device at $SIMDEVICE"
rm -rf "$out"
mkdir -p "$out"

readonly COM2="$WINEPREFIX/dosdevices/com2"
readonly OPEN_OK="设备打开成功!"
readonly MONITORING="设备处于监视状态！"
readonly LINE_MAX_FRAMES=5760
# A tick that shows thousands of rows on a visible list keeps the window busy for a long time.
readonly PATIENCE=900
on_main_window() { automate wait-window "$MAIN_WINDOW_TITLE" "$PATIENCE" \; "$@"; }
# session_cpu: "name seconds" of CPU time (user + system) for this session's processes, so the
# cost per frame can be told apart from waiting for a machine shared with other work.
session_cpu() {
    local proc name
    for proc in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$proc/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        name=$(cat "$proc/comm" 2>/dev/null) || continue
        case $name in
            wineserver* | Xvfb | veskar*) ;;
            *) continue ;;
        esac
        awk -v name="$name" -v hz="$(getconf CLK_TCK)" '{
            sub(/^.*\) /, ""); printf "%s %.2f\n", name, ($12 + $13) / hz }' "$proc/stat"
    done | sort
}

e2e_restore() {
    [ -d "$COM2" ] || { rm -f "$COM2" && mkdir -p "$COM2"; }
}

note "simulated device on COM2: smallest frames, rate max, $count frames or $duration s"
# The device writes into the session's socat pair COM3 and COM2 is made the near end of that
# pair. When the device ends, whatever the program has not read yet stays in the pair (a device
# on its own pseudo-terminal would hang it up and discard it, and a tick of a slow list may take
# longer than the device waits for the reader).
rm -rf "$COM2"
ln -s "$(readlink "$WINEPREFIX/dosdevices/com3")" "$COM2"
mkfifo "$out/go"
"$SIMDEVICE" --port "$VESKAR_PTY_DIR/com3" --log "$out/device.log" --wait-enter \
    --scenario smallest --rate max --count "$count" --duration "$duration" \
    <"$out/go" >"$out/device.out" 2>"$out/device.err" &
device_pid=$!
e2e_pids+=("$device_pid")
exec 7>"$out/go"

# Without any X resources (Xvfb has none) Xlib keeps no resource database and looks for the
# resource files again on every XGetDefault, which Wine calls whenever a font is selected.
if [ -n "$x_resources" ]; then
    echo "veskar-bench.unused: 1" >"$out/xresources"
    export XENVIRONMENT="$out/xresources"
fi

note "start veskar_tickstats.exe ($mode), press Open and Start Monitor"
export VESKAR_TICK_STATS_FILE
VESKAR_TICK_STATS_FILE=$(windows_path "$out/tickstats.txt")
start_windows_program "$TICKSTATS" "$out/veskar.log"
veskar_pid=$started_pid
on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 10 \; click 1032 \
    \; wait-text 1050 "$MONITORING" 5 || fail "Open or Start Monitor failed"
window_state() { "$VESKAR_WINE" "$WINDOW_STATE" "$MAIN_WINDOW_TITLE" "$@" </dev/null; }
# Without a window manager Wine can restore a minimised window on its own shortly after: make
# sure it stays minimised before the first frame, and check again at the end.
if [ "${mode%%-*}" = minimized ]; then
    for _ in 1 2 3; do
        window_state minimize || fail "the main window could not be minimised"
        sleep 2
        window_state is-minimized && break
    done
    window_state is-minimized || fail "the main window does not stay minimised"
fi

if [ -n "$use_perf" ]; then
    perf record -e cpu-clock -F 499 -g -p "$veskar_pid" -o "$out/perf.data" \
        >"$out/perf-record.log" 2>&1 &
    perf_pid=$!
    e2e_pids+=("$perf_pid")
fi

session_cpu >"$out/cpu-start.txt"
note "device sends"
echo >&7
exec 7>&-
tries=$(((duration + 120) * 10))
while kill -0 "$device_pid" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "the device did not finish"
    sleep 0.1
done
wait "$device_pid" || fail "the device failed: $(cat "$out/device.err")"
note "device done: $(tail -n 1 "$out/device.err")"

# The last ticks may still be showing frames: wait until the field shows the last Seq the list
# can hold, and still does a second later.
sent=$(grep -vc '^#' "$out/device.log")
held=$(((sent - 1) % 200000 + 1))
on_main_window wait-text 1052 "$held" "$PATIENCE" || fail "FrameNum does not reach $held"
sleep 1
last=$(on_main_window text 1052) || fail "FrameNum cannot be read"
note "FrameNum $last"
if [ -n "$use_perf" ]; then
    kill -INT "$perf_pid" 2>/dev/null || true
    wait "$perf_pid" 2>/dev/null || true
fi
session_cpu >"$out/cpu-end.txt"
if [ "${mode%%-*}" = minimized ]; then
    window_state is-minimized || fail "the main window was restored during the run"
fi
grep -E '^(VmRSS|VmHWM)' "/proc/$veskar_pid/status" >"$out/memory.txt" ||
    fail "no memory figures of process $veskar_pid"

if [ -n "$read_rows" ]; then
    note "read the rows (FrameNum $last)"
    on_main_window rows 1043 >"$out/rows.txt" || fail "the rows cannot be read"
    python3 "$here/check_rows.py" "$out/device.log" "$out/rows.txt" "$last" >"$out/check.txt" ||
        fail "frames lost or shown twice: $(head -n 5 "$out/check.txt")"
    cat "$out/check.txt"
fi

note "close"
on_main_window close \; wait-gone "$MAIN_WINDOW_TITLE" "$PATIENCE" || fail "the window did not close"
wait_for_exit "$veskar_pid" 30 || fail "veskar_tickstats.exe did not end"
[ -s "$out/tickstats.txt" ] || fail "no tick figures in $out/tickstats.txt"

figure() { awk -v key="$1" '$1 == key { print $2 }' "$out/tickstats.txt"; }
shown=$(figure frames_shown)
[ "$shown" = "$sent" ] || fail "the ticks showed $shown frames, the device sent $sent"
span_us=$(figure show_span_us)
awk -v sent="$sent" -v span="$span_us" -v rows="$read_rows" -v max="$LINE_MAX_FRAMES" -v mode="$mode" \
    -v rss="$(awk '/VmRSS/ { print $2 }' "$out/memory.txt")" \
    -v hwm="$(awk '/VmHWM/ { print $2 }' "$out/memory.txt")" \
    -v ticks="$(figure ticks)" -v frame_ticks="$(figure ticks_with_frames)" \
    -v mean="$(figure tick_mean_us)" -v p99="$(figure tick_p99_us)" -v longest="$(figure tick_max_us)" \
    -v wset="$(figure working_set_bytes)" -v peak="$(figure peak_working_set_bytes)" \
    -v own="$(figure own_code_us)" -v timers="$(figure timer_overhead_us)" -v calls="$(figure timed_calls_us)" -v total="$(figure tick_total_us)" \
    'BEGIN {
        rate = sent / (span / 1e6)
        printf "RESULT %s: %d frames sent, %d shown%s\n", mode, sent, sent,
            rows ? ", lost 0, shown twice 0" : " (rows not checked)"
        printf "RESULT %s: %.0f frames/s shown = %.4f x the line maximum (%d frames/s) over %.1f s\n",
            mode, rate, rate / max, max, span / 1e6
        printf "RESULT %s: %d ticks (%d with frames), mean %.1f ms, p99 %.1f ms, longest %.1f ms\n",
            mode, ticks, frame_ticks, mean / 1e3, p99 / 1e3, longest / 1e3
        printf "RESULT %s: memory at the end %.1f MB resident (peak %.1f MB); working set at exit %.1f MB, peak %.1f MB\n",
            mode, rss / 1024, hwm / 1024, wset / 1048576, peak / 1048576
        printf "RESULT %s: tick time %.1f s: system calls %.1f%%, the program itself at most %.1f%% (%.1f us/frame, with the timers: %.1f%% by their own measure)\n",
            mode, total / 1e6, 100 * calls / total, 100 * own / total, own / sent, 100 * timers / total
    }' | tee "$out/result.txt"
echo "CPU seconds during the run, per process (and per frame):"
join "$out/cpu-start.txt" "$out/cpu-end.txt" | awk -v sent="$sent" '{
        printf "  %-14s %8.2f s  %8.1f us/frame\n", $1, $3 - $2, 1e6 * ($3 - $2) / sent }' |
    tee "$out/cpu.txt"
echo "calls during ticks (exclusive time), top first: name calls total_ms mean_us longest_us"
awk -F'\t' -v total="$(figure tick_total_us)" '$1 == "call" {
        printf "  %-30s %9d %10.1f %9.2f %9.1f  %5.1f%%\n", $2, $3, $4 / 1e3, $5, $6, 100 * $4 / total
    }' "$out/tickstats.txt" | sort -k3 -n -r | tee "$out/calls.txt"
if [ -n "$use_perf" ]; then
    perf report -i "$out/perf.data" --no-children --sort dso --stdio -g none 2>/dev/null |
        grep -v '^#' | grep -v '^$' | head -n 15 >"$out/perf-dso.txt" || true
    perf report -i "$out/perf.data" --no-children --sort dso,sym --stdio -g none 2>/dev/null |
        grep -v '^#' | grep -v '^$' | head -n 40 >"$out/perf-sym.txt" || true
    echo "perf: where the process spent its time (by module)"
    cat "$out/perf-dso.txt"
fi
echo "PASS"
