#pragma once
// A clean process for each test: start values everywhere, a body table, a
// view of the given size drawn into memory.

#include <gtest/gtest.h>

#include "core/state.h"
#include "core/surface.h"
#include "render/plot.h"
#include "scenario/process_state.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/display.h"

namespace corvane {

// Start values everywhere, bodies drawn as the program draws them.
inline void resetForTest() {
    resetProcessState();
    setBodyProjection(&plotBody);
}

class WorldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetForTest();
        ASSERT_TRUE(createBodyTable());
        useView(800, 600);
        setViewSurface(&surface);
    }
    void TearDown() override { resetProcessState(); }
    void useView(int width, int height) {
        setViewGeometry(width, height);
        surface.resize(width, height);
    }
    // Selects the named entries in the stand-in selections.
    void select(int combo, std::string_view text) {
        ASSERT_TRUE(panelCombos().selectByPrefix(combo, text)) << text;
    }

    MemorySurface surface;
};

}  // namespace corvane
