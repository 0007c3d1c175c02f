// Whole runs of the real dinc-sweep binary, checked against runs of dinc on the same files.
#include <gtest/gtest.h>
#include <sys/wait.h>  // WIFEXITED

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct run_result {
  int status;
  std::string out;
  std::string err;
};

std::string read_file(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

std::string temp_path(const std::string& name) { return testing::TempDir() + "sweep_" + name; }

// Runs "binary args" through the shell. A run expected to fail may end through the fatal
// path, which releases nothing on purpose: leak reports there would only be noise.
run_result run(const std::string& binary, const std::string& args, bool expect_failure = false) {
  const std::string out = temp_path("out"), err = temp_path("err");
  const std::string env =
      expect_failure ? "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" " : "";
  const std::string command = env + binary + " " + args + " >" + out + " 2>" + err;
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(out), read_file(err)};
}

run_result sweep(const std::string& args, bool expect_failure = false) {
  return run(DINC_SWEEP_BINARY, args, expect_failure);
}

std::string write_series(const std::string& name, const std::vector<double>& x) {
  const std::string path = temp_path(name);
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (double v : x) std::fprintf(f, "%.17g\n", v);
  std::fclose(f);
  return path;
}

std::vector<double> random_walk(int n, std::uint64_t seed) {
  std::mt19937_64 rng{seed};
  std::normal_distribution<double> step(0.0, 1.0);
  std::vector<double> x(static_cast<std::size_t>(n));
  double level = 0.0;
  for (double& v : x) v = 50.0 + (level += 0.3 * step(rng)) + step(rng);
  return x;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct table_row {
  int scale;
  int count;
  double fluctuation;
  double flatness;
};

// The rows of a table, after checking its header and its closing comment.
std::vector<table_row> table_of(const std::string& out) {
  const std::vector<std::string> lines = lines_of(out);
  EXPECT_GE(lines.size(), 2u);
  if (lines.size() < 2) return {};
  EXPECT_EQ(lines.front(), "scale\tcount\tfluctuation\tflatness");
  EXPECT_EQ(lines.back().rfind("# exponent", 0), 0u) << lines.back();
  std::vector<table_row> rows;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    table_row r{};
    char tail = 0;
    EXPECT_EQ(std::sscanf(lines[i].c_str(), "%d\t%d\t%lf\t%lf%c", &r.scale, &r.count,
                          &r.fluctuation, &r.flatness, &tail),
              4)
        << lines[i];
    if (!rows.empty()) {
      EXPECT_LT(rows.back().scale, r.scale) << "rows in scale order";
    }
    rows.push_back(r);
  }
  return rows;
}

TEST(dinc_sweep, FluctuationIsTheStandardDeviationOfDincsOutput) {
  const std::string data = write_series("walk.txt", random_walk(3001, 7));
  const std::vector<int> scales = {4, 7, 16, 33, 100, 1500};
  for (const char* options : {"-d 1", "-d 2 -m 2 -b", "-d 3 -b", "-m 0 -d 1 -b", "-d 0"}) {
    SCOPED_TRACE(options);
    const run_result s =
        sweep(std::string(options) + " --threads 2 --scales 1500,4,7,16,33,100 " + data);
    ASSERT_EQ(s.status, 0) << s.err;
    const std::vector<table_row> rows = table_of(s.out);
    ASSERT_EQ(rows.size(), scales.size());
    for (std::size_t k = 0; k < scales.size(); ++k) {
      const int W = scales[k];
      SCOPED_TRACE("scale " + std::to_string(W));
      const run_result d =
          run(DINC_BINARY, std::string(options) + " -s " + std::to_string(W) + " " + data);
      ASSERT_EQ(d.status, 0);
      std::vector<double> v;
      std::istringstream in(d.out);
      for (double value; in >> value;) v.push_back(value);
      double mean = 0.0, m2 = 0.0, m4 = 0.0;
      for (double value : v) mean += value;
      mean /= static_cast<double>(v.size());
      for (double value : v) {
        m2 += (value - mean) * (value - mean) / static_cast<double>(v.size());
        m4 += std::pow(value - mean, 4) / static_cast<double>(v.size());
      }
      EXPECT_EQ(rows[k].scale, W);
      EXPECT_EQ(rows[k].count, static_cast<int>(v.size()));
      // dinc prints six decimals: each value is off by at most 5e-7, so is their RMS.
      EXPECT_NEAR(rows[k].fluctuation, std::sqrt(m2), 5e-7 + 1e-12 * rows[k].fluctuation);
      EXPECT_NEAR(rows[k].flatness, m4 / (m2 * m2), 1e-5 * rows[k].flatness);
    }
  }
}

TEST(dinc_sweep, StandardInputGivesTheSameTable) {
  const std::string data = write_series("stdin.txt", random_walk(2000, 8));
  const run_result from_file = sweep("-b -d 2 " + data);
  const run_result from_stdin = sweep("-b -d 2 - <" + data);
  ASSERT_EQ(from_file.status, 0);
  ASSERT_EQ(from_stdin.status, 0);
  EXPECT_EQ(from_stdin.out, from_file.out);
  EXPECT_EQ(table_of(from_file.out).size(), 25u);  // 4 to 2000/8 = 250 at 4 per octave
}

TEST(dinc_sweep, ScalesTooLargeForTheSeriesAreSkippedWithOneWarning) {
  const std::string data = write_series("short.txt", random_walk(100, 9));
  run_result r = sweep("--scales 4,40,50,51,60 " + data);
  ASSERT_EQ(r.status, 0);
  std::vector<table_row> rows = table_of(r.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.back().scale, 50);  // 2W = n is just long enough
  // Standard error holds the reader's line, the warning and the exponent: no progress line.
  std::vector<std::string> err = lines_of(r.err);
  ASSERT_EQ(err.size(), 3u) << r.err;
  EXPECT_EQ(err[1],
            "dinc-sweep: warning: skipping scales 51, 60: the series has 100 samples, and "
            "detrending at scale W needs 2W");
  EXPECT_EQ(err[2].rfind("dinc-sweep: exponent ", 0), 0u);

  r = sweep("-d 0 --scales 99,100,101 " + data);
  ASSERT_EQ(r.status, 0);
  rows = table_of(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows.back().count, 1);  // one plain sum of all 100 samples
  EXPECT_NE(r.err.find("skipping scale 101: the series has 100 samples, and plain sums at scale W "
                       "need W\n"),
            std::string::npos);
}

TEST(dinc_sweep, ConstantSeriesHasNoFluctuationAndNoExponent) {
  const std::string data = write_series("constant.txt", std::vector<double>(40, 2.0));
  const run_result r = sweep("-s 4,8 " + data);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "scale\tcount\tfluctuation\tflatness\n"
            "4\t36\t0\tnan\n"
            "8\t32\t0\tnan\n"
            "# exponent: none, fewer than two scales with F(W) > 0\n");
}

TEST(dinc_sweep, BadInputGetsAMessageAndStatusOne) {
  const std::string empty = temp_path("empty.txt");
  std::ofstream(empty).close();
  const std::string words = temp_path("words.txt");
  std::ofstream(words) << "time value\n1 2\n";
  const std::string tiny = write_series("tiny.txt", {1, 2, 3, 4, 5, 6, 7});
  const std::string walk = write_series("fatal.txt", random_walk(200, 10));

  struct row {
    std::string args;
    const char* message;
  } rows[] = {
      {temp_path("no_such_file.txt"), "not found!\n"},
      {empty, "No data was read!\n"},
      {words, "No data was read!\n"},
      {testing::TempDir(), "read error on input file: Is a directory\n"},
      {tiny, "no scale to analyse in a series of 7 samples\n"},
      {"-d 400 -s 8,4 " + walk, "gaussj: Singular Matrix-2\n...now exiting to system...\n"},
      {"-d 400 -m 2 -s 90 " + walk, "no convergence in 30 svdcmp iterations\n"},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.args);
    const run_result got = sweep(r.args, true);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "");
    EXPECT_NE(got.err.find(r.message), std::string::npos) << got.err;
  }
}

TEST(dinc_sweep, InvalidOptionsGetOneLineStatusTwoAndThePointerToHelp) {
  for (const char* args : {"-s 2 f", "--bogus f", "-m 5 f", "f -t", "", "a b"}) {
    SCOPED_TRACE(args);
    const run_result r = sweep(args, true);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> err = lines_of(r.err);
    ASSERT_EQ(err.size(), 2u) << r.err;
    EXPECT_EQ(err[0].rfind("dinc-sweep: ", 0), 0u);
    EXPECT_EQ(err[1], "Try 'dinc-sweep --help' for more information.");
  }
  const run_result help = sweep("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.rfind("Usage: dinc-sweep [OPTION]... FILE\n", 0), 0u);
  for (const char* option : {"--order", "--method", "--backward", "--scales", "--per-octave",
                             "--fit-range", "--threads", "--plot", "--help"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

TEST(dinc_sweep, PlotAndItsFailure) {
  const std::string data = write_series("plot.txt", random_walk(4000, 11));
  const std::string svg = temp_path("plot.svg");
  std::remove(svg.c_str());
  run_result r = sweep("-s 4:256 --per-octave 1 --fit-range 8:200 --plot " + svg + " " + data);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = read_file(svg);
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_NE(text.find("</svg>"), std::string::npos);
  // The legend and the table's last line quote the same fit, over the same scales.
  EXPECT_NE(text.find("fit, W = 8 to 128: exponent"), std::string::npos);
  EXPECT_NE(lines_of(r.out).back().find("from 5 scales, 8 to 128"), std::string::npos);

  r = sweep("--plot " + testing::TempDir() + "no_such_dir/plot.svg " + data, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(table_of(r.out).empty());  // the table is still written
  EXPECT_NE(r.err.find("dinc-sweep: cannot write the plot to "), std::string::npos);
}

}  // namespace
