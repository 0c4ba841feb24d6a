#pragma once
// What the control panel's commands need from the program around it: the
// program's state, and three services. The desktop program implements it;
// tests stand in for it.

#include <string>

#include "scenario/scenario.h"
#include "sim/simulation.h"

namespace corvane {

// The main window's frame and rectangle handling.
struct WindowState {
    int frameMode = 1;         // window frame mode 0, 1 or 2; replaced at start-up; 1
    int frameModePending = 0;  // 1: frameMode changed, not yet applied; 0
    int saveRectOnExit = 1;    // 1: size changes and closing store the window rectangle; 1
};

// Everything the desktop program keeps while it runs, in one place: the
// galaxy, the view it is shown in, the main window's modes and the scene
// file in use. The program owns one.
struct ProgramState {
    Simulation simulation;
    View view;
    WindowState window;
    // The file the next save writes and the next load reads: the name's
    // bytes as the file system stores them (UTF-8 for names the file dialogs
    // give, any bytes from the command line); "def.cvn".
    std::string scenarioPath = kDefaultScenarioPath;
};

class PanelHost {
  public:
    virtual ~PanelHost() = default;
    virtual ProgramState& programState() = 0;
    // Sets the main view's title (UTF-8).
    virtual void setViewTitle(const std::string& titleUtf8) = 0;
    // Stores the frame mode under "taitolbar" in the boot-settings file.
    virtual void writeFrameMode(int mode) = 0;
    // Ends the program: the main loop stops before any further step.
    virtual void requestQuit() = 0;
};

}  // namespace corvane
