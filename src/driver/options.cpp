#include "driver/options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace dinc {

const char* program_name = "dinc";

namespace {

// The usage text as Shift_JIS bytes, written with no conversion at run time. Each escaped
// line is preceded by its UTF-8 text; where a hex escape is followed by a character that
// could extend it, the literal is split ("\x83" "f").
constexpr const char* usage_first_line =
    // 使用法: %s [OPTIONS ...] データファイル名
    "\x8eg\x97p\x96@: %s [OPTIONS ...] \x83"
    "f\x81[\x83^\x83t\x83@\x83"
    "C\x83\x8b\x96\xbc\n";

constexpr const char* usage_lines[] = {
    // 設定できるOPTION:
    "\x90\xdd\x92\xe8\x82\xc5\x82\xab\x82\xe9OPTION:",
    //  -m M             最小２乗フィティングアルゴリズム(M=1:正規方程式，M=2:特異値分解)
    " -m M             \x8d\xc5\x8f\xac\x82Q\x8f\xe6\x83t\x83"
    "B\x83"
    "e\x83"
    "B\x83\x93\x83O\x83"
    "A\x83\x8b\x83S\x83\x8a\x83Y\x83\x80(M=1:\x90\xb3\x8bK\x95\xfb\x92\xf6\x8e\xae\x81"
    "CM=2:\x93\xc1\x88\xd9\x92l\x95\xaa\x89\xf0)",
    //  -d N             多項式の次数N
    " -d N             \x91\xbd\x8d\x80\x8e\xae\x82\xcc\x8e\x9f\x90\x94N",
    //  -s W             粗視化スケール
    " -s W             \x91"
    "e\x8e\x8b\x89\xbb\x83X\x83P\x81[\x83\x8b",
    //  -v               分散を1に標準化
    " -v               \x95\xaa\x8eU\x82\xf0"
    "1\x82\xc9\x95W\x8f\x80\x89\xbb",
    //  -a               スケールWで割る
    " -a               \x83X\x83P\x81[\x83\x8bW\x82\xc5\x8a\x84\x82\xe9",
    //  -b               後ろ向きの粗視化を追加
    " -b               \x8c\xe3\x82\xeb\x8c\xfc\x82\xab\x82\xcc\x91"
    "e\x8e\x8b\x89\xbb\x82\xf0\x92\xc7\x89\xc1",
    //  -h               オプションの一覧を表示
    " -h               "
    "\x83I\x83v\x83V\x83\x87\x83\x93\x82\xcc\x88\xea\x97\x97\x82\xf0\x95\\\x8e\xa6",
};

[[noreturn]] void usage_and_exit() {
  print_usage();
  std::exit(1);
}

}  // namespace

void print_usage() {
  std::fprintf(stderr, usage_first_line, program_name);
  for (const char* line : usage_lines) std::fprintf(stderr, "%s\n", line);
}

int integer_value(const char* text) {
  errno = 0;
  const long value = std::strtol(text, nullptr, 10);  // saturates at the long range
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

command_line parse_command_line(int argc, char** argv) {
  // An empty argument vector has neither a program name nor a data file.
  if (argc < 1 || argv[0] == nullptr) usage_and_exit();
  program_name = argv[0];

  command_line result{run_settings{}, argv[argc - 1]};
  run_settings& s = result.settings;

  // Reads the value of the option at argv[i]; the value must exist inside argv.
  auto value_of = [&](int& i) {
    if (i + 1 >= argc) usage_and_exit();
    return integer_value(argv[++i]);
  };

  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') break;
    switch (arg[1]) {  // only the second character counts: "-vb" is "-v"
      case 'a':
        s.norm_mode = 2;
        break;
      case 'b':
        s.backward = 1;
        break;
      case 'd':
        s.order = value_of(i);
        break;
      case 'm': {
        const int m = value_of(i);
        s.method = m < 0 ? 1 : (m > 2 ? 2 : m);
        break;
      }
      case 's': {
        const int w = value_of(i);
        s.scale = w < 4 ? 4 : w;
        break;
      }
      case 'v':
        s.norm_mode = 1;
        break;
      default:
        usage_and_exit();
    }
  }
  return result;
}

}  // namespace dinc
