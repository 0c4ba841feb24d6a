#pragma once
// A simulated galaxy as one object, and the operations through which the
// program, the panel and the companion make it, step it, turn it and draw
// it. Everything a step, a Run or a load reads or changes is a member of
// Simulation; where the bodies are shown is the View handed in beside it.
// Two simulations in one process never share a number.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/clock.h"  // part of the front: secondsSince, for those who time steps
#include "core/random.h"
#include "core/surface.h"
#include "core/view.h"
#include "settings/panel_data.h"  // part of the front: the lists a galaxy is made from
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/kernel_state.h"
#include "sim/params.h"

namespace corvane {

struct Simulation {
    SimParams params;  // the parameters and their derived constants; see SimParams
    // The nine selection texts (UTF-8) the last readParams read: the settings
    // the running bodies were made or loaded with; all empty before the first.
    SelectionTexts paramTexts;
    BodyTable table;     // every body and its mass, zero-filled when the simulation is made
    KernelState kernel;  // which kernel steps run with, and how; see KernelState
    RandomState random;  // the generator placing and weighing bodies; state 1
    int skipFrame = 0;   // 1: the next step only clears this flag; 0
    int frameCount = 0;  // steps since the last title update; 0

    Body& body(int i) { return table.bodies[i]; }
    const Body& body(int i) const { return table.bodies[i]; }
    float& bodyMass(int i) { return table.bodyMasses[i]; }
    float bodyMass(int i) const { return table.bodyMasses[i]; }
};

// "" when both simulations hold the same numbers bit for bit (signed zeros
// and NaN payloads included): parameters, texts, the whole body table, the
// generator and the step counters; otherwise the first part that differs,
// e.g. "body 17". The kernel controls are left out: results never depend
// on them.
std::string firstDifference(const Simulation& a, const Simulation& b);

// The nine selection texts into paramTexts, and the parameters they give
// (paramsFromTexts) into params.
void readParams(Simulation& sim, const SelectionTexts& texts);

// Places and weighs every body from the highest index down with a countdown
// in the view's corner, then repaints the view.
void resetGalaxy(Simulation& sim, const View& view);

// readParams, then resetGalaxy.
void runCommand(Simulation& sim, const View& view, const SelectionTexts& texts);

// Advances the galaxy by one step with the kernel of sim.kernel, drawing on
// the view: forces from the positions at the start of the step, then drift,
// the box test and the incremental redraw. False when the skip flag took the
// step instead: nothing moved and nothing was counted.
bool stepSimulation(Simulation& sim, const View& view);

// Turns every body by the cursor's movement since the last press or drag
// event, erasing and re-plotting each; keeps the view's running angle totals.
void dragRotate(Simulation& sim, View& view, int mouseX, int mouseY);

// Fills `surface` black and shows every body of `sim` as `view` shows it.
void redrawAll(const Simulation& sim, const View& view, DrawingSurface& surface);

// How a galaxy is made outside the panel: the program's Run on a view of a
// given size from a given seed. The companion's `new`, the bench and the
// tests all make their galaxies so.
struct GalaxyRecipe {
    int width = 800;         // view width, pixels
    int height = 600;        // view height, pixels
    std::uint32_t seed = 1;  // the generator's seed before Run
    // Per selection in scene order, the first entry beginning with this text
    // is chosen in the selections; "" keeps the selection as it is.
    std::array<std::string_view, kComboCount> selections{};
};

// Chooses the recipe's selections in `panelCombos`, sets the view geometry,
// seeds the generator, turns the view back to no rotation, and runs
// runCommand. Returns false without making a galaxy when a selection's text
// matches no entry.
bool makeGalaxy(Simulation& sim, View& view, PanelSelections& panelCombos,
                const GalaxyRecipe& recipe);

// Pair terms of one step as N-body codes count them, each mutual pair once
// per side: F x (halo and disk bodies) + F x (F - 1) for F free stars.
double pairTermsPerStep(int freeStars, int pullingBodies);

// The widest vector level this processor (and its operating system)
// supports; the one of them that ran the kernel's tiles fastest here, timed
// once per process; and the one the fast kernel runs with under `kernel`.
SimdLevel supportedSimdLevel();
SimdLevel fastestSimdLevel();
SimdLevel activeSimdLevel(const KernelState& kernel);
// "avx512-newton", "avx512", "avx2" or "scalar".
const char* simdLevelName(SimdLevel level);

// The most threads the fast kernel runs with: the requested count, or else
// every core this process may use, at most OMP_NUM_THREADS when the user
// sets it. Without a requested count each step takes as many of them as its
// work pays for.
int resolvedKernelThreads(const KernelState& kernel);
// Starts the fast kernel's threads, and times its vector paths, now rather
// than in the first step, so that a timed run measures steps only.
void startKernelThreads(const KernelState& kernel);

// The divider's ceiling in pair terms per second: one double square root and
// one double division per term at `level`'s vector width, measured for about
// `seconds` on `threads` threads at once (the fast kernel's).
double measureDividerCeiling(SimdLevel level, int threads, double seconds);

}  // namespace corvane
