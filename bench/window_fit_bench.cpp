// One window fit of the detrended path: abscissae 1..2W, a random-walk profile window,
// K = N + 1 coefficients. A complete fit_svd or fit_normal call per window, and what the tool
// does per window with a plan made once (the same bits, without the abscissa-only work).
// Items are windows, so items_per_second is windows fitted per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "numeric/arrays.h"
#include "numeric/normal_fit.h"
#include "numeric/svd_fit.h"

namespace {

template <typename fit>
void run(benchmark::State& state, fit f) {
  const int P = 2 * static_cast<int>(state.range(0));
  const int K = static_cast<int>(state.range(1)) + 1;
  double* x = dinc::vector(1, P);
  double* y = dinc::vector(1, P);
  double* a = dinc::vector(1, K);
  std::mt19937_64 rng{12345};
  std::normal_distribution<double> step(0.0, 1.0);
  double level = 0.0;
  for (int i = 1; i <= P; ++i) {
    x[i] = static_cast<double>(i);
    y[i] = level += step(rng);
  }
  double rss = 0.0;
  for (auto _ : state) {
    f(x, y, P, a, K, &rss);
    benchmark::DoNotOptimize(a[1]);
    benchmark::DoNotOptimize(rss);
  }
  state.SetItemsProcessed(state.iterations());
  dinc::release_vector(a, 1, K);
  dinc::release_vector(y, 1, P);
  dinc::release_vector(x, 1, P);
}

void BM_fit_svd(benchmark::State& state) { run(state, dinc::fit_svd); }

void BM_fit_normal(benchmark::State& state) { run(state, dinc::fit_normal); }

template <typename plan>
void run_plan(benchmark::State& state) {
  std::unique_ptr<plan> p;
  run(state, [&p](const double* x, const double* y, int P, double* a, int K, double*) {
    if (!p) p = std::make_unique<plan>(x, P, K);
    p->solve(y, a);
  });
}

void BM_svd_plan_solve(benchmark::State& state) { run_plan<dinc::svd_fit_plan>(state); }

void BM_normal_plan_solve(benchmark::State& state) { run_plan<dinc::normal_fit_plan>(state); }

// (W, N): the default scale with a line, -s 16 -d 2, and two larger windows.
void window_sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"W", "N"});
  const int sizes[][2] = {{10, 1}, {16, 2}, {64, 2}, {256, 3}};
  for (const auto& size : sizes) b->Args({size[0], size[1]});
}

}  // namespace

BENCHMARK(BM_fit_svd)->Apply(window_sizes);
BENCHMARK(BM_fit_normal)->Apply(window_sizes);
BENCHMARK(BM_svd_plan_solve)->Apply(window_sizes);
BENCHMARK(BM_normal_plan_solve)->Apply(window_sizes);

BENCHMARK_MAIN();
