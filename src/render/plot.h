#pragma once
// Projection of a body to one pixel, or two in the stereo pair: a pure
// function of the body, the view and the scale.

#include "core/body.h"
#include "core/surface.h"
#include "core/view.h"

namespace corvane {

constexpr double kStereoOffset = 40.0;

// Plots body `b` on `surface` in `shown` (0 erases it): the position divided
// by `scale` (metres per dot) about the view centre, shifted by depth into a
// side-by-side pair when the view is in stereo.
void plotBody(DrawingSurface& surface, const Body& b, const View& view, double scale, Colour shown);

}  // namespace corvane
