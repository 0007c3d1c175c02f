// The log-log plot of a sweep as a stand-alone SVG document.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sweep/scaling_fit.h"

namespace dinc {

// Returns the SVG text of F(W) against W on log-log axes: one marker per point with F > 0
// (finite), the fitted line across the fit's scales, the exponent and its standard error in the
// legend, decade grid lines, labelled axes and the title (escaped for XML here). Without a fit
// only the markers are drawn; without any point to draw, the axes span 1 to 10.
std::string plot_svg(const std::vector<scale_point>& points, const std::optional<scaling_fit>& fit,
                     const std::string& title);

}  // namespace dinc
