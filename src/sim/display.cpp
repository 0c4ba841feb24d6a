#include "sim/display.h"

#include "render/plot.h"
#include "sim/simulation.h"

namespace corvane {

Colour displayColour(const Simulation& sim, int i, Colour colour) {
    if (colour == 0) return 0;
    if (i < sim.params.haloCount) return kHaloColour;
    if (i < sim.params.diskEnd) return kDiskColour;
    return colour;
}

void showBody(const Simulation& sim, const View& view, DrawingSurface& surface, int i,
              Colour colour) {
    plotBody(surface, sim.body(i), view, sim.params.scale, displayColour(sim, i, colour));
}

void redrawAll(const Simulation& sim, const View& view, DrawingSurface& surface) {
    surface.fillBlack();
    for (int i = 0; i < sim.params.bodyCount; ++i) showBody(sim, view, surface, i, view.starColour);
}

}  // namespace corvane
