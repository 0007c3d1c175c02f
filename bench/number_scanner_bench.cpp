// The number scanner on generated text of typical samples, fed in the blocks in which the
// series input reads a file, against a plain strtod loop over the same text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "driver/number_scanner.h"

namespace {

constexpr std::size_t block_size = 256 * 1024;

// count values with the given printf format, one per line: samples of a few units around a
// mean (as interval or amplitude series are), some negative, none special.
std::string sample_text(const char* format, std::int64_t count) {
  std::mt19937_64 rng(42);
  std::normal_distribution<double> sample(0.8, 3.0);
  std::string text;
  char token[64];
  for (std::int64_t i = 0; i < count; ++i) {
    text.append(token,
                static_cast<std::size_t>(std::snprintf(token, sizeof token, format, sample(rng))));
    text += '\n';
  }
  return text;
}

void scan_text(benchmark::State& state, const std::string& text) {
  double out[1024];
  for (auto _ : state) {
    dinc::number_scanner scanner;
    std::size_t total = 0;
    for (std::size_t at = 0; at < text.size(); at += block_size) {
      const char* p = text.data() + at;
      const char* const end = text.data() + std::min(at + block_size, text.size());
      for (;;) {
        const auto [next, count] = scanner.scan(p, end, out, std::size(out));
        benchmark::DoNotOptimize(out);
        total += count;
        if (count < std::size(out)) break;
        p = next;
      }
    }
    double last;
    total += scanner.finish(&last) ? 1 : 0;
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void strtod_text(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    const char* p = text.c_str();
    double sum = 0;
    for (;;) {
      char* end;
      const double x = std::strtod(p, &end);
      if (end == p) break;
      sum += x;
      p = end;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_scan_fixed6(benchmark::State& state) {
  scan_text(state, sample_text("%.6f", state.range(0)));
}

void BM_scan_g17(benchmark::State& state) {
  scan_text(state, sample_text("%.17g", state.range(0)));
}

void BM_strtod_fixed6(benchmark::State& state) {
  strtod_text(state, sample_text("%.6f", state.range(0)));
}

void BM_strtod_g17(benchmark::State& state) {
  strtod_text(state, sample_text("%.17g", state.range(0)));
}

BENCHMARK(BM_scan_fixed6)->Arg(1 << 20);
BENCHMARK(BM_scan_g17)->Arg(1 << 20);
BENCHMARK(BM_strtod_fixed6)->Arg(1 << 20);
BENCHMARK(BM_strtod_g17)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
