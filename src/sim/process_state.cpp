#include "sim/process_state.h"

#include <cstring>

#include "core/random.h"
#include "core/state.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/force_fast.h"
#include "sim/params.h"
#include "sim/step.h"

namespace corvane {

void resetProcessState() {
    resetCoreState();
    resetRandom();
    resetParams();
    resetDefaultSelections();
    setPanelCombos(nullptr);
    setForceKernel(ForceKernel::Fast);
    setKernelThreads(0);
    if (gBodyTable.bodies)
        std::memset(gBodyTable.bodies, 0, MaxBodies * sizeof(Body) + kTableSlackBytes);
    if (gBodyTable.bodyMasses) {
        std::memset(gBodyTable.bodyMasses, 0, MaxBodies * sizeof(float) + kTableSlackBytes);
    }
}

}  // namespace corvane
