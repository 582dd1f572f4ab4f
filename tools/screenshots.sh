#!/usr/bin/env bash
# Screenshots of both windows for docs/: the program on the demo database under Xvfb at 96
# dpi with the real fonts. The connection window is taken with a profile that does not
# connect (so it stays on screen), the work window with the demo profile.
#   tools/screenshots.sh [OUTPUT-DIR]   (default docs/)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$(cd "${1:-$ROOT/docs}" && pwd)
BUILD=${RECAP_BUILD_DIR:-$ROOT/build}
WORK=$(mktemp -d /tmp/recapitalizer-shots.XXXXXX)
XVFB_PID=
APP_PID=

cleanup() {
    [[ -n $APP_PID ]] && kill "$APP_PID" 2>/dev/null || true
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null || true
    "$ROOT/tools/testdb.sh" stop "$WORK/server" >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT

"$ROOT/tools/setup.sh"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target recapitalizer >/dev/null
"$ROOT/tools/testdb.sh" start "$WORK/server" >/dev/null
set -a
# shellcheck disable=SC1091
source "$WORK/server/env"
set +a

for ((display = 90; display < 140; display++)); do
    [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]] || break
done
Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=:$display
for ((tries = 0; tries < 50; tries++)); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

# shot PASSWORD FILE: runs the program with the demo user and that password, saves the
# window on screen.
shot() {
    export XDG_CONFIG_HOME=$WORK/config-$2
    mkdir -p "$XDG_CONFIG_HOME"
    printf '[Quillmark%%20Column%%20Recapitalizer%%20for%%20Database%%20Tables]\nOracleSID=127.0.0.1\nOracleUser=%s\nOraclePassword=%s\n' \
        "$TESTDB_DEMO_USER" "$1" >"$XDG_CONFIG_HOME/Vantrel.ini"
    "$BUILD/app/recapitalizer" &
    APP_PID=$!
    local id=
    for ((tries = 0; tries < 100; tries++)); do
        id=$(xwininfo -root -tree | awk '/"Quillmark Column Recapitalizer for Database Tables"/ {print $1; exit}')
        [[ -n $id ]] && break
        sleep 0.1
    done
    [[ -n $id ]] || { echo "no window appeared" >&2; exit 1; }
    sleep 2
    import -window "$id" "$OUT/$2"
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
    echo "saved $OUT/$2"
}

shot "not the password" connection-window.png
shot "$TESTDB_DEMO_PASSWORD" work-window.png
