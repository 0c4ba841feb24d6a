#include "sim/galaxy_maker.h"

#include "core/random.h"
#include "core/state.h"
#include "settings/selections.h"
#include "sim/initial.h"

namespace corvane {

bool makeGalaxy(const GalaxyRecipe& recipe) {
    PanelSelections& selections = panelCombos();
    for (int combo = 0; combo < kComboCount; ++combo) {
        const std::string_view text = recipe.selections[static_cast<std::size_t>(combo)];
        if (!text.empty() && !selections.selectByPrefix(combo, text)) return false;
    }
    setViewGeometry(recipe.width, recipe.height);
    seedRandom(recipe.seed);
    gView.yawAngle = 0.0f;
    gView.pitchAngle = 0.0f;
    runCommand();
    return true;
}

}  // namespace corvane
