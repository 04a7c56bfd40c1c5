#!/usr/bin/env bash
# Runs a command inside a private, throw-away Wine session:
#  - a fresh Wine prefix and one persistent wineserver for the whole run,
#  - its own Xvfb display,
#  - "宋体" mapped to an installed CJK font so that Chinese texts render,
#  - pseudo-terminal pairs (socat) mapped as COM3 to COM6, their far ends at
#    $VESKAR_PTY_DIR/comN and as COM13 to COM16, so that tests can play the device from Linux
#    or from a Windows program; COM1, COM2, COM7 and COM8 are blocked, so
#    that opening them fails (a script that plays its own device maps COM2 over the block).
# Everything it started is stopped when the command ends.
#
# usage: scripts/wine-session.sh [--keep-display] command [args...]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
base="${VESKAR_SESSION_BASE:-$root/build/sessions}"
mkdir -p "$base"
session=$(mktemp -d "$base/session.XXXXXX")

export VESKAR_SESSION_DIR="$session"
export WINEPREFIX="$session/prefix"
export VESKAR_WINE_ARCH="${VESKAR_WINE_ARCH:-$("$root/scripts/wine-arch.sh")}"
if [ "$VESKAR_WINE_ARCH" = win32 ]; then
    export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
else
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fi
export VESKAR_WINE="$WINELOADER"
wine() { "$VESKAR_WINE" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
export -f wine wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export VESKAR_PTY_DIR="$session/ptys"
mkdir -p "$VESKAR_PTY_DIR"

pids=()
cleanup() {
    set +e
    wineserver -k >/dev/null 2>&1
    for pid in "${pids[@]}"; do kill "$pid" >/dev/null 2>&1; done
    wait >/dev/null 2>&1
    [ -n "${VESKAR_KEEP_SESSION:-}" ] || rm -rf "$session"
}
trap cleanup EXIT

start_display() {
    exec 9<> "$session/displayfd"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -ac >"$session/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        read -r -t 0.1 display <&9 2>/dev/null && break
        display=$(cat "$session/displayfd" 2>/dev/null || true)
        [ -n "$display" ] && break
    done
    [ -n "$display" ] || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display"
}

start_prefix() {
    wine wineboot -i </dev/null >"$session/wineboot.log" 2>&1 || true
    wineserver -w
    # One persistent wineserver for the whole run; warm it with standard I/O detached so that
    # services it starts do not hold the caller's pipes open.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /t REG_SZ \
        /d 'WenQuanYi Zen Hei' /f </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'SimSun' /t REG_SZ \
        /d 'WenQuanYi Zen Hei' /f </dev/null >/dev/null 2>&1 || true
    # Xvfb runs no window manager; unmanaged windows spare Wine its wait of about two seconds
    # for one whenever a window is hidden or destroyed.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1 || true
}

map_ports() {
    local dosdevices="$WINEPREFIX/dosdevices"
    rm -f "$dosdevices"/com*
    for n in 3 4 5 6; do
        socat "pty,raw,echo=0,link=$dosdevices/com$n" \
            "pty,raw,echo=0,link=$VESKAR_PTY_DIR/com$n" </dev/null >/dev/null 2>&1 &
        pids+=($!)
    done
    for n in 3 4 5 6; do
        for _ in $(seq 50); do
            [ -e "$dosdevices/com$n" ] && [ -e "$VESKAR_PTY_DIR/com$n" ] && break
            sleep 0.05
        done
        # Hold both ends open, so that socat keeps the pair when a test closes its end.
        sleep infinity <"$dosdevices/com$n" >/dev/null 2>&1 &
        pids+=($!)
        sleep infinity <"$VESKAR_PTY_DIR/com$n" >/dev/null 2>&1 &
        pids+=($!)
        # The far end is also a Wine port (COM13 for COM3, ...), so a test program can play
        # the device through the same serial API.
        ln -s "$(readlink "$VESKAR_PTY_DIR/com$n")" "$dosdevices/com$((n + 10))"
    done
    # A port that must fail to open: Wine cannot open a directory as a serial device.
    mkdir -p "$dosdevices/com7" "$dosdevices/com1" "$dosdevices/com2" "$dosdevices/com8"
}

keep_display=""
if [ "${1:-}" = "--keep-display" ]; then keep_display=1; shift; fi
if [ -n "$keep_display" ] && [ -n "${DISPLAY:-}" ]; then :; else start_display; fi
start_prefix
map_ports

set +e
"$@"
status=$?
exit $status
