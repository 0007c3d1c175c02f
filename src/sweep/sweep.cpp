#include "sweep/sweep.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numeric>  // iota
#include <system_error>
#include <thread>

#include "analysis/detrend.h"
#include "analysis/increments.h"
#include "numeric/arrays.h"
#include "numeric/normal_fit.h"
#include "numeric/svd_fit.h"

namespace dinc {

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

sweep_row analyse_scale(const double* x, int n, int W, const increment_settings& s,
                        double* increments) {
  const int count = s.order >= 1 ? detrended_increments(
                                       x, n, {W, s.order, s.method, s.backward, false}, increments)
                                 : plain_increments(x, n, W, increments, false);

  // dinc's own sums: index order from 0.0, divided by the count.
  const auto c = static_cast<double>(count);
  double sum = 0.0;
  for (int i = 1; i <= count; ++i) sum += increments[i];
  const double mean = sum / c;
  double squares = 0.0, fourth_powers = 0.0;
  for (int i = 1; i <= count; ++i) {
    const double d = increments[i] - mean;
    const double d2 = d * d;
    squares += d2;
    fourth_powers += d2 * d2;
  }
  const double second_moment = squares / c;
  return {W, count, std::sqrt(second_moment), fourth_powers / c / (second_moment * second_moment)};
}

void check_window_fits(const std::vector<int>& scales, const increment_settings& s) {
  if (s.order < 1) return;
  for (const int W : scales) {
    // The same guard detrended_increments has: N + 1 must fit an int.
    if (s.order == INT_MAX) fatal_error("allocation failure in vector()");
    const int points = 2 * W;
    const int K = s.order + 1;
    double* abscissae = vector(1, points);
    for (int j = 1; j <= points; ++j) abscissae[j] = j;
    if (s.method <= 1) {
      const normal_fit_plan plan(abscissae, points, K);
    } else {
      const svd_fit_plan plan(abscissae, points, K);
    }
    release_vector(abscissae, 1, points);
  }
}

std::vector<sweep_row> sweep_scales(const double* x, int n, const std::vector<int>& scales,
                                    const increment_settings& s, int threads,
                                    const sweep_progress& progress) {
  const int total = static_cast<int>(scales.size());
  std::vector<sweep_row> rows(scales.size());
  if (total == 0) return rows;

  std::vector<std::size_t> largest_first(scales.size());
  std::iota(largest_first.begin(), largest_first.end(), std::size_t{0});
  std::stable_sort(largest_first.begin(), largest_first.end(),
                   [&](std::size_t a, std::size_t b) { return scales[a] > scales[b]; });

  // Reserved here, so that a refused allocation ends the run from this thread, once.
  const int smallest = *std::min_element(scales.begin(), scales.end());
  const int workers = std::clamp(threads, 1, total);
  std::vector<double*> buffers(static_cast<std::size_t>(workers));
  for (double*& buffer : buffers) buffer = reserve_increments(n, smallest);

  std::atomic<int> next{0};
  std::mutex mutex;
  std::condition_variable finished_one;
  int done = 0;
  const auto work = [&](double* increments) {
    for (int k; (k = next.fetch_add(1)) < total;) {
      const std::size_t index = largest_first[static_cast<std::size_t>(k)];
      rows[index] = analyse_scale(x, n, scales[index], s, increments);
      {
        const std::lock_guard<std::mutex> lock(mutex);
        ++done;
      }
      finished_one.notify_one();
    }
  };

  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> pool;
  for (double* buffer : buffers) {
    try {
      pool.emplace_back(work, buffer);
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: the ones running share the work
    }
  }
  if (pool.empty()) {
    work(buffers.front());
  } else {
    std::unique_lock<std::mutex> lock(mutex);
    while (done < total) {
      finished_one.wait_for(lock, std::chrono::milliseconds(100));
      if (progress && done < total) {
        const int so_far = done;
        lock.unlock();
        progress(so_far, total, seconds_since(start));
        lock.lock();
      }
    }
  }
  for (std::thread& t : pool) t.join();
  if (progress) progress(total, total, seconds_since(start));

  for (double* buffer : buffers) release_vector(buffer, 1, 2 * (n - smallest + 1));
  return rows;
}

}  // namespace dinc
