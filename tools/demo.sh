#!/usr/bin/env bash
# Runs the program on a demo database: installs what it needs, builds, starts a throwaway
# test server with a small schema of messy-case data, remembers the demo profile in a
# settings store of its own (never the user's), and launches the program. Without a display
# the program runs under Xvfb; a screenshot of the screen is saved and its path printed.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${RECAP_BUILD_DIR:-$ROOT/build}
WORK=$(mktemp -d /tmp/recapitalizer-demo.XXXXXX)
SERVER_DIR=$WORK/server
XVFB_PID=

cleanup() {
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null || true
    "$ROOT/tools/testdb.sh" stop "$SERVER_DIR" >/dev/null 2>&1 || true
}
trap cleanup EXIT

"$ROOT/tools/setup.sh"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target recapitalizer >/dev/null

"$ROOT/tools/testdb.sh" start "$SERVER_DIR" >/dev/null
set -a
# shellcheck disable=SC1091
source "$SERVER_DIR/env"
set +a

# The demo's own settings store, holding the demo profile.
export XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_CONFIG_HOME"
cat >"$XDG_CONFIG_HOME/Vantrel.ini" <<INI
[Quillmark%20Column%20Recapitalizer%20for%20Database%20Tables]
OracleSID=127.0.0.1
OracleUser=$TESTDB_DEMO_USER
OraclePassword=$TESTDB_DEMO_PASSWORD
INI
chmod 600 "$XDG_CONFIG_HOME/Vantrel.ini"

if [[ -n ${DISPLAY:-} ]]; then
    "$BUILD/app/recapitalizer"
    exit 0
fi

# No display: a virtual one, a screenshot of it, and stop.
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
"$BUILD/app/recapitalizer" &
APP_PID=$!
sleep "${RECAP_DEMO_SECONDS:-4}"
SHOT=$WORK/screenshot.png
import -window root "$SHOT"
kill "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
echo "Screenshot of the demo: $SHOT"
