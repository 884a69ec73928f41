#!/usr/bin/env bash
# Installs into a scratch prefix, checks what landed there, then builds and runs the example host
# against the installed package. Arguments: the build directory, the example's source directory, cmake.
set -euo pipefail
build_dir=$1
example_dir=$2
cmake=${3:-cmake}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

"$cmake" --install "$build_dir" --prefix "$prefix" > "$work/install.log"

fail() { echo "FAIL: $*" >&2; exit 1; }
# A check whose tool is missing says so; in CI, which installs the tools, that is a failure.
have() {
  command -v "$1" > /dev/null && return 0
  echo "SKIPPED: the checks that need $1 (it is not installed)" >&2
  [ "${CI:-}" != true ] || fail "$1 is missing in CI"
  return 1
}
libdir=$(cd "$prefix" && ls -d lib*/ | head -n1 | tr -d /)
ls "$prefix/$libdir"/libQuarrymink.so* > /dev/null || fail "library not installed"
[ -f "$prefix/$libdir/cmake/Quarrymink/QuarryminkConfig.cmake" ] || fail "CMake package not installed"
[ -f "$prefix/$libdir/pkgconfig/quarrymink.pc" ] || fail "pkg-config file not installed"
plugin=$(find "$prefix" -path '*/plugins/designer/*quarrymink_designer*' | head -n1)
[ -n "$plugin" ] || fail "Designer plugin not installed"
# The plugin finds the installed library, not the build tree's (ldd's output is taken whole first:
# grep -q stops reading early, and under pipefail the writer's broken pipe would count as a failure).
linked=$(ldd "$plugin")
grep -q "libQuarrymink.so.* => $(realpath "$prefix")/" <<<"$linked" || fail "the plugin does not find the installed library"
# The database extensions under the prefix, the PostgreSQL one not in the server's own folders.
[ -f "$prefix/$libdir/sqlite3/quarrymink.so" ] || fail "SQLite extension not installed"
if grep -q '^QM_BUILD_PG_EXTENSION:BOOL=ON' "$build_dir/CMakeCache.txt"; then
  [ -n "$(find "$prefix" -name quarrymink.control)" ] || fail "PostgreSQL extension not staged under the prefix"
fi
# Only the public headers: the source's include folder and the two the build generates.
source_include=$(realpath "$example_dir/../../include")
while read -r header; do
  case $header in quarrymink/version.h | quarrymink/export.h) continue ;; esac
  [ -f "$source_include/$header" ] || fail "a private header is installed: $header"
done < <(cd "$prefix/include" && find . -type f | sed 's|^\./||')
# The package offers the engine without Qt and the control; no backend or dialect internals exported.
targets=$(cat "$prefix/$libdir"/cmake/Quarrymink/QuarryminkTargets.cmake)
grep -q 'Quarrymink::Search' <<<"$targets" && grep -q 'Quarrymink::Widgets' <<<"$targets" \
  || fail "the package lacks Quarrymink::Search or Quarrymink::Widgets"
if have nm; then
  exported=$(nm -DC --defined-only "$prefix/$libdir"/libQuarrymink*.so)
  ! grep -E 'sqlite_backend|postgres_backend|sqldialect' <<<"$exported" || fail "the libraries export internals"
fi
echo "installed: $(cd "$prefix" && find . -type f | wc -l) files, plugin at ${plugin#"$prefix"/}"

# pkg-config gives the installed prefix, wherever the install went.
if have pkg-config; then
  includedir=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --variable=includedir quarrymink)
  [ "$(realpath "$includedir")" = "$(realpath "$prefix/include")" ] \
    || fail "pkg-config points at $includedir, not into the prefix"
  PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs quarrymink > /dev/null \
    || fail "pkg-config cannot resolve quarrymink"
fi

"$cmake" -S "$example_dir" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" > "$work/configure.log" \
  || { cat "$work/configure.log"; fail "example does not configure"; }
"$cmake" --build "$work/example" -j2 > "$work/build.log" 2>&1 \
  || { cat "$work/build.log"; fail "example does not build"; }

out=$(QT_QPA_PLATFORM=offscreen "$work/example/names_search" "$work/names.db" --search smyth)
echo "$out"
grep -q '^match: Smyth' <<<"$out" || fail "the example found no Smyth"
echo "$out" | grep -Eq '^Best match: (Smith|Smyth) ' || fail "the best match is neither Smith nor Smyth"
echo "1 passed, 0 failed"
