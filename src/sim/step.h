#pragma once
// One simulation step: forces from the positions at the start of the step,
// then drift, the box test, and the incremental redraw.

#include "sim/kernel_state.h"

namespace corvane {

// Advances the galaxy by one step with the selected kernel (Fast by default).
void stepSimulation();

void setForceKernel(ForceKernel kernel);

// The velocity changes of one step, all from the current positions.
void computeForcesReference();

}  // namespace corvane
