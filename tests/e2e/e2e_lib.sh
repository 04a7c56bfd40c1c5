# shellcheck shell=bash
# Shared parts of the end-to-end scripts; sourced, not run. Expects to run inside
# scripts/wine-session.sh (WINEPREFIX, DISPLAY, VESKAR_WINE and VESKAR_SESSION_DIR set).

readonly MAIN_WINDOW_TITLE="Veskar V2.0.8.11"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

skip() {
    echo "SKIP: $*"
    exit 77
}

note() { echo "--- $(date +%T) $*"; }

require_session() {
    if [ -z "${VESKAR_SESSION_DIR:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
        echo "not inside a Veskar Wine session; run through scripts/wine-session.sh" >&2
        exit 2
    fi
}

# Processes this script started, stopped when it ends whatever the outcome; a script that
# changes the session in other ways puts it back in its function e2e_restore.
e2e_pids=()
e2e_cleanup() {
    local status=$? pid
    set +e
    for pid in "${e2e_pids[@]}"; do kill "$pid" >/dev/null 2>&1; done
    for pid in "${e2e_pids[@]}"; do wait "$pid" >/dev/null 2>&1; done
    declare -F e2e_restore >/dev/null && e2e_restore
    exit "$status"
}
trap e2e_cleanup EXIT

# automate ARGS...: runs veskar-automate.exe (path in $AUTOMATE) in the session's Wine.
automate() {
    "$VESKAR_WINE" "$AUTOMATE" "$@" </dev/null
}

# start_windows_program EXE LOG: starts a Windows program in the background; sets $started_pid.
start_windows_program() {
    "$VESKAR_WINE" "$1" </dev/null >"$2" 2>&1 &
    started_pid=$!
    e2e_pids+=("$started_pid")
}

# wait_for_exit PID SECONDS: true once the process has ended.
wait_for_exit() {
    local tries=$(($2 * 10))
    while [ "$tries" -gt 0 ]; do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# screenshot FILE [WINDOW_TITLE]: the whole screen of the session's display as PNG; with a
# title also FILE with "-window" before ".png", cropped to that window. (Xvfb runs no window
# manager, so Wine draws no caption bar: the crop shows the client area and the frame.)
screenshot() {
    local file=$1 title=${2:-}
    mkdir -p "$(dirname "$file")"
    import -display "$DISPLAY" -window root "$file" || fail "no screenshot (imagemagick's import)"
    echo "screenshot: $file"
    [ -n "$title" ] || return 0
    local left top right bottom
    read -r left top right bottom <<<"$(automate wait-window "$title" 5 \; window-rect)" ||
        fail "no window \"$title\" to crop the screenshot to"
    import -display "$DISPLAY" -window root \
        -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "${file%.png}-window.png"
    echo "screenshot: ${file%.png}-window.png"
}

# expect_equal WHAT ACTUAL EXPECTED
expect_equal() {
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}

# windows_path UNIX_PATH: the same file as Wine's Z: drive shows it.
windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}
