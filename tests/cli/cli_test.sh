#!/usr/bin/env bash
# The command-line interface that other tools rely on: outputs, exit codes, messages.
set -u
qm=${QM_CLI:?QM_CLI must name the quarrymink binary}
passed=0 failed=0

check() {  # check NAME EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then passed=$((passed + 1)); else
        failed=$((failed + 1)); printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"; fi
}

# Key of smith: U+0002, then the substituted body of sS:53:mit.
check "code smith" "$(printf '\002rr:53:vbf')" "$("$qm" code smith)"
check "smith and smyth share a key" "1" "$("$qm" code smith smyth | uniq | wc -l | tr -d ' ')"
check "code several" "2" "$("$qm" code smith kate | wc -l | tr -d ' ')"
check "code max-length" "$(printf '\002rr:5')" "$("$qm" code --max-length 5 smith)"
check "code compare" "$("$qm" code smith)" "$("$qm" code --compare 2 'john smith')"
check "code stdin" "$("$qm" code smith kate)" "$(printf 'smith\r\nkate\n' | "$qm" code -)"
check "code empty text" "$(printf '\002::')" "$("$qm" code '')"
check "soundex" "$(printf '253\n\n6163')" "$("$qm" soundex smith aaa Robert)"
check "soundex stdin" "3522" "$(echo Tymczak | "$qm" soundex -)"
check "align" "90 MMSMM" "$("$qm" align smith smyth 100)"
check "align 255" "77 MiiM" "$("$qm" align abcd ad 255)"

expect_usage_error() {  # NAME ARGS...
    local name=$1; shift
    local err; err=$("$qm" "$@" 2>&1 >/dev/null); local rc=$?
    check "$name status" 2 "$rc"
    check "$name one line" 1 "$(printf '%s\n' "$err" | wc -l | tr -d ' ')"
}
expect_usage_error "no command"
expect_usage_error "unknown command" frobnicate
expect_usage_error "code without text" code
expect_usage_error "code bad compare" code --compare x smith
expect_usage_error "code unknown option" code --bogus smith
expect_usage_error "align count" align a b
expect_usage_error "align max range" align a b 256
expect_usage_error "invalid utf-8" code "$(printf 'sm\377th')"
err=$(printf 'ok\n\377\n' | "$qm" code - 2>&1 >/dev/null); rc=$?
check "invalid utf-8 stdin status" 2 "$rc"
check "invalid utf-8 stdin names line" 1 "$(grep -c 'line 2' <<<"$err")"

for cmd in "" code soundex align; do
    "$qm" $cmd --help >/dev/null 2>&1; check "help $cmd" 0 "$?"
done

# 100,000 lines through standard input in one go.
lines=$(seq 100000 | sed 's/^/smith/' | "$qm" code - | wc -l | tr -d ' ')
check "stdin volume" 100000 "$lines"

echo "cli: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
