// Whole-run regression: the exact bytes of standard output and standard error for generated
// series in every mode, pinned as 64-bit FNV-1a hashes. The hashes were recorded from the
// straightforward implementation (one complete fit call and fresh pow calls per window) before
// any optimisation, so a reorganisation of the work that changed a single bit shows here.
#include <gtest/gtest.h>
#include <sys/wait.h>  // WIFEXITED

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Portable generators built on the raw bits of mt19937_64, so the series do not depend on
// the standard library's distributions.
struct series_maker {
  std::uint64_t state;

  double uniform() {  // splitmix64, in [0, 1)
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1p-53;
  }

  double noise() { return uniform() + uniform() + uniform() - 1.5; }
};

// Writes the series into the temporary folder and returns its name, relative to that folder
// (the runs happen there, so stderr's "Input file:" line does not depend on where it is).
std::string make_file(const char* name, int n, int kind) {
  const std::string path = testing::TempDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "w");
  series_maker rng{static_cast<std::uint64_t>(kind) * 1000 + 7};
  double level = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = i / static_cast<double>(n);
    switch (kind) {
      case 0:  // random walk with noise, six decimals
        level += 0.1 * rng.noise();
        std::fprintf(f, "%.6f\n", level + rng.noise());
        break;
      case 1:  // large offset, full precision: the centring and the profile round a lot
        std::fprintf(f, "%.17g\n", 1e6 + 1e-3 * rng.noise());
        break;
      default:  // polynomial trend with noise, several values per line
        std::fprintf(f, "%.9g%c", 5 - 20 * t + 30 * t * t + 0.2 * rng.noise(),
                     i % 4 == 3 ? '\n' : ' ');
    }
  }
  std::fclose(f);
  return name;
}

std::uint64_t fnv1a(const std::string& path, std::uint64_t h) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  for (int c; (c = std::fgetc(f)) != EOF;)
    h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  std::fclose(f);
  return h;
}

TEST(output_checksums, EveryModeGivesThePinnedBytes) {
  const std::string files[] = {make_file("walk.txt", 5000, 0), make_file("offset.txt", 3001, 1),
                               make_file("trend.txt", 4099, 2)};

  struct row {
    const char* options;
    std::uint64_t want[3];
  } rows[] = {

#include "output_checksums.inc"
  };
  const std::string dir = testing::TempDir();
  const std::string out = dir + "checksum.out";
  // DINC_RECORD_CHECKSUMS=1 prints the table instead of checking it.
  const bool record = std::getenv("DINC_RECORD_CHECKSUMS") != nullptr;
  for (const row& r : rows) {
    std::uint64_t got[3];
    for (int k = 0; k < 3; ++k) {
      const std::string command = "cd " + dir + " && " + DINC_BINARY + " " + r.options + " " +
                                  files[k] + " >" + out + " 2>" + out + ".err";
      const int status = std::system(command.c_str());
      ASSERT_TRUE(WIFEXITED(status));
      got[k] = fnv1a(out + ".err", fnv1a(out, 0xcbf29ce484222325ULL)) ^
               static_cast<std::uint64_t>(WEXITSTATUS(status));
      if (!record) {
        EXPECT_EQ(got[k], r.want[k]) << r.options << " on " << files[k];
      }
    }
    if (record) {
      std::printf("    {\"%s\", {0x%016" PRIx64 "ULL, 0x%016" PRIx64 "ULL, 0x%016" PRIx64
                  "ULL}},\n",
                  r.options, got[0], got[1], got[2]);
    }
  }
}

}  // namespace
