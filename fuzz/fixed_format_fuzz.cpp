// format_fixed6 against snprintf("%lf") on bit patterns: each 8 bytes of the input are one
// double, any of the 2^64 (NaNs and infinities included). The output goes to a heap block of
// exactly fixed_format_max_chars bytes, so the address sanitizer sees a write past the room
// the header promises.
#include <bit>  // bit_cast
#include <cstdint>
#include <cstdio>
#include <cstdlib>  // abort
#include <cstring>
#include <memory>
#include <string_view>

#include "analysis/fixed_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto out = std::make_unique<char[]>(dinc::fixed_format_max_chars);
  for (std::size_t at = 0; at + 8 <= size; at += 8) {
    std::uint64_t bits;
    std::memcpy(&bits, data + at, 8);
    const double x = std::bit_cast<double>(bits);

    const char* const end = dinc::format_fixed6(x, out.get());
    const std::string_view got(out.get(), static_cast<std::size_t>(end - out.get()));

    char want[dinc::fixed_format_max_chars + 16];
    const int length = std::snprintf(want, sizeof want, "%lf", x);
    if (length < 0 || got != std::string_view(want, static_cast<std::size_t>(length))) {
      std::fprintf(stderr, "format_fixed6(%a) [bits %016llx]\n gives %.*s\n printf %s\n", x,
                   static_cast<unsigned long long>(bits), static_cast<int>(got.size()), got.data(),
                   want);
      std::abort();
    }
  }
  return 0;
}
