# shellcheck shell=bash
# Shared parts of the fault scripts (a port that vanishes, garbage at the line rate, a recording
# whose disk fills up); sourced after e2e_lib.sh, with $out, $SIMDEVICE and $AUTOMATE set.

readonly COM2="$WINEPREFIX/dosdevices/com2"
readonly OPEN_OK="设备打开成功!"
readonly MONITORING="设备处于监视状态！"
readonly CLOSED="设备关闭成功！"

on_main_window() { automate wait-window "$MAIN_WINDOW_TITLE" 30 \; "$@"; }

# Block COM2 again for the tests after this one (a missing link would fall back to a tty).
e2e_restore() {
    [ -d "$COM2" ] || { rm -f "$COM2" && mkdir -p "$COM2"; }
    declare -F fault_restore >/dev/null && fault_restore
    return 0
}

# start_device NAME ARGS...: the simulated device on a pseudo-terminal linked as COM2, holding
# its first byte until go_device. Its frame log is $out/NAME.log; sets $device_pid.
start_device() {
    device_name=$1
    shift
    rm -rf "$COM2"
    rm -f "$out/$device_name.go"
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

go_device() {
    echo >&7
    exec 7>&-
}

# open_and_monitor: presses Open and Start Monitor on the main window.
open_and_monitor() {
    on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 10 \; click 1032 \
        \; wait-text 1050 "$MONITORING" 5 || fail "Open or Start Monitor failed"
}

# message_boxes TITLE: the number of visible top-level windows with this caption (message boxes
# carry the program file's name), counted on the session's display.
message_boxes() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

# program_pid: the Wine process of the program start_windows_program started (the loader execs
# into the program's process, so it keeps the loader's id); fails if that is not the program.
program_pid() {
    tr '\0' ' ' <"/proc/$started_pid/cmdline" 2>/dev/null | grep -qi '\.exe' || return 1
    echo "$started_pid"
}

# rss_kb PID: resident memory of a process, in KiB.
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# frames_in_log LOG: the number of frames the device logged.
frames_in_log() { awk '!/^#/ && NF >= 2 { n++ } END { print n + 0 }' "$1"; }
