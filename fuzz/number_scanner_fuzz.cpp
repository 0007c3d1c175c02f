// The number scanner against a plain reading of the same text: every value equal to strtod's
// on its token, bit for bit; the reading stopped, or not, at the same place; the text fed in
// blocks cut wherever the input says, each block in a heap allocation of exactly its size so
// that the address sanitizer sees any byte read outside it.
//
// Input layout: the text first; from the end, the output room of each call and the cuts.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>  // bit_cast
#include <cstdint>
#include <cstdio>
#include <cstdlib>  // strtod, abort
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/number_scanner.h"

namespace {

struct reading {
  std::vector<double> values;
  bool stopped = false;
  std::size_t stop_at = 0;  // offset of the first byte not consumed, when stopped
};

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The notation read the obvious way, on the whole text at once. A place where no number
// begins, or an exponent mark without digits, stops the reading after what a formatted input
// would have consumed: the sign, the point, the mark and its sign.
reading read_plainly(const std::string& text) {
  reading r;
  const std::size_t size = text.size();
  auto digit_at = [&](std::size_t k) { return k < size && text[k] >= '0' && text[k] <= '9'; };
  std::size_t i = 0;
  for (;;) {
    while (i < size && is_space(text[i])) ++i;
    if (i == size) return r;
    const std::size_t start = i;
    if (text[i] == '+' || text[i] == '-') ++i;
    std::size_t digits = 0;
    for (; digit_at(i); ++i) ++digits;
    if (i < size && text[i] == '.') {
      for (++i; digit_at(i); ++i) ++digits;
    }
    bool number = digits > 0;
    if (number && i < size && (text[i] == 'e' || text[i] == 'E')) {
      ++i;
      if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
      number = digit_at(i);
      for (; digit_at(i); ++i) {
      }
    }
    if (!number) {
      r.stopped = true;
      r.stop_at = i;
      return r;
    }
    r.values.push_back(std::strtod(text.substr(start, i - start).c_str(), nullptr));
  }
}

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "number_scanner: %s\ntext (%zu bytes): %.200s\n", what, text.size(),
               text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Mostly tiny rooms, so that a full output interrupts tokens everywhere.
  const auto room = input.ConsumeIntegralInRange<std::size_t>(1, 20);
  std::vector<std::size_t> cuts(input.ConsumeIntegralInRange<std::size_t>(0, 12));
  for (std::size_t& cut : cuts) cut = input.ConsumeIntegral<std::uint16_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();
  for (std::size_t& cut : cuts) cut %= text.size() + 1;
  cuts.push_back(text.size());
  std::sort(cuts.begin(), cuts.end());

  const reading want = read_plainly(text);

  dinc::number_scanner scanner;
  reading got;
  auto out = std::make_unique<double[]>(room);
  std::size_t at = 0;
  for (const std::size_t cut : cuts) {
    if (got.stopped) break;
    const std::size_t length = cut - at;
    auto block = std::make_unique<char[]>(length);
    if (length > 0) std::memcpy(block.get(), text.data() + at, length);
    const char* p = block.get();
    const char* const last = p + length;
    for (;;) {
      const auto [next, count] = scanner.scan(p, last, out.get(), room);
      if (count > room || next < p || next > last) fail("scan went outside its range", text);
      got.values.insert(got.values.end(), out.get(), out.get() + count);
      if (scanner.stopped()) {
        got.stopped = true;
        got.stop_at = at + static_cast<std::size_t>(next - block.get());
        if (scanner.scan(p, last, out.get(), room).count != 0) fail("read after a stop", text);
        break;
      }
      if (count < room && next != last) fail("returned early with room left", text);
      if (count < room) break;
      p = next;
    }
    at = cut;
  }
  if (!got.stopped) {
    double value;
    if (scanner.finish(&value)) got.values.push_back(value);
    if (scanner.stopped()) {
      got.stopped = true;
      got.stop_at = text.size();
    }
  }

  if (got.values.size() != want.values.size()) fail("value count differs from strtod's", text);
  for (std::size_t i = 0; i < want.values.size(); ++i) {
    if (std::bit_cast<std::uint64_t>(got.values[i]) !=
        std::bit_cast<std::uint64_t>(want.values[i])) {
      std::fprintf(stderr, "value %zu: %a, strtod %a\n", i, got.values[i], want.values[i]);
      fail("value differs from strtod's", text);
    }
  }
  if (got.stopped != want.stopped || got.stop_at != want.stop_at) {
    std::fprintf(stderr, "stopped %d at %zu, plain reading %d at %zu\n", got.stopped, got.stop_at,
                 want.stopped, want.stop_at);
    fail("stops elsewhere", text);
  }
  return 0;
}
