#pragma once
// The whole toolkit-free process state as one thing: brought back to its start
// values in one call, and captured whole to be compared bit for bit. Its parts
// are gView, gRun, gRandom and gOutput (core/state.h), gSelections
// (settings/selections.h), gParams and gParamTexts (sim/params.h), gBodyTable
// (sim/bodies.h), gKernel (sim/kernel_state.h) and gFiles (scenario.h).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/body.h"
#include "core/state.h"
#include "settings/panel_data.h"
#include "sim/params.h"

namespace corvane {

// Every part back to its start value. The body table keeps its storage but is
// zero-filled again; the fast kernel's threads keep running, idle. For tests
// and for the command-line companion.
void resetProcessState();

// Everything a step, a load or a save reads or writes. The kernel controls and
// the output hooks are left out: results must not depend on them.
struct ProcessSnapshot {
    ViewState view;
    RunState run;
    RandomState random;
    std::array<int, kComboCount> selections{};  // panelCombos()' selected indices
    SimParams params;
    std::array<std::string, kComboCount> paramTexts;
    std::vector<Body> bodies;   // the whole table, MaxBodies records; empty without a table
    std::vector<float> masses;  // likewise
    std::string scenarioPath;

    static ProcessSnapshot capture();
    // "" when both are the same bit for bit (signed zeros and NaN payloads
    // included); otherwise the first part that differs, e.g. "body 17".
    std::string firstDifference(const ProcessSnapshot& other) const;
    bool operator==(const ProcessSnapshot& other) const { return firstDifference(other).empty(); }
};

}  // namespace corvane
