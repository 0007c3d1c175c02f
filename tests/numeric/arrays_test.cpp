#include "numeric/arrays.h"

#include <gtest/gtest.h>
#include <malloc.h>  // malloc_usable_size
#include <unistd.h>  // sysconf

#include <climits>
#include <cmath>

namespace dinc {
namespace {

TEST(vector, EmptyVectorIsValidAndSpareSlotIsTheBlockStart) {
  double* p = vector(1, 0);  // holds only the spare element
  p[0] = 1.0;
  release_vector(p, 1, 0);

  double* q = vector(1, 10000);
  EXPECT_GE(malloc_usable_size(q), 80008u);
  q[0] = q[10000] = 2.0;  // both ends are inside the block
  release_vector(q, 1, 10000);
}

TEST(vector, LowBoundOtherThanOneShiftsTheIndices) {
  double* p = vector(-2, 2);
  for (int i = -2; i <= 2; ++i) p[i] = i;
  EXPECT_EQ(p[-2] + p[2], 0.0);
  release_vector(p, -2, 2);
  int* q = ivector(5, 7);
  q[5] = q[7] = 1;
  release_ivector(q, 5, 7);
}

TEST(matrix, RowsAreContiguousWithOneSpareElement) {
  double** m = matrix(1, 3, 1, 2);
  EXPECT_EQ(m[2] - m[1], 2);
  EXPECT_EQ(m[3] - m[2], 2);
  // The element block starts at m[1], so m[1][1] is its second double.
  EXPECT_GE(malloc_usable_size(m[1]), 7 * sizeof(double));
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 2; ++j) m[i][j] = 10 * i + j;
  }
  EXPECT_EQ(m[3][2], 32.0);
  release_matrix(m, 1, 3, 1, 2);
}

TEST(fatal_error, WritesTheBannerAndExitsWithOne) {
  EXPECT_EXIT(fatal_error("gaussj: Singular Matrix-1"), testing::ExitedWithCode(1),
              "^Run-time error...\ngaussj: Singular Matrix-1\n...now exiting to system...\n$");
  // A message that ends in a newline gets its own newline too: an empty line follows it.
  EXPECT_EXIT(fatal_error("The data length is not enough!\n"), testing::ExitedWithCode(1),
              "The data length is not enough!\n\n...now exiting to system...\n$");
}

// The fatal path ends the process holding every block it has, by design. That must not read
// as a leak to the sanitizer build's leak checker, or a fatal run would end with its report.
TEST(fatal_error, EndsWithBlocksStillHeldAndNothingAfterTheBanner) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 100; ++i) vector(1, 20);
        fatal_error("allocation failure in vector()");
      },
      testing::ExitedWithCode(1),
      "allocation failure in vector\\(\\)\n...now exiting to system...\n$");
}

TEST(allocation, ImpossibleRequestsEndWithTheRoutinesMessage) {
  struct row {
    const char* name;
    void (*call)();
    const char* message;
  } rows[] = {
      {"negative count", [] { vector(1, -2); }, "allocation failure in vector\\(\\)"},
      {"int vector", [] { ivector(1, -5); }, "allocation failure in ivector\\(\\)"},
      {"row pointers", [] { matrix(1, -5, 1, 2); }, "allocation failure 1 in matrix\\(\\)"},
      {"unrepresentable size", [] { matrix(1, INT_MAX - 1, 1, INT_MAX - 1); },
       "allocation failure 2 in matrix\\(\\)"},
      // Just past the machine's memory: refused whatever the kernel's overcommit would grant.
      {"beyond memory",
       [] {
         const double bytes = static_cast<double>(sysconf(_SC_PHYS_PAGES)) *
                              static_cast<double>(sysconf(_SC_PAGESIZE));
         const int side = static_cast<int>(std::sqrt(bytes / sizeof(double))) + 2;
         matrix(1, side, 1, side);
       },
       "allocation failure 2 in matrix\\(\\)"},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EXIT(r.call(), testing::ExitedWithCode(1), r.message);
  }
}

}  // namespace
}  // namespace dinc
