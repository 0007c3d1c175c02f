// Properties of whole runs of the real binary on generated series.
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
  std::vector<double> values;
  std::string err;
};

std::string temp_path(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/dinc_run_test_" + name;
}

void write_series(const std::string& path, const std::vector<double>& x) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  for (double v : x) std::fprintf(f, "%.17g\n", v);
  std::fclose(f);
}

run_result run_dinc(const std::string& args, const std::string& data) {
  const std::string out = temp_path("out"), err = temp_path("err");
  const std::string command =
      std::string(DINC_BINARY) + " " + args + " " + data + " >" + out + " 2>" + err;
  const int raw = std::system(command.c_str());
  run_result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
  std::ifstream o(out);
  for (double v; o >> v;) r.values.push_back(v);
  std::stringstream e;
  e << std::ifstream(err).rdbuf();
  r.err = e.str();
  return r;
}

std::vector<double> random_walk(int n, std::uint64_t seed) {
  std::mt19937_64 rng{seed};
  std::normal_distribution<double> step(0.0, 1.0);
  std::vector<double> x(static_cast<std::size_t>(n));
  double level = 0.0;
  for (double& v : x) v = (level += 0.1 * step(rng)) + step(rng);
  return x;
}

TEST(run, TypicalRunCounts) {
  const std::string data = temp_path("typical.txt");
  write_series(data, random_walk(1000, 1));
  run_result r = run_dinc("-s 16 -d 2", data);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values.size(), 976u);  // 61 windows of 16 differences
  r = run_dinc("-b -s 16 -d 2", data);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.values.size(), 1952u);
  EXPECT_NE(r.err.find("including backward computation\n"), std::string::npos);
}

TEST(run, BothFitMethodsAgreeOnLowOrders) {
  const std::string data = temp_path("agree.txt");
  write_series(data, random_walk(600, 2));
  for (const char* options : {"-s 8 -d 1", "-s 16 -d 2 -b", "-s 10 -d 3 -v", "-s 32 -d 2 -a"}) {
    SCOPED_TRACE(options);
    const run_result normal = run_dinc(std::string("-m 1 ") + options, data);
    const run_result svd = run_dinc(std::string("-m 2 ") + options, data);
    ASSERT_EQ(normal.status, 0);
    ASSERT_EQ(svd.status, 0);
    ASSERT_EQ(normal.values.size(), svd.values.size());
    for (std::size_t i = 0; i < normal.values.size(); ++i) {
      ASSERT_NEAR(normal.values[i], svd.values[i], 2e-6) << "line " << i + 1;
    }
  }
}

TEST(run, PolynomialTrendsVanish) {
  // A series that is a polynomial of degree N - 1 has a profile of degree N, which the fit of
  // order N removes exactly up to rounding.
  const std::string data = temp_path("poly.txt");
  for (int N : {1, 2, 3}) {
    std::vector<double> x(200);
    for (std::size_t i = 0; i < x.size(); ++i) {
      const double t = static_cast<double>(i) / 50.0;
      x[i] = N == 1 ? 4.0 : (N == 2 ? 1.0 - 2.0 * t : 0.5 + t - 0.75 * t * t);
    }
    write_series(data, x);
    for (const char* method : {"1", "2"}) {
      SCOPED_TRACE(std::string("order ") + std::to_string(N) + " method " + method);
      const run_result r =
          run_dinc(std::string("-m ") + method + " -s 10 -b -d " + std::to_string(N), data);
      ASSERT_EQ(r.status, 0);
      ASSERT_EQ(r.values.size(), 190u);  // 19 windows; n % W == 0, so no backward pass
      for (double v : r.values) ASSERT_LE(std::fabs(v), 1e-6);
    }
  }
}

TEST(run, LostOutputIsAFailure) {
  const std::string data = temp_path("lost.txt");
  write_series(data, random_walk(200000, 3));
  const std::string err = temp_path("lost.err");

  struct row {
    const char* name;
    std::string command;
    const char* reason;
  } rows[] = {
      {"full disk", std::string(DINC_BINARY) + " " + data + " >/dev/full 2>" + err,
       "No space left on device"},
      // The reader goes away before the output is written: the pipe is closed on dinc.
      {"closed pipe",
       "set -o pipefail; " + std::string(DINC_BINARY) + " " + data + " 2>" + err + " | true",
       "Broken pipe"},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const int raw = std::system(("bash -c '" + r.command + "'").c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    std::stringstream e;
    e << std::ifstream(err).rdbuf();
    EXPECT_NE(e.str().find(std::string(": error writing standard output: ") + r.reason + "\n"),
              std::string::npos)
        << e.str();
  }
}

}  // namespace
