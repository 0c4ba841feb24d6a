#include "replacing_file.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <mutex>

#include "io_error.h"

namespace corvane::media {
namespace {

// Temporary files that an interrupt or termination must not leave behind.
// The signal handler only reads the slots, and unlink is safe in a handler.
struct PendingTemporaries {
    // Paths of temporary files being written, null for a free slot; all null
    // at start. Each path is owned by its ReplacingFile until it leaves.
    std::array<std::atomic<const char*>, 8> paths{};
    std::once_flag handlersInstalled;  // the handlers are installed with the first file
};
PendingTemporaries gPendingTemporaries;

void removePendingAndDie(int signal) {
    for (auto& path : gPendingTemporaries.paths) {
        const char* name = path.load();
        if (name) unlink(name);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Handles the signals that end a process from the terminal or the system,
// leaving alone those the caller chose to ignore.
void installRemovalHandlers() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction removal {};
        removal.sa_handler = removePendingAndDie;
        sigemptyset(&removal.sa_mask);
        sigaction(signal, &removal, nullptr);
    }
}

void addPending(const char* path) {
    std::call_once(gPendingTemporaries.handlersInstalled, installRemovalHandlers);
    for (auto& slot : gPendingTemporaries.paths) {
        const char* free = nullptr;
        if (slot.compare_exchange_strong(free, path)) return;
    }
}

void removePending(const char* path) {
    for (auto& slot : gPendingTemporaries.paths) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)), file_(target_) {
    throwIfFailed();
    // An unnamed temporary file (the usual case) has nothing to remove.
    pending_ = file_.temporaryPath();
    if (!pending_.empty()) addPending(pending_.c_str());
}

ReplacingFile::~ReplacingFile() {
    removePending(pending_.c_str());
}

void ReplacingFile::throwIfFailed() {
    if (file_.status().ok()) return;
    removePending(pending_.c_str());
    throw IoError("cannot write " + target_ + ": " + file_.status().reason);
}

void ReplacingFile::commit() {
    file_.commit();
    throwIfFailed();
    removePending(pending_.c_str());
}

}  // namespace corvane::media
