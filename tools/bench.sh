#!/usr/bin/env bash
# Builds bench_change_run, starts a throwaway test server for it (with pg_stat_statements, so
# that the server counts each run's statements), runs it and stops the server however the
# run ends. Arguments go to the benchmark (--large, --rows, --runs, --repeat, --window,
# --huge, --help). The runs' journals go to a temporary data folder, removed at the end.
#
#   tools/bench.sh [BENCHMARK-ARGUMENTS...]
#
# BENCH_BUILD names the build folder (default build-bench, configured RelWithDebInfo when new).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
BUILD=$(realpath -m -- "${BENCH_BUILD:-build-bench}")
SERVER=$BUILD/bench-testdb

if [[ ! -f $BUILD/CMakeCache.txt ]]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRECAP_BUILD_TESTS=OFF \
        >/dev/null
fi
cmake --build "$BUILD" --target bench_change_run -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

DATA=$(mktemp -d /tmp/quillmark-bench-data.XXXXXX)
trap '"$ROOT/tools/testdb.sh" stop "$SERVER" >/dev/null 2>&1 || true; rm -rf "$DATA"' EXIT
trap 'exit 130' INT TERM
TESTDB_PRELOAD=pg_stat_statements "$ROOT/tools/testdb.sh" start "$SERVER" >/dev/null
status=0
XDG_DATA_HOME=$DATA "$BUILD/bench/bench_change_run" --env "$SERVER/env" "$@" || status=$?
exit "$status"
