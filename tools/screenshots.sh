#!/usr/bin/env bash
# Screenshots of both windows for docs/: the program on the demo database under Xvfb at 96
# dpi with the real fonts. The connection window is taken with a profile that does not
# connect (so it stays on screen), the work window with the demo profile.
#   tools/screenshots.sh [OUTPUT-DIR]   (default docs/)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$(cd "${1:-$ROOT/docs}" && pwd)
WORK=$(mktemp -d /tmp/recapitalizer-shots.XXXXXX)
APP_PID=
# shellcheck source=tools/demo-common.sh
source "$ROOT/tools/demo-common.sh"
cleanup() {
    [[ -n $APP_PID ]] && kill "$APP_PID" 2>/dev/null
    stop_demo
    rm -rf "$WORK"
}
trap cleanup EXIT

# shot PASSWORD FILE: runs the program as the demo user with that password and saves the
# window it shows.
shot() {
    local id= tries
    remember_demo_profile "$WORK/config-$2" "$1"
    "$BUILD/program/recapitalizer" &
    APP_PID=$!
    for ((tries = 0; tries < 100; tries++)); do
        id=$(xwininfo -root -tree |
            awk '/"Quillmark Column Recapitalizer for Database Tables"/ {print $1; exit}')
        [[ -n $id ]] && break
        sleep 0.1
    done
    [[ -n $id ]] || { echo "no window appeared" >&2; return 1; }
    sleep 2
    import -window "$id" "$OUT/$2"
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    echo "saved $OUT/$2"
}

prepare_demo
start_xvfb
shot "not the password" connection-window.png
shot "$TESTDB_DEMO_PASSWORD" work-window.png
