#include "app/app_panel.h"

#include <cstdint>
#include <ctime>

#include "app/main_view.h"
#include "core/random.h"
#include "panel/control_panel.h"
#include "panel/selections.h"

namespace corvane {

QWidget* createControlPanel(MainView& view, PanelHost& host) {
    auto* panel = new ControlPanel(&view, host);
    // The galaxy of the first Run is drawn from a generator seeded again here,
    // as start-up seeded it.
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    setPanelCombos(panel);
    panel->hide();
    return panel;
}

}  // namespace corvane
