#!/usr/bin/env bash
# Tries Veskar without hardware: sets the machine up, builds the simulated device and
# veskar.exe, and runs them in a private Wine session with the device on COM2 (the port Veskar
# chooses at start).
#  - With a display ($DISPLAY set), Veskar shows on it: press Open, then Start Monitor, and
#    watch the rows arrive. Close the window or press Ctrl-C to stop.
#  - Without one, everything runs on a private Xvfb display: Open and Start Monitor are pressed
#    automatically, and after a few seconds a screenshot is written to build/run/veskar.png.
# Stopping it (the window closed, Ctrl-C) stops everything it started.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
# VESKAR_BUILD_ROOT puts the build folders elsewhere (default build/, the presets' folders).
builds="${VESKAR_BUILD_ROOT:-$root/build}"

say() { printf 'run: %s\n' "$*"; }

say "setting up the machine (scripts/setup.sh)"
scripts/setup.sh

say "building the simulated device (preset native)"
cmake --preset native -B "$builds/native" >/dev/null
cmake --build "$builds/native" --target simdevice

arch=$(scripts/wine-arch.sh)
say "building veskar.exe and the automation helper (preset $arch)"
cmake --preset "$arch" -B "$builds/$arch" >/dev/null
cmake --build "$builds/$arch" --target veskar veskar-automate

build="$builds/$arch"
veskar="$build/ui/veskar.exe"
automate="$build/tools/automate/veskar-automate.exe"
simdevice="$builds/native/tools/simdevice/simdevice"
out="$builds/run"
for file in "$veskar" "$automate" "$simdevice"; do
    [ -e "$file" ] || { echo "run: missing $file after the build" >&2; exit 1; }
done

if [ -n "${DISPLAY:-}" ]; then
    say "starting a private Wine session on your display $DISPLAY"
    scripts/wine-session.sh --keep-display \
        scripts/e2e-live-demo.sh watch "$veskar" "$automate" "$simdevice" "$out"
else
    say "no display: starting a private Wine session on its own Xvfb display"
    scripts/wine-session.sh \
        scripts/e2e-live-demo.sh auto "$veskar" "$automate" "$simdevice" "$out"
fi
say "stopped"
