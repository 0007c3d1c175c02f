#include "sweep/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace dinc {

namespace {

// The canvas and the plot area inside it, in SVG user units.
constexpr double width = 720, height = 480;
constexpr double left = 92, right = 696, top = 52, bottom = 412;
constexpr const char* point_colour = "#1f5fa6";
constexpr const char* line_colour = "#c8362d";

void append(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append(std::string* out, const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length > 0)
    out->append(buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1));
}

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A span of log10 values with a margin, so that no marker sits on the frame.
struct axis {
  double low;
  double high;

  static axis around(double a, double b) {
    const double margin = std::max(0.06 * (b - a), 0.08);
    return {a - margin, b + margin};
  }

  double fraction(double log_value) const { return (log_value - low) / (high - low); }
};

double to_x(const axis& a, double log_value) {
  return left + (right - left) * a.fraction(log_value);
}

double to_y(const axis& a, double log_value) {
  return bottom - (bottom - top) * a.fraction(log_value);
}

// Calls mark(log10 value, label or null) for the tick marks of the axis: every 1..9 x 10^k inside
// it, labelled at the powers of ten, and also at 2 and 5 when the axis spans less than three
// decades, so that every axis carries a few labels.
template <typename F>
void for_each_tick(const axis& a, F mark) {
  const bool dense_labels = a.high - a.low < 3.0;
  for (int k = static_cast<int>(std::floor(a.low)); k <= static_cast<int>(std::ceil(a.high)); ++k) {
    for (int multiple = 1; multiple <= 9; ++multiple) {
      const double v = k + std::log10(static_cast<double>(multiple));
      if (v < a.low || v > a.high) continue;
      const bool labelled = multiple == 1 || (dense_labels && (multiple == 2 || multiple == 5));
      char label[32];
      std::snprintf(label, sizeof label, "%g", multiple * std::pow(10.0, k));
      mark(v, labelled ? label : nullptr, multiple == 1);
    }
  }
}

}  // namespace

std::string plot_svg(const std::vector<scale_point>& points, const std::optional<scaling_fit>& fit,
                     const std::string& title) {
  std::vector<scale_point> shown;
  for (const scale_point& p : points) {
    if (p.fluctuation > 0.0 && std::isfinite(p.fluctuation)) shown.push_back(p);
  }
  double x_min = 0.0, x_max = 1.0, y_min = 0.0, y_max = 1.0;
  if (!shown.empty()) {
    x_min = y_min = INFINITY;
    x_max = y_max = -INFINITY;
    for (const scale_point& p : shown) {
      x_min = std::min(x_min, std::log10(p.scale));
      x_max = std::max(x_max, std::log10(p.scale));
      y_min = std::min(y_min, std::log10(p.fluctuation));
      y_max = std::max(y_max, std::log10(p.fluctuation));
    }
  }
  const axis xa = axis::around(x_min, x_max);
  const axis ya = axis::around(y_min, y_max);

  std::string svg;
  append(&svg,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
         "viewBox=\"0 0 %g %g\" font-family=\"sans-serif\" font-size=\"13\">\n",
         width, height, width, height);
  append(&svg, "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n");
  svg += "<text x=\"" + std::to_string(static_cast<int>((left + right) / 2)) +
         "\" y=\"28\" text-anchor=\"middle\" font-size=\"15\">" + escaped(title) + "</text>\n";

  // Grid and ticks first, so that the data lie on top of them.
  svg += "<g stroke=\"#d8d8d8\" stroke-width=\"1\">\n";
  for_each_tick(xa, [&](double v, const char*, bool major) {
    if (major)
      append(&svg, "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\"/>\n", to_x(xa, v), top,
             to_x(xa, v), bottom);
  });
  for_each_tick(ya, [&](double v, const char*, bool major) {
    if (major)
      append(&svg, "<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\"/>\n", left, to_y(ya, v),
             right, to_y(ya, v));
  });
  svg += "</g>\n<g stroke=\"black\" stroke-width=\"1\">\n";
  for_each_tick(xa, [&](double v, const char*, bool major) {
    append(&svg, "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\"/>\n", to_x(xa, v), bottom,
           to_x(xa, v), bottom + (major ? 7 : 4));
  });
  for_each_tick(ya, [&](double v, const char*, bool major) {
    append(&svg, "<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\"/>\n", left - (major ? 7 : 4),
           to_y(ya, v), left, to_y(ya, v));
  });
  svg += "</g>\n<g>\n";
  for_each_tick(xa, [&](double v, const char* label, bool) {
    if (label != nullptr) {
      append(&svg, "<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%s</text>\n", to_x(xa, v),
             bottom + 22, label);
    }
  });
  for_each_tick(ya, [&](double v, const char* label, bool) {
    if (label != nullptr) {
      append(&svg, "<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">%s</text>\n", left - 10,
             to_y(ya, v) + 4.5, label);
    }
  });
  svg += "</g>\n";
  append(&svg,
         "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n",
         left, top, right - left, bottom - top);
  append(&svg, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">scale W</text>\n",
         (left + right) / 2, height - 18);
  append(&svg,
         "<text transform=\"translate(24 %g) rotate(-90)\" text-anchor=\"middle\">"
         "fluctuation F(W)</text>\n",
         (top + bottom) / 2);

  if (fit) {
    const auto log10_fitted = [&](int W) {
      return (fit->intercept + fit->slope * std::log(static_cast<double>(W))) / std::log(10.0);
    };
    append(&svg,
           "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
           "stroke-width=\"2\"/>\n",
           to_x(xa, std::log10(fit->low)), to_y(ya, log10_fitted(fit->low)),
           to_x(xa, std::log10(fit->high)), to_y(ya, log10_fitted(fit->high)), line_colour);
  }
  append(&svg, "<g fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\">\n", point_colour);
  for (const scale_point& p : shown) {
    append(&svg, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"4\"/>\n", to_x(xa, std::log10(p.scale)),
           to_y(ya, std::log10(p.fluctuation)));
  }
  svg += "</g>\n";

  // The legend, in the upper left corner, where a growing F(W) leaves room.
  char fit_text[160];
  if (!fit) {
    std::snprintf(fit_text, sizeof fit_text, "no fit: fewer than two scales");
  } else if (std::isnan(fit->standard_error)) {
    std::snprintf(fit_text, sizeof fit_text, "fit, W = %d to %d: exponent %.3f", fit->low,
                  fit->high, fit->slope);
  } else {
    std::snprintf(fit_text, sizeof fit_text, "fit, W = %d to %d: exponent %.3f &#177; %.3f",
                  fit->low, fit->high, fit->slope, fit->standard_error);
  }
  const double lx = left + 14, ly = top + 14;
  append(&svg,
         "<rect x=\"%g\" y=\"%g\" width=\"360\" height=\"52\" fill=\"white\" "
         "fill-opacity=\"0.9\" stroke=\"#999999\"/>\n",
         lx, ly);
  append(&svg,
         "<circle cx=\"%g\" cy=\"%g\" r=\"4\" fill=\"none\" stroke=\"%s\" "
         "stroke-width=\"1.5\"/>\n",
         lx + 20, ly + 17, point_colour);
  append(&svg, "<text x=\"%g\" y=\"%g\">F(W)</text>\n", lx + 40, ly + 21.5);
  if (fit) {
    append(&svg,
           "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" stroke-width=\"2\"/>\n",
           lx + 8, ly + 37, lx + 32, ly + 37, line_colour);
  }
  append(&svg, "<text x=\"%g\" y=\"%g\">%s</text>\n", lx + 40, ly + 41.5, fit_text);
  svg += "</svg>\n";
  return svg;
}

}  // namespace dinc
