# Shared by demo.sh and screenshots.sh: build the program, start the demo server, a virtual
# display, and a settings store of the program's own. Source it; set ROOT and WORK first.

BUILD=${RECAP_BUILD_DIR:-$ROOT/build}
XVFB_PID=

stop_demo() {
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null
    "$ROOT/tools/testdb.sh" stop "$WORK/server" >/dev/null 2>&1 || true
}

# Installs what is missing, builds the program, starts the server and loads its settings.
prepare_demo() {
    "$ROOT/tools/setup.sh"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$(nproc)" --target recapitalizer >/dev/null
    "$ROOT/tools/testdb.sh" start "$WORK/server" >/dev/null
    set -a
    # shellcheck disable=SC1091
    source "$WORK/server/env"
    set +a
}

# A settings store of its own in FOLDER, remembering the demo user with PASSWORD.
remember_demo_profile() { # FOLDER PASSWORD
    export XDG_CONFIG_HOME=$1
    mkdir -p "$XDG_CONFIG_HOME"
    printf '[Quillmark%%20Column%%20Recapitalizer%%20for%%20Database%%20Tables]\nOracleSID=127.0.0.1\nOracleUser=%s\nOraclePassword=%s\n' \
        "$TESTDB_DEMO_USER" "$2" >"$XDG_CONFIG_HOME/Vantrel.ini"
    chmod 600 "$XDG_CONFIG_HOME/Vantrel.ini"
}

# A virtual display at 96 dpi; exports DISPLAY.
start_xvfb() {
    local display tries
    for ((display = 90; display < 140; display++)); do
        [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]] || break
    done
    Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$display
    for ((tries = 0; tries < 50; tries++)); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}
