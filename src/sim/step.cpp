#include "sim/step.h"

#include "core/state.h"
#include "core/surface.h"
#include "sim/bodies.h"
#include "sim/display.h"
#include "sim/force_fast.h"
#include "sim/force_terms.h"
#include "sim/initial.h"
#include "sim/params.h"

namespace corvane {

KernelState gKernel;

namespace {

bool insideBox(float sx, float sy, float sz) {
    const double cx = gView.centreX;
    const double cy = gView.centreY;
    return -cx - 100 < sx && sx < cx + 100 && -cy - 100 < sy && sy < cy + 100 && -cx - 100 < sz &&
           sz < cx + 100;
}

// Erase, move, and plot again, or respawn a body that left the box (it is
// drawn by the next step).
void driftAndRedraw(DrawingSurface& surface) {
    const double scale = gParams.scale;
    for (int i = 0; i < gParams.bodyCount; ++i) {
        showBody(surface, i, 0);
        Body& b = body(i);
        b.x = static_cast<float>(static_cast<double>(b.x) + b.vx);
        b.y = static_cast<float>(static_cast<double>(b.y) + b.vy);
        b.z = static_cast<float>(static_cast<double>(b.z) + b.vz);
        const float sx = static_cast<float>(b.x / scale);
        const float sy = static_cast<float>(b.y / scale);
        const float sz = static_cast<float>(b.z / scale);
        if (insideBox(sx, sy, sz)) {
            showBody(surface, i, gView.starColour);
        } else {
            placeBody(i);
        }
    }
}

}  // namespace

void setForceKernel(ForceKernel kernel) {
    gKernel.kernel = kernel;
}

void computeForcesReference() {
    const SimParams& p = gParams;
    const double softRadius = p.softRadius;
    for (int q = p.diskEnd; q < p.bodyCount; ++q) {
        Body& receiver = body(q);
        if (p.holeEnabled != 0) addBlackHoleTerm(receiver, p.holeFar, p.holeNear, softRadius);
        for (int b = 0; b < p.diskEnd; ++b) addOneWayTerm(receiver, body(b), softRadius);
        if (mutualEnabled == 1) {
            for (int s = q + 1; s < p.bodyCount; ++s) addMutualTerms(receiver, body(s), softRadius);
        }
    }
    if (p.holeEnabled != 0) {
        for (int d = p.haloCount; d < p.diskEnd; ++d) {
            addBlackHoleTerm(body(d), p.holeFar, p.holeNear, softRadius);
        }
    }
}

void stepSimulation() {
    if (gRun.skipFrame == 1) {
        gRun.skipFrame = 0;
        return;
    }
    gRun.frameCount = gRun.frameCount + 1;
    DrawingSurface& surface = viewSurface();
    if (gRun.dragging == 1) {
        for (int i = 0; i < gParams.bodyCount; ++i) showBody(surface, i, gView.starColour);
        return;
    }
    if (gKernel.kernel == ForceKernel::Reference) {
        computeForcesReference();
    } else {
        computeForcesFast();
    }
    driftAndRedraw(surface);
}

}  // namespace corvane
