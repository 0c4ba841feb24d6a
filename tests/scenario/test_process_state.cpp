// Each part of the process state is seen by the snapshot and brought back by
// the one reset, so no test and no companion command inherits another's.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/random.h"
#include "core/surface.h"
#include "scenario/process_state.h"
#include "scenario/scenario.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/kernel_state.h"

namespace corvane {

TEST(ProcessState, EveryPartIsCapturedAndReset) {
    ASSERT_TRUE(createBodyTable());
    resetProcessState();
    const ProcessSnapshot start = ProcessSnapshot::capture();
    SelectionModel panel;
    MemorySurface surface;
    const std::pair<const char*, std::function<void()>> parts[] = {
        {"gView", [] { gView.pitchAngle = -0.0f; }},
        {"gRun", [] { gRun.frameCount = 3; }},
        {"gRandom", [] { nextRandom(); }},
        {"selections", [] { panelCombos().setSelectedIndex(kComboLayout, 2); }},
        {"selections", [&] { panel.setSelectedIndex(kComboHalo, 3), setPanelCombos(&panel); }},
        {"gParams", [] { gParams.softRadius = -0.0f; }},
        {"gParamTexts", [] { gParamTexts[kComboDisk] = "50"; }},
        {"body 14999", [] { body(14999).vz = -0.0f; }},
        {"mass 7", [] { bodyMass(7) = 1.0f; }},
        {"scenarioPath", [] { gFiles.scenarioPath = "other.cvn"; }},
        {"",
         [&] {  // left out of the snapshot: results must not depend on them
             gKernel = {ForceKernel::Reference, 3, SimdLevel::Scalar, 2, 5, 9};
             gOutput = {&surface,
                        [](DrawingSurface&, const Body&, const ViewState&, double, Colour) {}};
         }},
    };
    for (const auto& [difference, change] : parts) {
        change();
        EXPECT_EQ(ProcessSnapshot::capture().firstDifference(start), difference);
        resetProcessState();
        EXPECT_EQ(ProcessSnapshot::capture().firstDifference(start), "") << difference;
        const KernelState kernel;
        EXPECT_EQ(std::memcmp(&gKernel, &kernel, sizeof kernel), 0) << difference;
        EXPECT_TRUE(gOutput.viewSurface == nullptr && gOutput.projectBody == nullptr);
    }
}

}  // namespace corvane
