#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang and libFuzzer, under ASan and UBSan, in
# build/fuzz, and runs each of them for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   SECONDS per target, default $FUZZ_SECONDS or 60;
#                                           targets: number_scanner fixed_format (default both)
#
# Each target starts from the seed corpus fuzz/corpus/<target>/ (kept small in the repo) and
# grows a working corpus in build/fuzz/corpus/<target>/, so later runs go on from where
# earlier ones stopped. A finding is written to build/fuzz/findings/ and fails the script; to
# replay one: build/fuzz/<target>_fuzz build/fuzz/findings/<file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(number_scanner fixed_format)
build=build/fuzz

# clang links a libFuzzer program only with the compiler-rt runtime beside it. Debian ships
# them apart: clang, and libclang-rt-<major>-dev for the runtime.
fuzzer_links() {
  local probe
  probe=$(mktemp -d)
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$probe/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1
  local ok=$?
  rm -rf "$probe"
  return $ok
}

if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_links; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "not root: install clang and its libclang-rt-<version>-dev first" >&2
    exit 1
  fi
  apt-get update -qq
  command -v clang++ >/dev/null 2>&1 ||
    apt-get install -y -qq --no-install-recommends clang >&2
  major=$(clang++ -dumpversion | cut -d. -f1)
  apt-get install -y -qq --no-install-recommends "libclang-rt-$major-dev" >&2
  fuzzer_links || { echo "clang++ still cannot link a libFuzzer program" >&2; exit 1; }
fi

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2

# Numbers and their pieces, for the scanner's mutations.
dictionary=$(mktemp)
trap 'rm -f "$dictionary"' EXIT
printf '%s\n' '"e"' '"E"' '"e+"' '"e-"' '"."' '"-"' '"+"' '" "' '"\x0a"' '"\x00"' \
  '"0000000000"' '"9999999999"' '"1e308"' '"1e-324"' '"9007199254740993"' \
  '"11102230246251565404236316680908203125"' >"$dictionary"

mkdir -p "$build/findings"
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$target"/* "$corpus"/
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/findings/$target-")
  case $target in
    number_scanner) options+=(-max_len=8192 -dict="$dictionary") ;;
    fixed_format) options+=(-max_len=64 -use_value_profile=1) ;;
  esac
  echo "== $target: ${seconds}s, log in $build/$target.log" >&2
  if "$build/${target}_fuzz" "${options[@]}" "$corpus" 2>"$build/$target.log"; then
    grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' \
      "$build/$target.log" >&2 || true
  else
    failed+=("$target")
    grep -v -E '^(#[0-9]|")' "$build/$target.log" | tail -n 40 >&2
  fi
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: findings in ${failed[*]}; see $build/findings/" >&2
  exit 1
fi
echo "fuzz: ${targets[*]}: no finding in ${seconds}s each" >&2
