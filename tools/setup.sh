#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and demonstrate the program.
# Does nothing when every package is already installed.
set -euo pipefail

packages=(
    build-essential cmake qt6-base-dev libqt6sql6-sqlite unixodbc-dev unixodbc odbc-postgresql
    zlib1g-dev libsqlite3-dev
    postgresql
    xvfb xauth x11-utils xdotool imagemagick fonts-liberation desktop-file-utils
    dpkg-dev groff-base
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
    echo "setup: all packages present"
    exit 0
fi

as_root=()
if ((EUID != 0)); then
    as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
