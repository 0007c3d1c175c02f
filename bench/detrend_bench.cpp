// The whole detrended pass over 2^20 centred samples (both directions where n % W != 0), as
// dinc runs it after reading; items are samples.
#include <benchmark/benchmark.h>

#include <random>

#include "analysis/detrend.h"
#include "analysis/increments.h"
#include "numeric/arrays.h"

namespace {

void BM_detrended_increments(benchmark::State& state) {
  const int n = (1 << 20) + 3;
  const int W = static_cast<int>(state.range(0));
  double* x = dinc::vector(1, n);
  std::mt19937_64 rng{12345};
  std::normal_distribution<double> noise(0.0, 1.0);
  for (int i = 1; i <= n; ++i) x[i] = noise(rng);
  dinc::centre_series(x, n);
  double* increments = dinc::reserve_increments(n, W);
  const dinc::detrend_settings s{W, static_cast<int>(state.range(1)),
                                 static_cast<int>(state.range(2)), 1, false};
  for (auto _ : state) {
    benchmark::DoNotOptimize(dinc::detrended_increments(x, n, s, increments));
  }
  state.SetItemsProcessed(state.iterations() * n);
  dinc::release_vector(increments, 1, 0);
  dinc::release_vector(x, 1, n);
}

}  // namespace

BENCHMARK(BM_detrended_increments)
    ->ArgNames({"W", "N", "M"})
    ->Args({10, 1, 1})
    ->Args({16, 2, 1})
    ->Args({256, 3, 1})
    ->Args({64, 2, 2})
    ->Args({4, 1, 1})
    ->Args({4096, 1, 1})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
