# shellcheck shell=bash
# Shared parts of the fault scripts (a port that vanishes, garbage at the line rate, a recording
# whose disk fills up); sourced after e2e_lib.sh, with $out, $SIMDEVICE and $AUTOMATE set. Brings
# device_lib.sh along.

# shellcheck source=tests/e2e/device_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/device_lib.sh"

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
