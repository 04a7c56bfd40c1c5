#!/usr/bin/env bash
# The live part of ./run.sh, run inside scripts/wine-session.sh: the simulated device with
# realistic traffic on a pseudo-terminal linked as COM2 in the session's prefix, and veskar.exe.
#   watch: veskar shows on the user's display; the user presses Open and Start Monitor and
#          watches; closing the window (or Ctrl-C) ends it.
#   auto:  on the session's own display, Open and Start Monitor are pressed here, and after a
#          few seconds a screenshot is written to OUTPUT_DIR/veskar.png.
#
# usage: scripts/e2e-live-demo.sh watch|auto VESKAR_EXE AUTOMATE_EXE SIMDEVICE OUTPUT_DIR
set -euo pipefail
mode=$1 veskar=$2 automate_exe=$3 simdevice=$4 out=$5
readonly TITLE="Veskar V2.0.8.11"
readonly WATCH_SECONDS=5

say() { echo "run: $*"; }
die() {
    echo "run: $*" >&2
    exit 1
}

pids=()
stop_all() {
    local status=$? pid
    set +e
    for pid in "${pids[@]}"; do kill "$pid" >/dev/null 2>&1; done
    for pid in "${pids[@]}"; do wait "$pid" >/dev/null 2>&1; done
    exit "$status"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

automate() { "$VESKAR_WINE" "$automate_exe" wait-window "$TITLE" 30 \; "$@" </dev/null; }

mkdir -p "$out"
com2="$WINEPREFIX/dosdevices/com2"
rm -rf "$com2"  # the session blocks COM2 with a directory; the device's link replaces it
"$simdevice" --scenario realistic --link "$com2" --log "$out/simdevice.log" \
    </dev/null >"$out/simdevice.out" 2>"$out/simdevice.err" &
pids+=($!)
for _ in $(seq 100); do
    [ -L "$com2" ] && break
    kill -0 "${pids[0]}" 2>/dev/null || die "the simulated device did not start: $(cat "$out/simdevice.err")"
    sleep 0.1
done
[ -L "$com2" ] || die "the simulated device made no COM2 link"
say "simulated device: realistic traffic on $(head -n 1 "$out/simdevice.out"), mapped as COM2"
say "  (it starts sending when the port is opened; frames it sent: $out/simdevice.log)"

# veskar's own files (for example what Save writes by default) go to the output folder.
(cd "$out" && exec "$VESKAR_WINE" "$veskar" </dev/null >"$out/veskar.log" 2>&1) &
veskar_pid=$!
pids+=("$veskar_pid")
say "veskar.exe started"

if [ "$mode" = watch ]; then
    say "on your display: press Open, then Start Monitor, and watch the rows arrive."
    say "close the Veskar window or press Ctrl-C to stop."
    wait "$veskar_pid" || true
    say "veskar.exe ended"
    exit 0
fi

automate click 1000 \; wait-text 1050 "设备打开成功!" 10 || die "Open did not open COM2"
say "pressed Open: the port is open"
automate click 1032 \; wait-text 1050 "设备处于监视状态！" 10 || die "Start Monitor did not start"
say "pressed Start Monitor; watching for $WATCH_SECONDS seconds"
sleep "$WATCH_SECONDS"
say "FrameNum shows $(automate text 1052) frames"
import -display "$DISPLAY" -window root "$out/veskar.png" || die "no screenshot (imagemagick)"
say "screenshot: $out/veskar.png"
automate close \; wait-gone "$TITLE" 10 || die "the window did not close"
