# shellcheck shell=bash
# The simulated device linked as COM2 and the main window's texts, shared by the end-to-end
# scripts that drive veskar.exe against it; sourced after e2e_lib.sh, with $out, $SIMDEVICE and
# $AUTOMATE set. A script that changes the session in other ways puts it back in its own
# function test_restore, which runs after COM2 is blocked again.

readonly COM2="$WINEPREFIX/dosdevices/com2"
readonly OPEN_OK="设备打开成功!"
readonly MONITORING="设备处于监视状态！"
readonly CLOSED="设备关闭成功！"

on_main_window() { automate wait-window "$MAIN_WINDOW_TITLE" 30 \; "$@"; }

# Block COM2 again for the tests after this one (a missing link would fall back to a tty).
e2e_restore() {
    [ -d "$COM2" ] || { rm -f "$COM2" && mkdir -p "$COM2"; }
    declare -F test_restore >/dev/null && test_restore
    return 0
}

# start_device NAME ARGS...: the simulated device on a pseudo-terminal linked as COM2, holding
# its first byte until go_device or run_device. Its frame log is $out/NAME.log; sets
# $device_pid.
start_device() {
    device_name=$1
    shift
    # The session blocks COM2 with a directory; the device's link takes its place.
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

# go_device: lets the device send.
go_device() {
    echo >&7
    exec 7>&-
}

# run_device SECONDS: lets the device send, then waits until it has sent everything.
run_device() {
    go_device
    wait_for_exit "$device_pid" "$1" || fail "the simulated device did not finish within $1 s"
    wait "$device_pid" || fail "the simulated device failed: $(cat "$out/$device_name.err")"
}

# open_and_monitor: presses Open and Start Monitor on the main window.
open_and_monitor() {
    on_main_window click 1000 \; wait-text 1050 "$OPEN_OK" 10 \; click 1032 \
        \; wait-text 1050 "$MONITORING" 5 || fail "Open or Start Monitor failed"
}

# frames_in_log LOG...: the number of frames the device logged, in all the logs together.
frames_in_log() { awk '!/^#/ && NF >= 2 { n++ } END { print n + 0 }' "$@"; }
