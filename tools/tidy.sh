#!/usr/bin/env bash
# Runs clang-tidy's bugprone and concurrency checks on the given sources (default: change/ and
# db/), with the compile commands of build/ (configured when missing). Installs clang-tidy when
# it is missing. Prints clang-tidy's findings; exits non-zero when it reports any.
#
#   tools/tidy.sh [FILE...]
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
if ! command -v clang-tidy >/dev/null; then
    as_root=()
    ((EUID == 0)) || as_root=(sudo)
    "${as_root[@]}" apt-get install -y clang-tidy >/dev/null
fi
[[ -f build/compile_commands.json ]] ||
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

files=("$@")
((${#files[@]} > 0)) || mapfile -t files < <(git ls-files 'change/*.cpp' 'db/*.cpp')
# Swappable parameters are a matter of taste here (several QString parameters are common).
clang-tidy -p build --quiet --warnings-as-errors='*' \
    --checks='-*,bugprone-*,concurrency-*,-bugprone-easily-swappable-parameters' "${files[@]}"
