#!/usr/bin/env bash
# The test command. Installs what is missing, builds in build/ and runs every test, then does
# the same with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, and builds the
# tests of the change run, whose stages run on threads of their own, with ThreadSanitizer in
# build-tsan/ (both skipped when RECAP_SKIP_SANITIZE=1). The test server is started and stopped by CTest; the trap stops it
# should a run be interrupted. Exits non-zero when a build or a test fails.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
JOBS=$(nproc 2>/dev/null || echo 2)
PASSES=(build)
[[ ${RECAP_SKIP_SANITIZE:-0} == 1 ]] || PASSES+=(build-asan build-tsan)
# The tests the ThreadSanitizer pass builds and runs.
TSAN_TESTS=(tst_change_run tst_run_faults tst_work_window)

stop_servers() {
    local build
    for build in "${PASSES[@]}"; do
        "$ROOT/tools/testdb.sh" stop "$ROOT/$build/testdb" >/dev/null 2>&1 || true
    done
}
trap stop_servers EXIT
trap 'exit 130' INT TERM

run_pass() { # BUILD-DIR [--only TEST...] -- CMAKE-ARGUMENTS...
    local build=$1 started=$SECONDS only=()
    shift
    if [[ ${1:-} == --only ]]; then
        shift
        while [[ $1 != -- ]]; do
            only+=("$1")
            shift
        done
    fi
    [[ ${1:-} == -- ]] && shift
    echo "=== $build: configure and build"
    cmake -S "$ROOT" -B "$ROOT/$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || return 1
    local targets=() filter=()
    if ((${#only[@]} > 0)); then
        targets=(--target "${only[@]}")
        # CTest adds the test server's start and stop, which these tests require.
        filter=(-R "^($(IFS='|'; echo "${only[*]}"))\$")
    fi
    cmake --build "$ROOT/$build" -j "$JOBS" "${targets[@]}" || return 1
    echo "=== $build: tests"
    local status=0
    (cd "$ROOT/$build" && ctest --output-on-failure "${filter[@]}") || status=1
    echo "=== $build: $((SECONDS - started)) s"
    return "$status"
}

"$ROOT/tools/setup.sh"

failed=()
run_pass build || failed+=(build)
if [[ " ${PASSES[*]} " == *" build-asan "* ]]; then
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/tools/lsan.supp}
    run_pass build-asan -- -DRECAP_SANITIZE=ON || failed+=(build-asan)
fi
if [[ " ${PASSES[*]} " == *" build-tsan "* ]]; then
    # The tests start psql and the test server from a process that already has threads.
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:die_after_fork=0}
    run_pass build-tsan --only "${TSAN_TESTS[@]}" -- -DRECAP_THREAD_SANITIZE=ON \
        -DRECAP_BUILD_BENCH=OFF || failed+=(build-tsan)
fi

if ((${#failed[@]} > 0)); then
    echo "=== FAILED: ${failed[*]}"
    exit 1
fi
echo "=== all passes succeeded: ${PASSES[*]}"
