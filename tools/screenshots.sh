#!/usr/bin/env bash
# Screenshots of both windows for docs/: the program on the demo database under Xvfb at 96
# dpi with the real fonts. The connection window is taken with a profile that does not
# connect (so it stays on screen), the work window with the demo profile; then the field
# list's menu (right button on the first field, through xdotool) and the dialog its
# "Preview Changes..." opens.
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

# window_id TITLE: the id of the first window with that title, waiting up to 10 s for it.
window_id() {
    local id= tries
    for ((tries = 0; tries < 100; tries++)); do
        id=$(xwininfo -root -tree | awk -v title="\"$1\"" 'index($0, title) {print $1; exit}')
        [[ -n $id ]] && break
        sleep 0.1
    done
    [[ -n $id ]] || { echo "no window \"$1\" appeared" >&2; return 1; }
    echo "$id"
}

end_program() {
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=
}

# shot PASSWORD FILE: runs the program as the demo user with that password and saves the
# window it shows.
shot() {
    local id
    remember_demo_profile "$WORK/config-$2" "$1"
    "$BUILD/program/recapitalizer" &
    APP_PID=$!
    id=$(window_id "Quillmark Column Recapitalizer for Database Tables")
    sleep 2
    import -window "$id" "$OUT/$2"
    end_program
    echo "saved $OUT/$2"
}

# shot_menu MENU-FILE PREVIEW-FILE: the work window with the field list's menu open on its
# first field, then the preview dialog of the menu's first entry.
shot_menu() {
    local id geometry preview
    remember_demo_profile "$WORK/config-menu" "$TESTDB_DEMO_PASSWORD"
    # Journals of its own: "Undo Last Run..." shows as it does for a new user.
    XDG_DATA_HOME=$WORK/data "$BUILD/program/recapitalizer" &
    APP_PID=$!
    id=$(window_id "Quillmark Column Recapitalizer for Database Tables")
    sleep 2
    # The field list starts at 312,8 pixels; its first field is the row under the header.
    xdotool mousemove --window "$id" 360 38 click 3
    sleep 1
    # The menu is a window of its own over the work window: take the screen where that is.
    geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width/ {w=$2} /Height/ {h=$2} END {printf "%dx%d+%d+%d", w, h, x, y}')
    import -window root -crop "$geometry" +repage "$OUT/$1"
    echo "saved $OUT/$1"
    xdotool key Down Return
    preview=$(window_id "Preview Changes")
    sleep 2
    import -window "$preview" "$OUT/$2"
    echo "saved $OUT/$2"
    end_program
}

prepare_demo
start_xvfb
shot "not the password" connection-window.png
shot "$TESTDB_DEMO_PASSWORD" work-window.png
shot_menu field-menu.png preview-changes.png
