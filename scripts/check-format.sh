#!/usr/bin/env bash
# Checks that every C++ file git tracks is formatted with the repository's .clang-format.
# With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' | grep -v -E '(^|/)casemap_data\.inc$')
if [[ ${1:-} == --fix ]]; then
    clang-format -i "${files[@]}"
    exit 0
fi
unformatted=()
for f in "${files[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
    echo "Not formatted with .clang-format (scripts/check-format.sh --fix formats them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "All ${#files[@]} C++ files are formatted."
