#pragma once

namespace corvane {

// Brings the toolkit-free process-wide state back to its start values: view
// and run state, the generator, the simulation parameters, the stand-in
// selections and the kernel choice. The body table keeps its storage but is
// zero-filled again. For tests and for the command-line companion.
void resetProcessState();

}  // namespace corvane
