#pragma once
// The program's main loop: queued events first, then one simulation step,
// again and again, never waiting while there is work. Events posted within
// the program are handled before every step; the window system's sources
// are looked at whenever half a millisecond has passed since the last look.

#include <functional>

namespace corvane {

class MainLoop {
  public:
    // `idle` runs once each time the queue has been emptied.
    explicit MainLoop(std::function<void()> idle) : idle_(std::move(idle)) {}

    // Runs until a quit is requested; returns the exit status, 0.
    int run();

    // Ends run() before any further idle call; also when asked from inside
    // an event handler or from the idle function itself.
    void requestQuit() { quitRequested_ = true; }

    // While set, each turn first waits until an event comes (a paused
    // program takes no processor time); the idle function still runs after.
    void setWaitingForEvents(bool waiting) { waiting_ = waiting; }

    // Handles every event that is waiting, without waiting for more. Steps
    // only ever run here at the top level: a modal dialog's own loop handles
    // events but never calls the idle function.
    static void handleQueuedEvents();
    // Handles only the events posted to the program's own objects, also
    // those whose deletion was deferred.
    static void handlePostedEvents();

  private:
    std::function<void()> idle_;
    bool quitRequested_ = false;
    bool waiting_ = false;
};

}  // namespace corvane
