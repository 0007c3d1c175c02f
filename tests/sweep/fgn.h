// Exact fractional Gaussian noise for the tests, by circulant embedding of its covariance
// (the method of Davies and Harte): the samples have exactly the covariance of the process,
// with no approximation in the spectrum, so a fitted exponent can be held to a tight bound.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace fgn {

// In-place radix-2 FFT, sum over j of a[j] exp(-2 pi i j k / m), m a power of two.
inline void fft(std::vector<std::complex<double>>& a) {
  const std::size_t m = a.size();
  for (std::size_t i = 1, j = 0; i < m; ++i) {
    std::size_t bit = m >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  const double pi = std::acos(-1.0);
  for (std::size_t len = 2; len <= m; len <<= 1) {
    for (std::size_t start = 0; start < m; start += len) {
      for (std::size_t k = 0; k < len / 2; ++k) {
        // Each twiddle from its own angle: a running product would drift over long transforms.
        const std::complex<double> w =
            std::polar(1.0, -2.0 * pi * static_cast<double>(k) / static_cast<double>(len));
        const std::complex<double> u = a[start + k], v = a[start + k + len / 2] * w;
        a[start + k] = u + v;
        a[start + k + len / 2] = u - v;
      }
    }
  }
}

// The autocovariance of unit-variance fractional Gaussian noise at lag k.
inline double autocovariance(std::size_t k, double H) {
  const double d = static_cast<double>(k), e = 2.0 * H;
  return 0.5 * (std::pow(d + 1.0, e) - 2.0 * std::pow(d, e) + std::pow(std::fabs(d - 1.0), e));
}

// Standard normal deviates by Box-Muller from the raw bits of mt19937_64, so the series do not
// depend on the standard library's distributions.
class gaussian {
 public:
  explicit gaussian(std::uint64_t seed) : rng_(seed) {}

  double operator()() {
    if (has_spare_) {
      has_spare_ = false;
      return spare_;
    }
    const double u1 = (static_cast<double>(rng_() >> 11) + 1.0) * 0x1p-53;  // (0, 1]
    const double u2 = static_cast<double>(rng_() >> 11) * 0x1p-53;
    const double r = std::sqrt(-2.0 * std::log(u1)), t = 2.0 * std::acos(-1.0) * u2;
    spare_ = r * std::sin(t);
    has_spare_ = true;
    return r * std::cos(t);
  }

 private:
  std::mt19937_64 rng_;
  bool has_spare_ = false;
  double spare_ = 0.0;
};

// n samples (n a power of two) of unit-variance fractional Gaussian noise with Hurst
// exponent H in (0, 1). The embedding of size 2n has no negative eigenvalue for this
// covariance, which is what makes the method exact.
inline std::vector<double> generate(std::size_t n, double H, std::uint64_t seed) {
  const std::size_t m = 2 * n;
  std::vector<std::complex<double>> c(m);
  for (std::size_t k = 0; k <= n; ++k) c[k] = autocovariance(k, H);
  for (std::size_t k = n + 1; k < m; ++k) c[k] = autocovariance(m - k, H);
  fft(c);  // the eigenvalues of the circulant, real since c is symmetric

  gaussian z(seed);
  const double md = static_cast<double>(m);
  std::vector<std::complex<double>> w(m);
  for (std::size_t k = 0; k <= n; ++k) {
    const double lambda = c[k].real();
    if (lambda < -1e-9) throw std::runtime_error("negative eigenvalue in the embedding");
    const double s = std::sqrt(std::max(lambda, 0.0) / (k == 0 || k == n ? md : 2.0 * md));
    if (k == 0 || k == n) {
      w[k] = s * z();
    } else {
      const double re = z(), im = z();
      w[k] = {s * re, s * im};
      w[m - k] = {s * re, -s * im};
    }
  }
  fft(w);
  std::vector<double> x(n);
  for (std::size_t j = 0; j < n; ++j) x[j] = w[j].real();
  return x;
}

}  // namespace fgn
