#include "numeric/arrays.h"

#include <sys/mman.h>  // madvise
#include <unistd.h>    // sysconf

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace dinc {

namespace {

// Below this size a block is not worth a huge page.
constexpr std::size_t huge_page_threshold = std::size_t{8} << 20;

// The machine's memory in bytes, or SIZE_MAX when the system does not say.
std::size_t physical_memory() {
  static const std::size_t bytes = [] {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return SIZE_MAX;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page_size);
  }();
  return bytes;
}

// Asks the kernel to back a large block with huge pages, where it can: the big vectors are
// filled once from end to end, and a page fault per 4 KiB cost a run of 10^7 samples a quarter
// of its time. A hint only. Not for a block that grows by realloc in small steps (the series):
// moving huge-page regions on every step made reading a hundred times slower.
void prefer_huge_pages(void* block, std::size_t bytes) {
  if (bytes < huge_page_threshold) return;
  // Only whole pages inside the block; the advice is a hint, so its result does not matter.
  constexpr std::uintptr_t page = 4096;
  const auto begin = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A block of count elements of elem_size bytes, or null when the count is negative, the
// byte size cannot be represented, the block is larger than the machine's memory or the heap
// refuses: all are failed requests, and a wrapped size that malloc might grant is never
// formed. A count of 0 is a valid request. Whether the heap grants a block larger than memory
// depends on the kernel's overcommit policy, and touching it would then get the process
// killed rather than refused; deciding here makes an absurd order or scale end the same way
// on every machine.
void* allocate_block(long long count, std::size_t elem_size) {
  if (count < 0) return nullptr;
  const auto n = static_cast<unsigned long long>(count);
  if (n > static_cast<unsigned long long>(PTRDIFF_MAX) / elem_size) return nullptr;
  const auto bytes = static_cast<std::size_t>(n * elem_size);
  if (bytes > physical_memory()) return nullptr;
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block != nullptr) prefer_huge_pages(block, bytes);
  return block;
}

// Allocates the block of a one-based vector: nh - nl + 2 elements, the first one spare.
template <typename T>
T* one_based_block(int nl, int nh, const char* failure) {
  const long long count = static_cast<long long>(nh) - nl + 2;
  void* block = allocate_block(count, sizeof(T));
  if (block == nullptr) fatal_error(failure);
  return static_cast<T*>(block);
}

}  // namespace

void fatal_error(const char* message) {
  std::fprintf(stderr, "Run-time error...\n");
  std::fprintf(stderr, "%s\n", message);
  std::fprintf(stderr, "...now exiting to system...\n");
  // The process ends holding every block it has: nothing is released on this path. std::exit
  // would run the atexit handlers, and in the sanitizer build the leak checker is one of them,
  // which would report those blocks; this tool registers no handler of its own. So the
  // streams are flushed here and the process ends without the handlers.
  std::fflush(nullptr);
  std::_Exit(1);
}

// The pointer arithmetic below is written for the low bound 1 that every caller uses: the
// returned pointer is then the block itself, and no out-of-range pointer is ever formed.
// Other low bounds shift the pointer by whole elements through integer arithmetic, which
// keeps the one-based contract without forming an invalid pointer expression.
double* vector(int nl, int nh) {
  double* block = one_based_block<double>(nl, nh, "allocation failure in vector()");
  return block - (static_cast<std::ptrdiff_t>(nl) - 1);
}

int* ivector(int nl, int nh) {
  int* block = one_based_block<int>(nl, nh, "allocation failure in ivector()");
  return block - (static_cast<std::ptrdiff_t>(nl) - 1);
}

double** matrix(int nrl, int nrh, int ncl, int nch) {
  const long long nrow = static_cast<long long>(nrh) - nrl + 1;
  const long long ncol = static_cast<long long>(nch) - ncl + 1;

  // A matrix of no rows still gets the slot m[nrl], which holds the element block.
  void* rows = nrow < 0 ? nullptr : allocate_block(nrow == 0 ? 2 : nrow + 1, sizeof(double*));
  if (rows == nullptr) fatal_error("allocation failure 1 in matrix()");

  // nrow * ncol + 1 elements: one spare in all, not one per row.
  void* elements = nullptr;
  if (ncol >= 0 && (ncol == 0 || nrow <= (PTRDIFF_MAX / 8 - 1) / ncol)) {
    elements = allocate_block(nrow * ncol + 1, sizeof(double));
  }
  if (elements == nullptr) fatal_error("allocation failure 2 in matrix()");

  double** m = static_cast<double**>(rows) - (static_cast<std::ptrdiff_t>(nrl) - 1);
  m[nrl] = static_cast<double*>(elements) - (static_cast<std::ptrdiff_t>(ncl) - 1);
  for (long long i = static_cast<long long>(nrl) + 1; i <= nrh; ++i) {
    m[i] = m[i - 1] + ncol;
  }
  return m;
}

void release_vector(double* p, int nl, int /*nh*/) {
  std::free(p + (static_cast<std::ptrdiff_t>(nl) - 1));
}

void release_ivector(int* p, int nl, int /*nh*/) {
  std::free(p + (static_cast<std::ptrdiff_t>(nl) - 1));
}

void release_matrix(double** m, int nrl, int /*nrh*/, int ncl, int /*nch*/) {
  std::free(m[nrl] + (static_cast<std::ptrdiff_t>(ncl) - 1));
  std::free(m + (static_cast<std::ptrdiff_t>(nrl) - 1));
}

}  // namespace dinc
