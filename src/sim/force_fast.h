#pragma once
// The fast force kernel: receiver-parallel and vectorised, bit-identical to
// the reference pair loops. Its controls and figures are in sim/simulation.h.

namespace corvane {

struct Simulation;

// The velocity changes of one step, all from the current positions.
void computeForcesFast(Simulation& sim);

}  // namespace corvane
