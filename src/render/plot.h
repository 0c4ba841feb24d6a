#pragma once
// Projection of a body to one pixel (two in the stereo pair) and the full
// repaint of the view.

#include "core/state.h"
#include "core/surface.h"

namespace corvane {

constexpr Colour kHaloColour = 0xA0A0A0;
constexpr Colour kDiskColour = 0xC0C0C0;
constexpr double kStereoOffset = 40.0;

// Plots body i on `surface`. Colour 0 erases it (black, every population); any
// other colour shows a halo body grey 160, a disk body grey 192 and a free
// star in `colour`.
void plotBody(DrawingSurface& surface, int i, Colour colour);

// Fills the view black and plots every body in starColour.
void redrawAll(DrawingSurface& surface);
void redrawAll();

// The population colour body i is shown in when `colour` is asked for.
Colour displayColour(int i, Colour colour);

}  // namespace corvane
