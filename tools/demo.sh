#!/usr/bin/env bash
# Runs the program on a demo database: installs what it needs, builds, starts a throwaway
# test server with a small schema of messy-case data, remembers the demo profile in a
# settings store of its own (never the user's), and launches the program. Without a display
# the program runs under Xvfb; a screenshot of the screen is saved and its path printed.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WORK=$(mktemp -d /tmp/recapitalizer-demo.XXXXXX)
# shellcheck source=tools/demo-common.sh
source "$ROOT/tools/demo-common.sh"
trap stop_demo EXIT

prepare_demo
remember_demo_profile "$WORK/config" "$TESTDB_DEMO_PASSWORD"

if [[ -n ${DISPLAY:-} ]]; then
    "$BUILD/program/recapitalizer"
    exit 0
fi

start_xvfb
"$BUILD/program/recapitalizer" &
APP_PID=$!
sleep "${RECAP_DEMO_SECONDS:-4}"
SHOT=$WORK/screenshot.png
import -window root "$SHOT"
kill "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
echo "Screenshot of the demo: $SHOT"
