#include "scenario/process_state.h"

#include <algorithm>
#include <cstring>

#include "scenario/scenario.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/kernel_state.h"

namespace corvane {

void resetProcessState() {
    resetCoreState();
    resetSelectionState();
    resetParams();
    gKernel = KernelState{};
    gFiles = FileState{};
    if (gBodyTable.bodies)
        std::memset(gBodyTable.bodies, 0, MaxBodies * sizeof(Body) + kTableSlackBytes);
    if (gBodyTable.bodyMasses) {
        std::memset(gBodyTable.bodyMasses, 0, MaxBodies * sizeof(float) + kTableSlackBytes);
    }
}

ProcessSnapshot ProcessSnapshot::capture() {
    ProcessSnapshot s;
    s.view = gView;
    s.run = gRun;
    s.random = gRandom;
    for (int combo = 0; combo < kComboCount; ++combo) {
        s.selections[combo] = panelCombos().selectedIndex(combo);
    }
    s.params = gParams;
    s.paramTexts = gParamTexts;
    if (gBodyTable.bodies && gBodyTable.bodyMasses) {
        s.bodies.assign(gBodyTable.bodies, gBodyTable.bodies + MaxBodies);
        s.masses.assign(gBodyTable.bodyMasses, gBodyTable.bodyMasses + MaxBodies);
    }
    s.scenarioPath = gFiles.scenarioPath;
    return s;
}

namespace {

template <typename T>
bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The index of the first record whose bits differ, or -1.
template <typename T>
long firstDifferentRecord(const std::vector<T>& a, const std::vector<T>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (!sameBits(a[i], b[i])) return static_cast<long>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

}  // namespace

std::string ProcessSnapshot::firstDifference(const ProcessSnapshot& o) const {
    if (!sameBits(view, o.view)) return "gView";
    if (!sameBits(run, o.run)) return "gRun";
    if (!sameBits(random, o.random)) return "gRandom";
    if (selections != o.selections) return "selections";
    if (!sameBits(params, o.params)) return "gParams";
    if (paramTexts != o.paramTexts) return "gParamTexts";
    if (long i = firstDifferentRecord(bodies, o.bodies); i >= 0) return "body " + std::to_string(i);
    if (long i = firstDifferentRecord(masses, o.masses); i >= 0) return "mass " + std::to_string(i);
    if (scenarioPath != o.scenarioPath) return "scenarioPath";
    return "";
}

}  // namespace corvane
