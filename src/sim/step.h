#pragma once
// One simulation step: forces from the positions at the start of the step,
// then drift, the box test, and the incremental redraw.

namespace corvane {

enum class ForceKernel {
    Reference,  // the literal serial pair loops: the definition of the numbers
    Fast,       // receiver-parallel and vectorised, bit-identical to Reference
};

// Advances the galaxy by one step with the selected kernel (Fast by default).
void stepSimulation();

void setForceKernel(ForceKernel kernel);

// The velocity changes of one step, all from the current positions.
void computeForcesReference();

}  // namespace corvane
