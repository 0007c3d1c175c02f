// format_fixed6 against the two exact alternatives, snprintf("%lf") and to_chars(fixed, 6),
// on the values the tool prints: centred increments of magnitude 1e-3 .. 1e3, both signs.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "analysis/fixed_format.h"

namespace {

std::vector<double> typical_values(std::size_t count) {
  std::mt19937_64 rng{2024};
  std::uniform_real_distribution<double> exponent(-3.0, 3.0);
  std::vector<double> values(count);
  for (double& x : values) {
    x = std::pow(10.0, exponent(rng));
    if ((rng() & 1) != 0) x = -x;
  }
  return values;
}

template <typename format>
void run(benchmark::State& state, format f) {
  const std::vector<double> values = typical_values(static_cast<std::size_t>(state.range(0)));
  char out[dinc::fixed_format_max_chars + 16];
  for (auto _ : state) {
    for (double x : values) {
      benchmark::DoNotOptimize(f(x, out));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_format_fixed6(benchmark::State& state) {
  run(state, [](double x, char* out) { return dinc::format_fixed6(x, out); });
}

void BM_snprintf(benchmark::State& state) {
  run(state, [](double x, char* out) {
    return std::snprintf(out, dinc::fixed_format_max_chars + 16, "%lf", x);
  });
}

void BM_to_chars(benchmark::State& state) {
  run(state, [](double x, char* out) {
    return std::to_chars(out, out + dinc::fixed_format_max_chars, x, std::chars_format::fixed, 6)
        .ptr;
  });
}

BENCHMARK(BM_format_fixed6)->Arg(4096);
BENCHMARK(BM_snprintf)->Arg(4096);
BENCHMARK(BM_to_chars)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
