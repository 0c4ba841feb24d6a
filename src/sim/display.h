#pragma once
// How the simulation shows the bodies it places, moves and turns: each in
// its population's colour, projected by render's plotBody. redrawAll is in
// sim/simulation.h.

#include "core/surface.h"
#include "core/view.h"

namespace corvane {

struct Simulation;

constexpr Colour kHaloColour = 0xA0A0A0;
constexpr Colour kDiskColour = 0xC0C0C0;

// The population colour body i is shown in when `colour` is asked for: 0
// erases it (black, every population); any other colour shows a halo body
// grey 160, a disk body grey 192 and a free star in `colour`.
Colour displayColour(const Simulation& sim, int i, Colour colour);

// Shows body i on `surface` as `view` shows it, in displayColour(i, colour).
void showBody(const Simulation& sim, const View& view, DrawingSurface& surface, int i,
              Colour colour);

}  // namespace corvane
