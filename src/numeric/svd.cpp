#include "numeric/svd.h"

#include <algorithm>  // min
#include <cmath>

#include "numeric/arrays.h"

namespace dinc {

namespace {

constexpr int max_passes = 30;

// The only test of smallness in the decomposition: q vanishes beside the bidiagonal norm in
// double precision. With a NaN norm it is false for every q.
bool negligible(double q, double bidiag_norm) { return bidiag_norm + std::fabs(q) == bidiag_norm; }

// Plane rotation of columns p and q over rows 1..rows: (p, q) <- (p c + q s, q c - p s).
void rotate_columns(double** mat, int rows, int p, int q, double c, double s) {
  for (int r = 1; r <= rows; ++r) {
    const double y = mat[r][p];
    const double z = mat[r][q];
    mat[r][p] = y * c + z * s;
    mat[r][q] = z * c - y * s;
  }
}

// Householder bidiagonalisation. Reflections from the left zero each column below the
// diagonal (diagonal into w), reflections from the right zero each row beyond the
// superdiagonal (superdiagonal into superdiag); the reflection vectors stay in a for the two
// accumulations. Returns the bidiagonal norm: the largest |w[i]| + |superdiag[i]|, unless a NaN
// among those sums took its place.
double bidiagonalise(double** a, int m, int n, double* w, double* superdiag) {
  // abs_sum and g carry the scale and the new element of each row step into the next i.
  double g = 0.0;
  double abs_sum = 0.0;
  double bidiag_norm = 0.0;
  for (int i = 1; i <= n; ++i) {
    const int l = i + 1;
    // Zero whenever the row step of i - 1 was skipped or met an all-zero segment: in
    // particular superdiag[1] == 0, which stops every split search at l = 1 while the norm is
    // a number.
    superdiag[i] = abs_sum * g;
    g = 0.0;
    double s = 0.0;
    abs_sum = 0.0;

    // Column step. Dividing by abs_sum first keeps the sum of squares clear of overflow and
    // underflow; the segment is scaled back once the reflection has been applied.
    if (i <= m) {
      for (int k = i; k <= m; ++k) abs_sum += std::fabs(a[k][i]);
      if (abs_sum != 0.0) {
        for (int k = i; k <= m; ++k) {
          a[k][i] /= abs_sum;
          s += a[k][i] * a[k][i];
        }
        double f = a[i][i];
        // g opposite in sign to the pivot, so f - g adds magnitudes and cannot cancel.
        g = f >= 0.0 ? -std::sqrt(s) : std::sqrt(s);
        const double h = f * g - s;
        a[i][i] = f - g;
        for (int j = l; j <= n; ++j) {
          double sigma = 0.0;
          for (int k = i; k <= m; ++k) sigma += a[k][i] * a[k][j];
          f = sigma / h;
          for (int k = i; k <= m; ++k) a[k][j] += f * a[k][i];
        }
        for (int k = i; k <= m; ++k) a[k][i] *= abs_sum;
      }
    }
    w[i] = abs_sum * g;
    g = 0.0;
    s = 0.0;
    abs_sum = 0.0;

    // Row step, on the part of row i right of the superdiagonal.
    if (i <= m && i != n) {
      for (int k = l; k <= n; ++k) abs_sum += std::fabs(a[i][k]);
      if (abs_sum != 0.0) {
        for (int k = l; k <= n; ++k) {
          a[i][k] /= abs_sum;
          s += a[i][k] * a[i][k];
        }
        const double f = a[i][l];
        g = f >= 0.0 ? -std::sqrt(s) : std::sqrt(s);
        const double h = f * g - s;
        a[i][l] = f - g;
        // superdiag[l..n] is scratch here; each element is set for good at the start of its i.
        for (int k = l; k <= n; ++k) superdiag[k] = a[i][k] / h;
        for (int j = l; j <= m; ++j) {
          double sigma = 0.0;
          for (int k = l; k <= n; ++k) sigma += a[j][k] * a[i][k];
          for (int k = l; k <= n; ++k) a[j][k] += sigma * superdiag[k];
        }
        for (int k = l; k <= n; ++k) a[i][k] *= abs_sum;
      }
    }

    // Written as "keep if smaller" so that a NaN t replaces the norm rather than being lost
    // in a comparison; a NaN norm is how a non-finite matrix ends in non-convergence.
    const double t = std::fabs(w[i]) + std::fabs(superdiag[i]);
    bidiag_norm = t < bidiag_norm ? bidiag_norm : t;
  }
  return bidiag_norm;
}

// Accumulate V: the row reflections, last to first, each applied to the identity built so far
// in rows and columns i + 1..n.
void accumulate_v(double** a, int n, const double* superdiag, double** v) {
  double g = 0.0;  // superdiag[i + 1], the new element of the row step of i
  int l = n;       // i + 1; neither is read at i = n
  for (int i = n; i >= 1; --i) {
    if (i < n) {
      // g != 0 only if the row step of i ran, so row i of a exists even when m < n.
      if (g != 0.0) {
        // Column i of v holds the reflection vector for a moment; it is cleared below.
        for (int j = l; j <= n; ++j) v[j][i] = (a[i][j] / a[i][l]) / g;
        for (int j = l; j <= n; ++j) {
          double sigma = 0.0;
          for (int k = l; k <= n; ++k) sigma += a[i][k] * v[k][j];
          for (int k = l; k <= n; ++k) v[k][j] += sigma * v[k][i];
        }
      }
      for (int j = l; j <= n; ++j) {
        v[i][j] = 0.0;
        v[j][i] = 0.0;
      }
    }
    v[i][i] = 1.0;
    g = superdiag[i];
    l = i;
  }
}

// Accumulate U in place of a: the column reflections, last to first. Only min(m, n) of them
// exist; for m < n the columns beyond m end as zero.
void accumulate_u(double** a, int m, int n, const double* w) {
  for (int i = std::min(m, n); i >= 1; --i) {
    const int l = i + 1;
    double g = w[i];
    for (int j = l; j <= n; ++j) a[i][j] = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j <= n; ++j) {
        double sigma = 0.0;
        for (int k = l; k <= m; ++k) sigma += a[k][i] * a[k][j];
        const double f = (sigma / a[i][i]) * g;
        for (int k = i; k <= m; ++k) a[k][j] += f * a[k][i];
      }
      for (int j = i; j <= m; ++j) a[j][i] *= g;
    } else {
      for (int j = i; j <= m; ++j) a[j][i] = 0.0;
    }
    a[i][i] += 1.0;
  }
}

// w[l - 1] is negligible while superdiag[l] is not: left rotations in the planes (l - 1, i),
// accumulated into columns l - 1 and i of U, move superdiag[l..k] out until the block splits
// at l.
void cancel_superdiag(double** a, int m, double* w, double* superdiag, double bidiag_norm, int l,
                      int k) {
  const int nm = l - 1;
  double c = 0.0;
  double s = 1.0;
  for (int i = l; i <= k; ++i) {
    const double f = s * superdiag[i];
    superdiag[i] = c * superdiag[i];
    if (negligible(f, bidiag_norm)) break;
    const double g = w[i];
    double h = hypot_safe(f, g);
    w[i] = h;
    h = 1.0 / h;
    c = g * h;
    s = -f * h;
    rotate_columns(a, m, nm, i, c, s);
  }
}

// One implicitly shifted QR sweep over the unreduced block l..k, l < k. The shift is taken
// from the trailing 2 x 2 block; the bulge it creates is chased down the block by pairs of
// rotations, from the right (applied to V) and from the left (applied to U).
void qr_sweep(double** a, int m, double** v, int n, double* w, double* superdiag, int l, int k) {
  double x = w[l];
  const int nm = k - 1;
  double y = w[nm];
  double z = w[k];
  double g = superdiag[nm];
  double h = superdiag[k];
  double f = ((y - z) * (y + z) + (g - h) * (g + h)) / ((h + h) * y);
  g = hypot_safe(f, 1.0);
  // The root of the shift quadratic with the sign of f: the one that avoids cancellation.
  const double g_signed = f >= 0.0 ? std::fabs(g) : -std::fabs(g);
  f = ((x - z) * (x + z) + h * (y / (f + g_signed) - h)) / x;

  double c = 1.0;
  double s = 1.0;
  for (int j = l; j <= nm; ++j) {
    const int i = j + 1;
    g = superdiag[i];
    y = w[i];
    h = s * g;
    g = c * g;
    z = hypot_safe(f, h);
    superdiag[j] = z;
    c = f / z;
    s = h / z;
    f = x * c + g * s;
    g = g * c - x * s;
    h = y * s;
    y = y * c;
    rotate_columns(v, n, j, i, c, s);

    z = hypot_safe(f, h);
    w[j] = z;
    // With f = h = 0 any rotation will do, so the previous c and s are kept.
    if (z != 0.0) {
      z = 1.0 / z;
      c = f * z;
      s = h * z;
    }
    f = c * g + s * y;
    x = c * y - s * g;
    rotate_columns(a, m, j, i, c, s);
  }
  superdiag[l] = 0.0;
  superdiag[k] = f;
  w[k] = x;
}

// Diagonalisation of the bidiagonal form, one singular value at a time from the bottom: w[k]
// has converged when superdiag[k] is negligible; until then each pass sweeps the unreduced
// block that ends at k.
void diagonalise(double** a, int m, int n, double* w, double** v, double* superdiag,
                 double bidiag_norm) {
  for (int k = n; k >= 1; --k) {
    for (int pass = 1;; ++pass) {
      // Split search: the nearest l <= k with superdiag[l] negligible, or with w[l - 1]
      // negligible (then superdiag[l] must first be cancelled). superdiag[1] == 0 ends the
      // search at l = 1 unless the norm is NaN; then it stops there without a split, since
      // there is no w[0] to test.
      int l = k;
      bool split = false;
      bool cancel = false;
      for (;; --l) {
        if (negligible(superdiag[l], bidiag_norm)) {
          split = true;
          break;
        }
        if (l == 1) break;
        if (negligible(w[l - 1], bidiag_norm)) {
          split = true;
          cancel = true;
          break;
        }
      }
      if (cancel) cancel_superdiag(a, m, w, superdiag, bidiag_norm, l, k);

      if (split && l == k) {
        // Converged; singular values are made non-negative by flipping the matching V column.
        const double z = w[k];
        if (z < 0.0) {
          w[k] = -z;
          for (int j = 1; j <= n; ++j) v[j][k] = -v[j][k];
        }
        break;
      }
      if (pass == max_passes) fatal_error("no convergence in 30 svdcmp iterations");

      // No split means a NaN norm: no later test can succeed either, so this pass only
      // counts towards the failure on pass 30 for k = n. Sweeping would spread the NaN and,
      // for k = 1, would need a 2 x 2 block that does not exist.
      if (!split) continue;

      qr_sweep(a, m, v, n, w, superdiag, l, k);
    }
  }
}

}  // namespace

double hypot_safe(double a, double b) {
  const double p = std::fabs(a);
  const double q = std::fabs(b);
  if (q < p) {
    const double r = q / p;
    return p * std::sqrt(1.0 + r * r);
  }
  if (q == 0.0) return 0.0;
  const double r = p / q;
  return q * std::sqrt(1.0 + r * r);
}

void svdcmp(double** a, int m, int n, double* w, double** v) {
  double* superdiag = vector(1, n);
  const double bidiag_norm = bidiagonalise(a, m, n, w, superdiag);
  accumulate_v(a, n, superdiag, v);
  accumulate_u(a, m, n, w);
  diagonalise(a, m, n, w, v, superdiag, bidiag_norm);
  release_vector(superdiag, 1, n);
}

}  // namespace dinc
