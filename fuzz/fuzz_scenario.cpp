// Any bytes load as a scene without a crash; what is loaded is finite, the
// populations are in order and within 15 000, and a scene saved after the
// load saves again byte for byte after loading it once more.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/state.h"
#include "core/surface.h"
#include "scenario/process_state.h"
#include "scenario/scenario.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/params.h"

namespace {

using namespace corvane;

constexpr int kMaxPopulation = 15000;

void require(bool condition) {
    if (!condition) std::abort();
}

void checkLoaded() {
    require(0 <= gParams.haloCount && gParams.haloCount <= gParams.diskEnd);
    require(gParams.diskEnd <= gParams.bodyCount && gParams.bodyCount <= kMaxPopulation);
    for (int i = 0; i < gParams.bodyCount; ++i) {
        const Body& b = body(i);
        for (float v : {b.x, b.y, b.z, b.vx, b.vy, b.vz, bodyMass(i), b.farCoeff, b.nearCoeff}) {
            require(std::isfinite(v));
        }
    }
}

QByteArray saveRunningScenario() {
    return composeScenario(scenarioSelectionTexts(), gParams.bodyCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemorySurface surface(64, 48);
    static const bool tableReady = createBodyTable();
    require(tableReady);
    resetProcessState();
    setViewGeometry(surface.width(), surface.height());
    setViewSurface(&surface);

    applyScenario(std::string_view(reinterpret_cast<const char*>(data), size));
    checkLoaded();
    const QByteArray saved = saveRunningScenario();
    applyScenario(std::string_view(saved.constData(), static_cast<std::size_t>(saved.size())));
    checkLoaded();
    require(saveRunningScenario() == saved);
    setViewSurface(nullptr);
    return 0;
}
