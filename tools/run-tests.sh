#!/usr/bin/env bash
# The test command. Installs what is missing, builds in build/ and runs every test, then does
# the same with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (skipped when
# RECAP_SKIP_SANITIZE=1). The test server is started and stopped by CTest; the trap stops it
# should a run be interrupted. Exits non-zero when a build or a test fails.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
JOBS=$(nproc 2>/dev/null || echo 2)
PASSES=(build)
[[ ${RECAP_SKIP_SANITIZE:-0} == 1 ]] || PASSES+=(build-asan)

stop_servers() {
    local build
    for build in "${PASSES[@]}"; do
        "$ROOT/tools/testdb.sh" stop "$ROOT/$build/testdb" >/dev/null 2>&1 || true
    done
}
trap stop_servers EXIT
trap 'exit 130' INT TERM

run_pass() { # BUILD-DIR CMAKE-ARGUMENTS...
    local build=$1 started=$SECONDS
    shift
    echo "=== $build: configure and build"
    cmake -S "$ROOT" -B "$ROOT/$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || return 1
    cmake --build "$ROOT/$build" -j "$JOBS" || return 1
    echo "=== $build: tests"
    local status=0
    (cd "$ROOT/$build" && ctest --output-on-failure) || status=1
    echo "=== $build: $((SECONDS - started)) s"
    return "$status"
}

"$ROOT/tools/setup.sh"

failed=()
run_pass build || failed+=(build)
if [[ " ${PASSES[*]} " == *" build-asan "* ]]; then
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/tools/lsan.supp}
    run_pass build-asan -DRECAP_SANITIZE=ON || failed+=(build-asan)
fi

if ((${#failed[@]} > 0)); then
    echo "=== FAILED: ${failed[*]}"
    exit 1
fi
echo "=== all passes succeeded: ${PASSES[*]}"
