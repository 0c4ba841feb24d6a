#pragma once
// A new galaxy for each test: a simulation at its start values, a view of
// the given size drawn into memory, and selections at their defaults.

#include <gtest/gtest.h>

#include "sim/simulation.h"

namespace corvane {

// A simulation with the view and selections it is made, stepped and drawn
// with; `surface` holds the view's picture.
struct Galaxy {
    Galaxy(int width = 800, int height = 600) {
        useView(width, height);
        view.surface = &surface;
    }
    Galaxy(const Galaxy&) = delete;
    Galaxy& operator=(const Galaxy&) = delete;

    void useView(int width, int height) {
        setViewGeometry(view, width, height);
        surface.resize(width, height);
    }
    bool make(const GalaxyRecipe& recipe) { return makeGalaxy(sim, view, selections, recipe); }
    bool step() { return stepSimulation(sim, view); }

    Simulation sim;
    View view;
    SelectionModel selections;
    MemorySurface surface;
};

class WorldTest : public ::testing::Test, protected Galaxy {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.table.exists()); }
    // Selects the named entries in the selections.
    void select(int combo, std::string_view text) {
        ASSERT_TRUE(selections.selectByPrefix(combo, text)) << text;
    }
};

}  // namespace corvane
