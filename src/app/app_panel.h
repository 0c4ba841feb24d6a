#pragma once
// Creation of the control panel, kept apart so that the panel can be built
// and swapped in on its own.

#include <QWidget>

#include "panel/panel_host.h"

namespace corvane {

class MainView;

// Creates the hidden control panel, owned by `view`, and makes it the
// selections the program reads its settings from. Returns the window a
// right click shows, or nullptr without a panel: the in-memory selections at
// the panel's defaults then stand in for it.
QWidget* createControlPanel(MainView& view, PanelHost& host);

}  // namespace corvane
