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
expect_usage_error "align too long" align "$(head -c 1001 /dev/zero | tr '\0' a)" b 100
check "align longest" "0" "$("$qm" align "$(head -c 1000 /dev/zero | tr '\0' a)" b 100 | cut -d' ' -f1)"
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

# Searching a names database built from a word list.
if "$qm" --help | grep -q makedb; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    printf '|Smith|Jones|Smythe|Catherine|Kathryn|Smyth' > "$work/names.txt"
    "$qm" makedb "$work/names.txt" "$work/names.db"; check "makedb status" 0 "$?"
    search=("$qm" search "$work/names.db" --table NameData --key Key --text Name --id Ident)
    check "search finds Smith for smyth" "$(printf '385\t1\tSmith')" "$("${search[@]}" smyth 2>/dev/null | head -1)"
    check "search time on stderr" 1 "$("${search[@]}" smyth 2>&1 >/dev/null | grep -c 'Search time')"
    check "search json" '[{"score": 385, "id": 1, "text": "Smith"},' "$("${search[@]}" --json smyth 2>/dev/null | head -1)"
    check "search katryn" "Kathryn" "$("${search[@]}" katryn 2>/dev/null | head -1 | cut -f3)"
    "${search[@]}" --table Nowhere smyth >/dev/null 2>&1; check "unknown table status" 1 "$?"
    check "unknown table message" "QMError:" "$("${search[@]}" --table Nowhere smyth 2>&1 >/dev/null | head -1)"
    expect_usage_error "search without --key" search "$work/names.db" --table NameData --text Name --id Ident smyth
    expect_usage_error "search bad compare" search "$work/names.db" --table NameData --key Key --text Name --id Ident --compare 9 x
    # Keys of another version: warned and refused, searched as they are, or recoded.
    sqlite3 "$work/names.db" "UPDATE NameData SET Key = char(1) || substr(Key, 2)"
    "${search[@]}" smyth >/dev/null 2>&1; check "old keys refused" 1 "$?"
    check "old keys warning" 1 "$("${search[@]}" smyth 2>&1 | grep -c 'incompatible with this version')"
    check "old keys continued" "Smith" "$("${search[@]}" --continue smyth 2>/dev/null | head -1 | cut -f3)"
    check "old keys recoded" "Smith" "$("${search[@]}" --recode smyth 2>/dev/null | head -1 | cut -f3)"
    check "recoded for good" "Smith" "$("${search[@]}" smyth 2>/dev/null | head -1 | cut -f3)"
    sqlite3 "$work/names.db" "UPDATE NameData SET Key = 'x'"
    "$qm" recode "$work/names.db" --table NameData --key Key --text Name; check "recode status" 0 "$?"
    check "recode rewrote keys" 0 "$(sqlite3 "$work/names.db" "SELECT count(*) FROM NameData WHERE Key = 'x'")"
    printf '|%s' "$(printf 'x%.0s' {1..60})" > "$work/long.txt"
    "$qm" makedb "$work/long.txt" "$work/long.db" 2>/dev/null; check "too long a name refused" 1 "$?"
    check "no partial database" "no" "$([[ -e $work/long.db || -e $work/long.db.building ]] && echo yes || echo no)"
    "$qm" makedb "$work/missing.txt" "$work/m.db" 2>/dev/null; check "missing word list" 1 "$?"
    for cmd in search recode makedb; do "$qm" $cmd --help >/dev/null 2>&1; check "help $cmd" 0 "$?"; done
fi

echo "cli: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
