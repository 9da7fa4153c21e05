#!/usr/bin/env bash
# The installed program stands alone: `cmake --install` into a fresh prefix
# gives one executable that answers --version, needs no library of its own
# and finds every library it links.
# Usage: install-test.sh <build folder> <version>
set -u
build=${1:?build folder}
version=${2:?version}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; exit 1; }
program=$work/prefix/bin/velmaris
[ -x "$program" ] || { fail "no program in bin/"; exit 1; }
got=$("$program" --version 2>&1)
[ "$got" = "Velmaris $version" ] || fail "--version printed '$got'"
own=$(find "$work/prefix" -name '*.so*' | sed "s|$work/prefix/||")
[ -z "$own" ] || fail "libraries installed beside the program: $own"
missing=$(ldd "$program" | grep 'not found')
[ -z "$missing" ] || fail "unresolved libraries: $missing"
[ "$failed" -eq 0 ] && echo "installed program: $got, self-contained"
exit "$failed"
