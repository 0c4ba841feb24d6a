#include "app/app_panel.h"

#include <cstdint>
#include <ctime>

#include "app/main_view.h"
#include "app/x11_desktop.h"
#include "core/random.h"
#include "panel/control_panel.h"
#include "settings/selections.h"

namespace corvane {

QWidget* createControlPanel(MainView& view, PanelHost& host) {
    auto* panel = new ControlPanel(&view, host);
    // The galaxy of the first Run is drawn from a generator seeded again here,
    // as start-up seeded it.
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    setPanelCombos(panel);
    // Without minimise and maximise under every window manager that knows
    // the type; Qt already made it transient for the view.
    x11::setToolWindowType(panel->winId());
    panel->hide();
    return panel;
}

}  // namespace corvane
