#include "app/main_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <chrono>

namespace corvane {
namespace {

// One dispatcher pass may handle only the sources of the highest priority
// that are ready, so passes repeat until one finds nothing. The bound keeps
// a source that is always ready from stopping the simulation for good.
constexpr int kMaxPassesPerTurn = 64;

// A pass over the window system's sources (input, timers, painting) costs
// several microseconds, longer than a whole step of the 30-star galaxy, while
// a look at the program's own posted events costs next to nothing. The own
// events are therefore handled before every step, the window system's at
// least this often: far below anything a user can notice, and a small galaxy
// steps at nearly the rate of the bench.
constexpr std::chrono::microseconds kSourcePollInterval{500};

}  // namespace

void MainLoop::handleQueuedEvents() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher) {
        for (int pass = 0; pass < kMaxPassesPerTurn; ++pass) {
            if (!dispatcher->processEvents(QEventLoop::AllEvents)) break;
        }
    }
    // Without a running QEventLoop, objects whose deleteLater() was called
    // outside any event handler would never be deleted; this is the top level,
    // where deleting them is safe.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MainLoop::handlePostedEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int MainLoop::run() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPass = Clock::now() - kSourcePollInterval;
    while (!quitRequested_) {
        if (waiting_) {
            if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
                dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
        }
        const Clock::time_point now = Clock::now();
        if (now - lastPass >= kSourcePollInterval) {
            handleQueuedEvents();
            lastPass = now;
        } else {
            handlePostedEvents();
        }
        if (quitRequested_) break;
        idle_();
    }
    return 0;
}

}  // namespace corvane
