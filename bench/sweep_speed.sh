#!/usr/bin/env bash
# dinc-sweep against single-scale dinc runs, measured in one run on one generated series.
#
#   bench/sweep_speed.sh [N]     default N: 1000000 samples
#
# The sweep covers 25 log-spaced scales from 4 to 4096 on 2 threads; the baseline is three
# dinc runs at scales 4, 64 and 4096 (small, middle and large), which is what the shell loop
# the sweep replaces would pay for every 3 of its scales. Each command runs $DINC_BENCH_RUNS
# times (default 5), interleaved, and the median wall time counts. Output goes to /dev/null.
# DINC_BENCH_BUILD names a build folder holding dinc, dinc-sweep and bench/make_series; by
# default the bench preset is configured and built into build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."

n=${1:-1000000}
runs=${DINC_BENCH_RUNS:-5}
cache=${DINC_BENCH_CACHE:-$HOME/.cache/dinc-bench}
bin=${DINC_BENCH_BUILD:-}
if [ -z "$bin" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench >/dev/null
  bin=build/bench
fi
mkdir -p "$cache"
data=$cache/series_$n.txt
[ -s "$data" ] || "$bin/bench/make_series" "$n" >"$data"

seconds() {  # wall time of one run of the command
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  echo "$EPOCHREALTIME - $start" | bc -l
}
median() { sort -g | sed -n "$((runs / 2 + 1))p"; }

sweep=() single=()
for ((r = 0; r < runs; r++)); do
  sweep+=("$(seconds "$bin/dinc-sweep" --threads 2 --scales 4:4096 --per-octave 2.4 "$data")")
  total=0
  for W in 4 64 4096; do total=$(echo "$total + $(seconds "$bin/dinc" -s "$W" "$data")" | bc -l); done
  single+=("$total")
done
scales=$("$bin/dinc-sweep" --threads 2 --scales 4:4096 --per-octave 2.4 "$data" 2>/dev/null |
  grep -c '^[0-9]')
t_sweep=$(printf '%s\n' "${sweep[@]}" | median)
t_single=$(printf '%s\n' "${single[@]}" | median)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "compiler: $(c++ --version | head -n1); median of $runs runs; $n samples"
printf 'dinc-sweep, %d scales 4..4096, 2 threads: %.3f s\n' "$scales" "$t_sweep"
printf 'dinc at scales 4, 64 and 4096, one run each: %.3f s\n' "$t_single"
printf 'ratio: %.2f\n' "$(echo "$t_sweep / $t_single" | bc -l)"
