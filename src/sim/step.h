#pragma once
// The reference force phase: the literal serial pair loops that define the
// numbers. stepSimulation is in sim/simulation.h.

namespace corvane {

struct Simulation;

// The velocity changes of one step, all from the current positions.
void computeForcesReference(Simulation& sim);

}  // namespace corvane
