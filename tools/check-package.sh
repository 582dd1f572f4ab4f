#!/usr/bin/env bash
# Builds the Debian package from a build and checks its name, files, dependencies and manual
# page, then unpacks it into a scratch root and runs the program from there.
# Usage: tools/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
name=recapitalizer

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

faults=0
fault() {
  echo "FAIL: $*" >&2
  faults=$((faults + 1))
}

if ! (cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$scratch/out/${name}_${version}_$(dpkg --print-architecture).deb
if [[ ! -f $deb ]]; then
  echo "FAIL: ${deb##*/} was not made; made: $(cd "$scratch/out" && echo *.deb)" >&2
  exit 1
fi

contents=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for file in bin/$name share/applications/$name.desktop share/man/man1/$name.1.gz \
  share/doc/$name/copyright share/doc/$name/changelog.gz \
  share/icons/hicolor/{32x32,48x48,128x128,256x256}/apps/$name.png \
  share/icons/hicolor/scalable/apps/$name.svg; do
  grep -qx "\./usr/$file" <<<"$contents" || fault "the package lacks /usr/$file"
done

# What the program links (the ODBC driver manager among it) and what Qt loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libodbc2; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fault "Depends lacks $package: $depends"
done

# Debian's own checks, where lintian is installed: no error and no warning.
if command -v lintian >/dev/null; then
  if ! findings=$(lintian --fail-on error,warning "$deb" 2>&1); then
    fault "lintian finds: $findings"
  fi
else
  echo "lintian is not installed: Debian's own checks are skipped" >&2
fi

root=$scratch/root
dpkg -x "$deb" "$root"
program=$root/usr/bin/$name

# The manual page: no formatter warnings, and every verb and option the program's help
# names has an entry of its own (a line that starts with it).
page=$scratch/$name.1
zcat "$root/usr/share/man/man1/$name.1.gz" >"$page"
warnings=$(groff -man -ww -z "$page" 2>&1) || true
[[ -z $warnings ]] || fault "the manual page has formatter warnings: $warnings"
text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
documents_options() { # the help of the program or of a verb
  for option in $("$program" "$@" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "^ +(-[a-zA-Z], )?(--[a-z-]+, )*$option( |,|$)" <<<"$text" ||
      fault "the manual page has no entry for ${1:-the program}'s $option"
  done
}
documents_options
verbs=$("$program" --help | sed -n 's/^  \([a-z][a-z-]*\)  .*/\1/p')
[[ -n $verbs ]] || fault "'$name --help' lists no verbs"
# The synopsis names every option of each verb's help.
synopsis=$(sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' <<<"$text" | tr -s ' \n' ' ' |
  sed 's/ recapitalizer/\n&/g')
for verb in $verbs; do
  grep -qE "^ +$verb( |$)" <<<"$text" || fault "the manual page has no entry for $verb"
  documents_options "$verb"
  line=$(grep -E "^ recapitalizer $verb( |$)" <<<"$synopsis" || true)
  for option in $("$program" "$verb" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    [[ $option == --help* ]] && continue
    grep -qE -- "$option( |\]|$)" <<<"$line" || fault "the synopsis of $verb lacks $option"
  done
done

# What README says of the command line, the manual page says too: every option it names has
# an entry, every exit status its own, with the causes README gives; and the retention.
readme=$(dirname "$0")/../README.md
command_line=$(sed -n '/^## Command line and undo/,/^## Using it/p' "$readme")
for option in $(grep -oE -- '`[^`]*--[a-z][a-z-]*' <<<"$command_line" |
  grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qE -- "^ +(-[a-zA-Z], )?(--[a-z-]+, )*$option( |,|$)" <<<"$text" ||
    fault "the manual page has no entry for README's $option"
done
statuses=$(sed -n '/^status: 0 when/,/Every verb has/p' "$readme" | tr '\n' ' ')
[[ -n $statuses ]] || fault "README's exit statuses were not found"
exits=$(sed -n '/^EXIT STATUS/,/^ENVIRONMENT/p' <<<"$text" | tr -s ' \n' ' ')
for status in $(grep -oE '(: |; )[0-9]+ (when|for|after)' <<<"$statuses" | grep -oE '[0-9]+'); do
  grep -qE " $status [A-Z]" <<<"$exits" || fault "the manual page lacks exit status $status"
done
for cause in altered "selected column" "ended early" "given twice" "no journal can be written" \
  "home folder" "another user" "nothing to undo" "damaged journal" "Ctrl-C"; do
  if grep -qiF "$cause" <<<"$statuses" && ! grep -qiF "$cause" <<<"$exits"; then
    fault "the manual page's exit statuses leave out README's \"$cause\""
  fi
done
for retention in "$(grep -oE 'kept [0-9]+ days after' "$readme" | head -1)" \
  "$(grep -oE 'within [0-9]+ GiB' "$readme" | head -1)"; do
  [[ -n $retention ]] && grep -qF "$retention" <<<"$(tr -s ' \n' ' ' <<<"$text")" ||
    fault "the manual page does not say README's retention: '$retention'"
done

# The unpacked program starts and reads its journals from the data folder it is given.
if ! "$program" --help | grep -q "^Usage: $name"; then
  fault "'$name --help' from the package does not start"
fi
data=$scratch/data
mkdir -p "$data" "$scratch/config"
if ! runs=$(XDG_DATA_HOME=$data XDG_CONFIG_HOME=$scratch/config "$program" runs 2>&1); then
  fault "'$name runs' from the package failed: $runs"
elif [[ $runs != "No run journals in $data/Vantrel/Quillmark Column Recapitalizer/journals" ]]; then
  fault "'$name runs' did not read the journal folder it was given: $runs"
fi

if ((faults)); then
  exit 1
fi
echo "${deb##*/}: files, dependencies, manual page and unpacked program are right"
