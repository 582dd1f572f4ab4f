#!/usr/bin/env bash
# Installs a build into a throwaway prefix and checks that the program, its icon in every
# size and its menu entry land where desktops look for them.
# Usage: tools/check-install.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: check-install.sh BUILD_DIR}
name=recapitalizer

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" >/dev/null

faults=0
fault() {
  echo "FAIL: $*" >&2
  faults=$((faults + 1))
}

# Width and height from a PNG's header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}

[[ -x $stage/bin/$name ]] || fault "bin/$name is missing or not executable"

icons=$stage/share/icons/hicolor
for size in 32 48 128 256; do
  png=$icons/${size}x${size}/apps/$name.png
  if [[ ! -f $png ]]; then
    fault "${png#"$stage"/} is missing"
  elif [[ $(head -c 8 "$png" | od -An -tx1 | tr -d ' ') != 89504e470d0a1a0a ]]; then
    fault "${png#"$stage"/} is not a PNG image"
  elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
    fault "${png#"$stage"/} is $(png_size "$png"), not ${size}x${size}"
  fi
done
svg=$icons/scalable/apps/$name.svg
grep -q '<svg' "$svg" 2>/dev/null || fault "${svg#"$stage"/} is missing or not SVG"

entry=$stage/share/applications/$name.desktop
if [[ ! -f $entry ]]; then
  fault "share/applications/$name.desktop is missing"
else
  desktop-file-validate "$entry" || fault "desktop-file-validate rejects $name.desktop"
  key() { sed -n "s/^$1=//p" "$entry"; }
  [[ $(key Icon) == "$name" ]] || fault "Icon=$(key Icon) does not name the installed icon"
  exec=$(key Exec)
  [[ -x $stage/bin/${exec%% *} ]] || fault "Exec=$exec does not name the installed program"
fi

if ((faults)); then
  exit 1
fi
echo "installed layout is complete"
