#!/usr/bin/env bash
# The main job. With a display, the demonstration qmDemo opens: it finds its data beside
# the program, builds the sample databases on first start and searches them by sound.
# Without one, the command-line tool builds the same sample databases and searches them.
set -euo pipefail
build=${1:-build}
demo="$build/src/demo/qmDemo"
qm="$build/src/cli/quarrymink"

if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} && -x $demo && ${QT_QPA_PLATFORM:-} != offscreen ]]; then
  echo "Starting the demonstration: $demo"
  exec "$demo"
fi

for f in data/Names data/Plants; do
  if [[ ! -f $f ]]; then
    echo "missing $f" >&2
    exit 1
  fi
done
out="$build/sample-databases"
mkdir -p "$out"
echo "No display: building the sample databases with the command-line tool in $out"
"$qm" makedb data/Plants "$out/Plants.mdb"
"$qm" makedb data/Names "$out/Names.mdb"

search() {
  local db=$1 text=$2
  echo
  echo "Names in $(basename "$db") that sound like \"$text\" (score, identifier, name):"
  "$qm" search "$db" --table NameData --key Key --text Name --id Ident --compare 3 "$text" 2>"$out/search-time.txt"
  cat "$out/search-time.txt"
}
search "$out/Names.mdb" smyth
search "$out/Names.mdb" katryn
search "$out/Plants.mdb" rodedendron
