#include "driver/options.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace dinc {
namespace {

// The usage text as a reader sees it; the binary must write its Shift_JIS bytes.
const char* const usage_utf8 =
    "使用法: dinc [OPTIONS ...] データファイル名\n"
    "設定できるOPTION:\n"
    " -m M             最小２乗フィティングアルゴリズム(M=1:正規方程式，M=2:特異値分解)\n"
    " -d N             多項式の次数N\n"
    " -s W             粗視化スケール\n"
    " -v               分散を1に標準化\n"
    " -a               スケールWで割る\n"
    " -b               後ろ向きの粗視化を追加\n"
    " -h               オプションの一覧を表示\n";

std::string shift_jis_of(const std::string& utf8) {
  const std::string path = testing::TempDir() + "usage_utf8.txt";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(utf8.data(), 1, utf8.size(), f);
  std::fclose(f);
  std::FILE* p = popen(("iconv -f UTF-8 -t SHIFT_JIS " + path).c_str(), "r");
  std::string out;
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
    out.append(buffer, got);
  EXPECT_EQ(pclose(p), 0);
  return out;
}

TEST(print_usage, WritesTheShiftJisBytesOfTheText) {
  program_name = "dinc";
  testing::internal::CaptureStderr();
  print_usage();
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(written, shift_jis_of(usage_utf8));

  // Byte counts of the stored lines (the first as its format, with "%s" and the newline).
  std::vector<std::size_t> lengths;
  for (std::size_t start = 0, end; (end = written.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lengths.push_back(end - start);
  }
  // The first format is 42 bytes with "%s" and its newline: 43 here, with "dinc" in place.
  const std::vector<std::size_t> want = {43, 17, 82, 31, 32, 33, 33, 40, 40};
  EXPECT_EQ(lengths, want);
}

TEST(integer_value, LeadingDigitsSaturated) {
  struct row {
    const char* text;
    int want;
  } rows[] = {
      {"12", 12},
      {"  -7", -7},
      {"+5x", 5},
      {"abc", 0},
      {"", 0},
      {"3.9", 3},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"99999999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"0x10", 0},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(integer_value(r.text), r.want);
  }
}

TEST(parse_command_line, SettingsAndDataFile) {
  struct row {
    std::vector<const char*> args;  // after the program name
    run_settings want;
    const char* data;
  } rows[] = {
      {{"f"}, {10, 1, 1, 0, 0}, "f"},
      {{"-s", "3", "f"}, {4, 1, 1, 0, 0}, "f"},
      {{"-s20", "f"}, {4, 1, 1, 0, 0}, "f"},  // -s takes "f" as its value
      {{"-s", "20"}, {20, 1, 1, 0, 0}, "20"},
      {{"-vb", "f"}, {10, 1, 1, 1, 0}, "f"},
      {{"-v", "-a", "f"}, {10, 1, 1, 2, 0}, "f"},
      {{"-a", "-v", "f"}, {10, 1, 1, 1, 0}, "f"},
      {{"-m", "0", "f"}, {10, 1, 0, 0, 0}, "f"},
      {{"-m", "9", "f"}, {10, 1, 2, 0, 0}, "f"},
      {{"-m", "-3", "f"}, {10, 1, 1, 0, 0}, "f"},
      {{"-d", "-2147483649", "-b", "f"}, {10, INT_MIN, 1, 0, 1}, "f"},
      {{"f", "-v"}, {10, 1, 1, 0, 0}, "-v"},
      {{"A", "B"}, {10, 1, 1, 0, 0}, "B"},
      {{"-s", "8", "-s", "16", "f"}, {16, 1, 1, 0, 0}, "f"},
      {{}, {10, 1, 1, 0, 0}, "prog"},  // no arguments: the program itself is the data file
  };

  for (const row& r : rows) {
    std::vector<char*> argv{const_cast<char*>("prog")};
    for (const char* a : r.args) argv.push_back(const_cast<char*>(a));
    SCOPED_TRACE(testing::PrintToString(r.args));
    const command_line c = parse_command_line(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(c.settings.scale, r.want.scale);
    EXPECT_EQ(c.settings.order, r.want.order);
    EXPECT_EQ(c.settings.method, r.want.method);
    EXPECT_EQ(c.settings.norm_mode, r.want.norm_mode);
    EXPECT_EQ(c.settings.backward, r.want.backward);
    EXPECT_STREQ(c.data_path, r.data);
    EXPECT_STREQ(program_name, "prog");
  }
}

}  // namespace
}  // namespace dinc
