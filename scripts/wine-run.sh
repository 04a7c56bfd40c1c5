#!/usr/bin/env bash
# Runs a Windows program under Wine inside a Veskar test session (see wine-session.sh).
# Refuses to run outside one, so that no test ever touches the user's own prefix or display.
set -euo pipefail
if [ -z "${VESKAR_SESSION_DIR:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run.sh: not inside a Veskar Wine session; run through scripts/wine-session.sh" >&2
    exit 2
fi
exec "${VESKAR_WINE:-wine}" "$@"
