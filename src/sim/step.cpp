#include "sim/step.h"

#include "core/surface.h"
#include "sim/display.h"
#include "sim/force_fast.h"
#include "sim/force_terms.h"
#include "sim/initial.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

bool insideBox(const View& view, float sx, float sy, float sz) {
    const double cx = view.centreX;
    const double cy = view.centreY;
    return -cx - 100 < sx && sx < cx + 100 && -cy - 100 < sy && sy < cy + 100 && -cx - 100 < sz &&
           sz < cx + 100;
}

// Erase, move, and plot again, or respawn a body that left the box (it is
// drawn by the next step).
void driftAndRedraw(Simulation& sim, const View& view, DrawingSurface& surface) {
    const double scale = sim.params.scale;
    for (int i = 0; i < sim.params.bodyCount; ++i) {
        showBody(sim, view, surface, i, 0);
        Body& b = sim.body(i);
        b.x = static_cast<float>(static_cast<double>(b.x) + b.vx);
        b.y = static_cast<float>(static_cast<double>(b.y) + b.vy);
        b.z = static_cast<float>(static_cast<double>(b.z) + b.vz);
        const float sx = static_cast<float>(b.x / scale);
        const float sy = static_cast<float>(b.y / scale);
        const float sz = static_cast<float>(b.z / scale);
        if (insideBox(view, sx, sy, sz)) {
            showBody(sim, view, surface, i, view.starColour);
        } else {
            placeBody(sim, view, i);
        }
    }
}

}  // namespace

// Free stars always pull one another; both kernels are written for that.
static_assert(mutualEnabled == 1);

void computeForcesReference(Simulation& sim) {
    const SimParams& p = sim.params;
    const double softRadius = p.softRadius;
    for (int q = p.diskEnd; q < p.bodyCount; ++q) {
        Body& receiver = sim.body(q);
        if (p.holeEnabled != 0) addBlackHoleTerm(receiver, p.holeFar, p.holeNear, softRadius);
        for (int b = 0; b < p.diskEnd; ++b) addOneWayTerm(receiver, sim.body(b), softRadius);
        for (int s = q + 1; s < p.bodyCount; ++s) addMutualTerms(receiver, sim.body(s), softRadius);
    }
    if (p.holeEnabled != 0) {
        for (int d = p.haloCount; d < p.diskEnd; ++d) {
            addBlackHoleTerm(sim.body(d), p.holeFar, p.holeNear, softRadius);
        }
    }
}

bool stepSimulation(Simulation& sim, const View& view) {
    if (sim.skipFrame == 1) {
        sim.skipFrame = 0;
        return false;
    }
    sim.frameCount = sim.frameCount + 1;
    DrawingSurface& surface = viewSurface(view);
    if (view.dragging == 1) {
        for (int i = 0; i < sim.params.bodyCount; ++i)
            showBody(sim, view, surface, i, view.starColour);
        return true;
    }
    if (sim.kernel.kernel == ForceKernel::Reference) {
        computeForcesReference(sim);
    } else {
        computeForcesFast(sim);
    }
    driftAndRedraw(sim, view, surface);
    return true;
}

}  // namespace corvane
