#pragma once
// The one way a galaxy is made outside the panel: the program's Run on a
// view of a given size from a given seed. The companion's `new`, the bench
// and the tests all make their galaxies here.

#include <array>
#include <cstdint>
#include <string_view>

#include "settings/panel_data.h"

namespace corvane {

struct GalaxyRecipe {
    int width = 800;         // view width, pixels
    int height = 600;        // view height, pixels
    std::uint32_t seed = 1;  // the generator's seed before Run
    // Per selection in scene order, the first entry beginning with this text
    // is chosen in panelCombos(); "" keeps the selection as it is.
    std::array<std::string_view, kComboCount> selections{};
};

// Chooses the recipe's selections, sets the view geometry, seeds the
// generator, turns the view back to no rotation, and runs runCommand. The
// body table must exist. Returns false without making a galaxy when a
// selection's text matches no entry.
bool makeGalaxy(const GalaxyRecipe& recipe);

}  // namespace corvane
