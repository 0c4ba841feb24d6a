// The process state as one map: each part is seen by the snapshot and brought
// back by the one reset, so no test and no companion command inherits another's.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/random.h"
#include "core/surface.h"
#include "scenario/process_state.h"
#include "scenario/scenario.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/display.h"
#include "sim/kernel_state.h"

namespace corvane {
namespace {

struct Part {
    const char* difference;  // what firstDifference names after the change
    std::function<void()> change;
};

TEST(ProcessState, EveryPartIsCapturedAndReset) {
    ASSERT_TRUE(createBodyTable());
    resetProcessState();
    const ProcessSnapshot start = ProcessSnapshot::capture();
    SelectionModel panel;
    const Part parts[] = {
        {"gView", [] { gView.pitchAngle = -0.0f; }},
        {"gRun", [] { gRun.frameCount = 3; }},
        {"gRandom", [] { nextRandom(); }},
        {"selections", [] { panelCombos().setSelectedIndex(kComboLayout, 2); }},
        {"selections",
         [&] {
             panel.setSelectedIndex(kComboHalo, 3);
             setPanelCombos(&panel);
         }},
        {"gParams", [] { gParams.softRadius = -0.0f; }},
        {"gParamTexts", [] { gParamTexts[kComboDisk] = "50"; }},
        {"body 14999", [] { body(14999).vz = -0.0f; }},
        {"mass 7", [] { bodyMass(7) = 1.0f; }},
        {"scenarioPath", [] { gFiles.scenarioPath = "other.cvn"; }},
    };
    for (const Part& part : parts) {
        SCOPED_TRACE(part.difference);
        part.change();
        EXPECT_EQ(ProcessSnapshot::capture().firstDifference(start), part.difference);
        resetProcessState();
        EXPECT_EQ(ProcessSnapshot::capture().firstDifference(start), "");
    }
}

// What the snapshot leaves out on purpose is reset all the same.
TEST(ProcessState, KernelControlsAndOutputAreReset) {
    MemorySurface surface;
    gKernel = {ForceKernel::Reference, 3, SimdLevel::Scalar, 2, 5, 9};
    setViewSurface(&surface);
    setBodyProjection([](DrawingSurface&, const Body&, const ViewState&, double, Colour) {});
    resetProcessState();
    const KernelState fresh;
    EXPECT_TRUE(std::memcmp(&gKernel, &fresh, sizeof fresh) == 0);
    EXPECT_EQ(gOutput.viewSurface, nullptr);
    EXPECT_EQ(gOutput.projectBody, nullptr);
    EXPECT_NE(&viewSurface(), &surface);
}

}  // namespace
}  // namespace corvane
