#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine
# lacks. Does nothing (and needs no network) when everything is already there.
set -euo pipefail

missing=()
need() {  # need <package> <test...>: queue the package when the test fails
  local package=$1
  shift
  "$@" >/dev/null 2>&1 || missing+=("$package")
}

need cmake command -v cmake
need ninja-build command -v ninja
need g++ command -v g++
need make command -v make
need libgtest-dev test -e /usr/include/gtest/gtest.h
need libbenchmark-dev test -e /usr/include/benchmark/benchmark.h
need clang-format command -v clang-format
need libc-bin command -v iconv
need time test -x /usr/bin/time
need bc command -v bc
need groff-base command -v groff
need dpkg-dev command -v dpkg-shlibdeps

if ((${#missing[@]} > 0)); then
  echo "installing: ${missing[*]}" >&2
  if [ "$(id -u)" -ne 0 ]; then
    echo "not root: install these packages first: ${missing[*]}" >&2
    exit 1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
