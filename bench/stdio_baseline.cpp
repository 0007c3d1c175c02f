// The straightforward stdio way: read every number with fscanf("%lf") and write it back with
// printf("%lf\n"). Whole runs of dinc are quoted as ratios to this program's time on the same
// file, measured in the same run.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "r");
  if (f == nullptr) return 1;
  double x;
  while (std::fscanf(f, "%lf", &x) == 1) std::printf("%lf\n", x);
  std::fclose(f);
  return 0;
}
