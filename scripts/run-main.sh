#!/usr/bin/env bash
# The main job: code the words of the sample names list with the command-line tool.
set -euo pipefail
build=${1:-build}
qm="$build/src/cli/quarrymink"
names=data/Names
if [[ ! -f $names ]]; then
  echo "missing $names" >&2
  exit 1
fi
echo "Key codes of the sample names (name, then key with the version character shown as ^B):"
tr '|' '\n' < "$names" | sed '/^$/d' | head -n 20 > "$build/sample-names.txt"
"$qm" code - < "$build/sample-names.txt" | cat -v | paste "$build/sample-names.txt" -
