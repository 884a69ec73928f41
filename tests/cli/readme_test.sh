#!/usr/bin/env bash
# Runs every example of the README's shell blocks (the lines that begin with "$ ") in a
# scratch folder, with the built tool first on the PATH, and compares what it prints
# (standard output and standard error together) with the lines the README shows under it.
# A time in seconds ("0.002 s") matches any time. Arguments: the README, the folder that
# holds the quarrymink binary, the source tree's data folder.
set -u
readme=$1 bindir=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$data" "$work/data"
export PATH="$bindir:$PATH"
passed=0 failed=0

blur_times() { sed -E 's/[0-9]+\.[0-9]+ s\b/#.### s/g'; }

run_example() {  # COMMAND EXPECTED
    local actual status
    actual=$(cd "$work" && bash -o pipefail -c "$1" 2>&1); status=$?
    if [[ $status -eq 0 && "$(blur_times <<<"$actual")" == "$(blur_times <<<"$2")" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL $ %s (status %d)\n--- README\n%s\n--- actual\n%s\n' "$1" "$status" "$2" "$actual"
    fi
}

command='' expected='' in_sh=0 have=0
while IFS= read -r line; do
    if [[ $in_sh -eq 0 ]]; then
        [[ $line == '```sh' ]] && in_sh=1
        continue
    fi
    if [[ $line == '```' || $line == '$ '* ]]; then
        if [[ $have -eq 1 ]]; then run_example "$command" "$expected"; fi
        have=0
        [[ $line == '```' ]] && { in_sh=0; continue; }
        command=${line#'$ '} expected='' have=1
    elif [[ $have -eq 1 ]]; then
        expected+=$line$'\n'
    fi
done < "$readme"

echo "readme: $passed passed, $failed failed"
# The README has five examples today; finding fewer means the parsing went wrong.
[[ $failed -eq 0 && $passed -ge 5 ]]
