#include "core/random.h"
#include "sim/simulation.h"

namespace corvane {

bool makeGalaxy(Simulation& sim, View& view, PanelSelections& panelCombos,
                const GalaxyRecipe& recipe) {
    for (int combo = 0; combo < kComboCount; ++combo) {
        const std::string_view text = recipe.selections[static_cast<std::size_t>(combo)];
        if (!text.empty() && !panelCombos.selectByPrefix(combo, text)) return false;
    }
    setViewGeometry(view, recipe.width, recipe.height);
    seedRandom(sim.random, recipe.seed);
    view.yawAngle = 0.0f;
    view.pitchAngle = 0.0f;
    runCommand(sim, view, selectedTexts(panelCombos));
    return true;
}

}  // namespace corvane
