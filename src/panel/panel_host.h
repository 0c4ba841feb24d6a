#pragma once
// What the control panel's commands need from the program around it. The
// desktop program implements it; tests stand in for it.

#include <string>

namespace corvane {

class PanelHost {
  public:
    virtual ~PanelHost() = default;
    // Sets the main view's title (UTF-8).
    virtual void setViewTitle(const std::string& titleUtf8) = 0;
    // Stores the frame mode under "taitolbar" in the boot-settings file.
    virtual void writeFrameMode(int mode) = 0;
    // Ends the program: the main loop stops before any further step.
    virtual void requestQuit() = 0;
};

}  // namespace corvane
