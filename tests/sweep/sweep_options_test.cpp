#include "sweep/sweep_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dinc {
namespace {

// The parsed settings point into the argument strings, so they travel together: moving the
// vector moves its block, and the strings in it stay where they are.
struct parsed {
  std::vector<std::string> args;
  sweep_command command;
  std::string err;
};

parsed parse(std::vector<std::string> args) {
  parsed p{std::move(args), {}, {}};
  p.args.insert(p.args.begin(), "/some/path/dinc-sweep");
  std::vector<char*> argv;
  for (std::string& a : p.args) argv.push_back(a.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStderr();
  p.command = parse_sweep_command_line(static_cast<int>(p.args.size()), argv.data());
  p.err = testing::internal::GetCapturedStderr();
  return p;
}

TEST(parse_sweep_command_line, DefaultsAreThoseOfDinc) {
  const parsed p = parse({"data.txt"});
  ASSERT_EQ(p.command.request, sweep_request::run);
  const sweep_settings& s = p.command.settings;
  EXPECT_EQ(s.analysis.order, 1);
  EXPECT_EQ(s.analysis.method, 1);
  EXPECT_EQ(s.analysis.backward, 0);
  EXPECT_TRUE(s.scale_list.empty());
  EXPECT_EQ(s.range_high, 0);  // the default range, chosen once n is known
  EXPECT_EQ(s.per_octave, 4.0);
  EXPECT_EQ(s.fit_low, 1);
  EXPECT_EQ(s.threads, 0);
  EXPECT_EQ(s.plot_path, nullptr);
  EXPECT_EQ(p.err, "");
}

TEST(parse_sweep_command_line, OptionsInAnyOrderAroundTheOperand) {
  const parsed p =
      parse({"-d", "2", "--method=2", "data.txt", "-b", "--scales", "64,8,16,8", "--threads=3",
             "--per-octave", "2.5", "--fit-range", "8:64", "-p", "out.svg"});
  ASSERT_EQ(p.command.request, sweep_request::run);
  const sweep_settings& s = p.command.settings;
  EXPECT_EQ(s.analysis.order, 2);
  EXPECT_EQ(s.analysis.method, 2);
  EXPECT_EQ(s.analysis.backward, 1);
  EXPECT_EQ(s.scale_list, (std::vector<int>{8, 16, 64}));  // sorted, each once
  EXPECT_EQ(s.per_octave, 2.5);
  EXPECT_EQ(s.fit_low, 8);
  EXPECT_EQ(s.fit_high, 64);
  EXPECT_EQ(s.threads, 3);
  EXPECT_STREQ(s.plot_path, "out.svg");
  EXPECT_STREQ(s.data_path, "data.txt");
}

TEST(parse_sweep_command_line, RangesAndTheDashOperand) {
  const parsed p = parse({"-s", "4:4096", "-d0", "-m0", "-"});
  ASSERT_EQ(p.command.request, sweep_request::run);
  EXPECT_EQ(p.command.settings.range_low, 4);
  EXPECT_EQ(p.command.settings.range_high, 4096);
  EXPECT_EQ(p.command.settings.analysis.order, 0);
  EXPECT_EQ(p.command.settings.analysis.method, 0);
  EXPECT_STREQ(p.command.settings.data_path, "-");
  // The later --scales replaces the earlier one, list or range.
  const parsed q = parse({"-s", "4:4096", "-s", "5,6", "f"});
  EXPECT_EQ(q.command.settings.range_high, 0);
  EXPECT_EQ(q.command.settings.scale_list, (std::vector<int>{5, 6}));
}

TEST(parse_sweep_command_line, HelpWinsOverTheMissingOperand) {
  EXPECT_EQ(parse({"--help"}).command.request, sweep_request::help);
  EXPECT_EQ(parse({"-d", "1", "-h"}).command.request, sweep_request::help);
}

TEST(parse_sweep_command_line, InvalidCommandLinesGetOneLineNamingTheOption) {
  struct row {
    std::vector<std::string> args;
    const char* named;  // must appear in the message
  } rows[] = {
      {{"-d", "-1", "f"}, "'-1' for --order (-d)"},
      {{"-d", "2x", "f"}, "'2x' for --order (-d)"},
      {{"-d", "2147483647", "f"}, "--order (-d)"},
      {{"-m", "3", "f"}, "'3' for --method (-m)"},
      {{"-s", "3,8", "f"}, "'3,8' for --scales (-s)"},
      {{"-s", "8,,16", "f"}, "--scales (-s)"},
      {{"-s", "64:16", "f"}, "'64:16' for --scales (-s)"},
      {{"-s", "16:", "f"}, "--scales (-s)"},
      {{"-s", "", "f"}, "--scales (-s)"},
      {{"-s", "99999999999", "f"}, "--scales (-s)"},
      {{"--per-octave", "0", "f"}, "'0' for --per-octave"},
      {{"--per-octave", "1001", "f"}, "--per-octave"},
      {{"--per-octave", "nan", "f"}, "--per-octave"},
      {{"--fit-range", "8", "f"}, "'8' for --fit-range"},
      {{"--fit-range", "0:8", "f"}, "--fit-range"},
      {{"-t", "0", "f"}, "'0' for --threads (-t)"},
      {{"--plot=", "f"}, "--plot (-p)"},
      {{"-x", "f"}, "invalid option -- 'x'"},
      {{"--bogus", "f"}, "unrecognized option '--bogus'"},
      {{"--backward=1", "f"}, "'--backward' doesn't allow an argument"},
      {{"f", "-d"}, "option requires an argument -- 'd'"},
      {{"f", "--scales"}, "option '--scales' requires an argument"},
      {{}, "missing data file"},
      {{"f", "g"}, "extra operand 'g'"},
  };

  for (const row& r : rows) {
    std::string joined;
    for (const std::string& a : r.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const parsed p = parse(r.args);
    EXPECT_EQ(p.command.request, sweep_request::invalid);
    EXPECT_EQ(p.err.rfind("dinc-sweep: ", 0), 0u) << p.err;
    EXPECT_NE(p.err.find(r.named), std::string::npos) << p.err;
    EXPECT_EQ(p.err.find('\n'), p.err.size() - 1) << "one line: " << p.err;
  }
}

}  // namespace
}  // namespace dinc
