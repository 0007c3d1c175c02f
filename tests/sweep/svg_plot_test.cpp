#include "sweep/svg_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace dinc {
namespace {

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

const std::vector<scale_point> points = {{4, 0.05}, {8, 0.11}, {16, 0.0}, {32, 0.52}, {64, 1.1}};

TEST(plot_svg, MarkersForDrawablePointsFittedLineAndLegend) {
  const scaling_fit fit{4, 4, 64, 1.0734, -4.4, 0.0123};
  const std::string svg = plot_svg(points, fit, "walk.txt: detrending order 1");
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  // One marker per point with F > 0, one more in the legend; the zero has no logarithm.
  EXPECT_EQ(occurrences(svg, "<circle"), 5u);
  EXPECT_NE(svg.find("exponent 1.073 &#177; 0.012"), std::string::npos);
  EXPECT_NE(svg.find(">scale W</text>"), std::string::npos);
  EXPECT_NE(svg.find(">fluctuation F(W)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">walk.txt: detrending order 1</text>"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
}

TEST(plot_svg, TitleIsEscapedAndNoFitDrawsNoLine) {
  const std::string svg = plot_svg({{4, 1.0}}, std::nullopt, "a<b & \"c\".txt");
  EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;.txt</text>"), std::string::npos);
  EXPECT_NE(svg.find("no fit"), std::string::npos);
  EXPECT_EQ(occurrences(svg, "stroke-width=\"2\""), 0u);  // the fitted line and its legend key
  EXPECT_EQ(occurrences(svg, "<circle"), 2u);
}

TEST(plot_svg, NothingToDrawStillGivesAxes) {
  const double nan = std::nan("");
  const std::string svg = plot_svg({{4, 0.0}, {8, nan}}, std::nullopt, "flat");
  EXPECT_EQ(occurrences(svg, "<circle"), 1u);  // the legend's key alone
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_NE(svg.find(">10</text>"), std::string::npos);
}

}  // namespace
}  // namespace dinc
