#!/usr/bin/env bash
# Whole-process benchmark: dinc against the stdio baseline on generated series.
#
#   bench/run_bench.sh [SIZES...]     default: 100000 1000000 10000000
#
# Series are generated once and cached in $DINC_BENCH_CACHE (default ~/.cache/dinc-bench).
# Each command runs $DINC_BENCH_RUNS times (default 5); the table shows the median wall time,
# samples per second, the ratio to the baseline's median on the same file (measured in this
# run), and the peak resident memory per input sample. Output goes to /dev/null.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${DINC_BENCH_RUNS:-5}
cache=${DINC_BENCH_CACHE:-$HOME/.cache/dinc-bench}
sizes=("$@")
((${#sizes[@]} > 0)) || sizes=(100000 1000000 10000000)

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench
mkdir -p "$cache"

configs=("" "-s 16 -d 2" "-s 256 -d 3" "-m 2 -s 64 -d 2" "-d 0")

# Prints "<median seconds> <median peak KiB>" of $runs runs of the command.
measure() {
  local times=() rss=() start end
  for ((r = 0; r < runs; r++)); do
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$cache/time.out" "$@" >/dev/null 2>/dev/null
    end=$EPOCHREALTIME
    times+=("$(echo "$end - $start" | bc -l)")
    rss+=("$(tail -n 1 "$cache/time.out")")
  done
  local t m
  t=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$((runs / 2 + 1))p")
  m=$(printf '%s\n' "${rss[@]}" | sort -g | sed -n "$((runs / 2 + 1))p")
  echo "$t $m"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "compiler: $(c++ --version | head -n1); flags: -O3 -ffp-contract=off; median of $runs runs"
printf '%-9s %-22s %10s %14s %9s %12s\n' samples command seconds samples/s ratio bytes/sample
for n in "${sizes[@]}"; do
  data=$cache/series_$n.txt
  [ -s "$data" ] || "$bin/bench/make_series" "$n" >"$data"
  read -r base_t base_m < <(measure "$bin/bench/stdio_baseline" "$data")
  printf '%-9s %-22s %10.3f %14.0f %9s %12.1f\n' "$n" "stdio baseline" "$base_t" \
    "$(echo "$n / $base_t" | bc -l)" "1.000" "$(echo "$base_m * 1024 / $n" | bc -l)"
  for config in "${configs[@]}"; do
    # shellcheck disable=SC2086 # the options are meant to split
    read -r t m < <(measure "$bin/dinc" $config "$data")
    printf '%-9s %-22s %10.3f %14.0f %9.3f %12.1f\n' "$n" "dinc ${config:-(defaults)}" "$t" \
      "$(echo "$n / $t" | bc -l)" "$(echo "$t / $base_t" | bc -l)" \
      "$(echo "$m * 1024 / $n" | bc -l)"
  done
done
