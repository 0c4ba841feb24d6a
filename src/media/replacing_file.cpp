#include "replacing_file.h"

#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "io_error.h"

namespace corvane::media {
namespace {

using Slots = std::array<std::atomic<const char*>, 8>;

// Temporary files and folders that an interrupt or termination must not
// leave behind. The signal handler only reads the slots, and unlink and
// rmdir are safe in a handler.
struct PendingTemporaries {
    // Paths of temporary files being written, null for a free slot; all null
    // at start. Each path is owned by its ReplacingFile until it leaves.
    Slots paths{};
    // A TemporaryFolder's file and folder, owned by it until it leaves.
    Slots folderFiles{};
    Slots folders{};
    std::once_flag handlersInstalled;  // the handlers are installed with the first entry
};
PendingTemporaries gPendingTemporaries;

void unlinkAll(const Slots& paths, int (*remove)(const char*)) {
    for (const auto& path : paths) {
        const char* name = path.load();
        if (name) remove(name);
    }
}

void removePendingAndDie(int signal) {
    // Files first: a folder goes only once empty.
    unlinkAll(gPendingTemporaries.paths, unlink);
    unlinkAll(gPendingTemporaries.folderFiles, unlink);
    unlinkAll(gPendingTemporaries.folders, rmdir);
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

void addPending(const char* path, Slots& slots = gPendingTemporaries.paths) {
    std::call_once(gPendingTemporaries.handlersInstalled, installRemovalHandlers);
    for (auto& slot : slots) {
        const char* free = nullptr;
        if (slot.compare_exchange_strong(free, path)) return;
    }
}

void removePending(const char* path, Slots& slots = gPendingTemporaries.paths) {
    for (auto& slot : slots) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

std::string temporaryRoot() {
    const char* root = std::getenv("TMPDIR");
    return root && *root ? root : "/tmp";
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

TemporaryFolder::TemporaryFolder(std::string_view prefix, std::string_view fileName) {
    const std::string root = temporaryRoot();
    std::string name = root + "/" + std::string(prefix) + "-XXXXXX";
    // No interrupt of this thread between making the folder and telling the
    // handlers of it (made before other threads start, of none at all).
    sigset_t ending, before;
    sigemptyset(&ending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &before);
    const bool made = mkdtemp(name.data()) != nullptr;
    const int error = errno;
    if (made) {
        folder_ = name;
        file_ = folder_ + "/" + std::string(fileName);
        addPending(folder_.c_str(), gPendingTemporaries.folders);
        addPending(file_.c_str(), gPendingTemporaries.folderFiles);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (!made) throw IoError("cannot make a folder in " + root + ": " + std::strerror(error));
}

TemporaryFolder::~TemporaryFolder() {
    unlink(file_.c_str());
    rmdir(folder_.c_str());
    removePending(file_.c_str(), gPendingTemporaries.folderFiles);
    removePending(folder_.c_str(), gPendingTemporaries.folders);
}

}  // namespace corvane::media
