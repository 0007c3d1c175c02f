// Writes n samples of a random walk with white noise, one per line with six decimals, the way
// recorders and scripts usually store series. Fixed seed: the same n gives the same file.
#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s N > FILE\n", argv[0]);
    return 2;
  }
  const long n = std::strtol(argv[1], nullptr, 10);
  std::mt19937_64 rng{20261211};
  std::normal_distribution<double> step(0.0, 1.0);
  double level = 0.0;
  for (long i = 0; i < n; ++i) {
    level += 0.05 * step(rng);
    std::printf("%.6f\n", 100.0 + level + step(rng));
  }
  return 0;
}
