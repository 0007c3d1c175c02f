#!/usr/bin/env bash
# Checks what users get from the build: the install into a fresh prefix holds exactly the
# executables and their manual pages; the manual pages pass groff's warnings; the Debian package
# unpacks to executables that print, on the shipped example, the bytes the build's print.
#   install_test.sh BUILD_DIR SOURCE_DIR EXECUTABLE...
set -euo pipefail
build=$1
source=$2
shift 2
executables=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# Install into a temporary prefix: exactly these files.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
expected=$(
  for e in "${executables[@]}"; do echo "bin/$e"; done
  for page in "$source"/man/*.1; do echo "share/man/man1/$(basename "$page")"; done
)
actual=$(cd "$work/prefix" && find . -type f | sed 's|^\./||')
[ "$(sort <<<"$expected")" = "$(sort <<<"$actual")" ] ||
  fail "installed files differ: $(diff <(sort <<<"$expected") <(sort <<<"$actual") | tr '\n' ' ')"
for e in "${executables[@]}"; do
  [ -x "$work/prefix/bin/$e" ] || fail "bin/$e is not executable"
  page="$source/man/$e.1"
  [ -f "$page" ] || fail "no manual page for $e"
done

# Manual pages: any warning from groff fails.
for page in "$source"/man/*.1; do
  warnings=$(groff -ww -man -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The package: fields, and the unpacked dinc against the built one.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"
[ "$(dpkg-deb -f "$deb" Package)" = dinc ] || fail "package name"
dpkg-deb -f "$deb" Maintainer | grep -q 'dinc developers' || fail "maintainer field"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "dependencies not computed"
dpkg-deb -x "$deb" "$work/root"
example="$source/examples/rr_intervals.txt"
"$work/root/usr/bin/dinc" "$example" >"$work/unpacked.out" 2>/dev/null
"$build/dinc" "$example" >"$work/built.out" 2>/dev/null
cmp -s "$work/unpacked.out" "$work/built.out" || fail "the packaged dinc prints other bytes"
"$work/root/usr/bin/dinc-sweep" -t 1 "$example" >"$work/unpacked.out" 2>/dev/null
"$build/dinc-sweep" -t 1 "$example" >"$work/built.out" 2>/dev/null
cmp -s "$work/unpacked.out" "$work/built.out" || fail "the packaged dinc-sweep prints other bytes"
for e in "${executables[@]}"; do
  [ -x "$work/root/usr/bin/$e" ] || fail "the package lacks $e"
  [ -f "$work/root/usr/share/man/man1/$e.1" ] || fail "the package lacks $e.1"
done
