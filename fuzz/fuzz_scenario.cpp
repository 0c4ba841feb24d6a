// Any bytes load as a scene without a crash; what is loaded is finite, the
// populations are in order and within 15 000, and a scene saved after the
// load saves again byte for byte after loading it once more.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scenario/scenario.h"
#include "sim/simulation.h"

namespace {

using namespace corvane;

constexpr int kMaxPopulation = 15000;

void require(bool condition) {
    if (!condition) std::abort();
}

void checkLoaded(const Simulation& sim) {
    const SimParams& p = sim.params;
    require(0 <= p.haloCount && p.haloCount <= p.diskEnd);
    require(p.diskEnd <= p.bodyCount && p.bodyCount <= kMaxPopulation);
    for (int i = 0; i < p.bodyCount; ++i) {
        const Body& b = sim.body(i);
        for (float v :
             {b.x, b.y, b.z, b.vx, b.vy, b.vz, sim.bodyMass(i), b.farCoeff, b.nearCoeff}) {
            require(std::isfinite(v));
        }
    }
}

QByteArray saveRunningScenario(const Simulation& sim, const SelectionModel& selections) {
    return composeScenario(sim, scenarioSelectionTexts(sim, selections), sim.params.bodyCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One simulation for every input, brought back to the start values by a
    // copy, so that a run allocates nothing per input.
    static const Simulation fresh;
    static Simulation sim;
    static MemorySurface surface(64, 48);
    require(fresh.table.exists() && sim.table.exists());
    sim = fresh;
    SelectionModel selections;
    View view;
    setViewGeometry(view, surface.width(), surface.height());
    view.surface = &surface;

    applyScenario(sim, view, selections,
                  std::string_view(reinterpret_cast<const char*>(data), size));
    checkLoaded(sim);
    const QByteArray saved = saveRunningScenario(sim, selections);
    applyScenario(sim, view, selections,
                  std::string_view(saved.constData(), static_cast<std::size_t>(saved.size())));
    checkLoaded(sim);
    require(saveRunningScenario(sim, selections) == saved);
    return 0;
}
