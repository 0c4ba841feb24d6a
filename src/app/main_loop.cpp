#include "app/main_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>

namespace corvane {
namespace {

// One dispatcher pass may handle only the sources of the highest priority
// that are ready, so passes repeat until one finds nothing. The bound keeps
// a source that is always ready from stopping the simulation for good.
constexpr int kMaxPassesPerTurn = 64;

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

int MainLoop::run() {
    while (!quitRequested_) {
        handleQueuedEvents();
        if (quitRequested_) break;
        idle_();
    }
    return 0;
}

}  // namespace corvane
