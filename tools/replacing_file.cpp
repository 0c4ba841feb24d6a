#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "cli_options.h"

namespace corvane::cli {
namespace {

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets, or the target's own when it exists.
mode_t modeFor(const std::string& target) {
    struct stat info {};
    if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

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

ReplacingFile::ReplacingFile(std::string target)
    : target_(std::move(target)), destination_(target_) {
    // A link is followed, so that the file it points to gets the new content.
    std::vector<char> resolved(PATH_MAX + 1);
    if (realpath(target_.c_str(), resolved.data())) destination_ = resolved.data();
    struct stat info {};
    if (stat(destination_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        // A device, pipe or folder cannot take a video, and renaming over it
        // would replace it.
        failure_ = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        throwFailure();
    }
    std::string pattern = folderOf(destination_) + "/." + nameOf(destination_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        failure_ = std::strerror(errno);
        throwFailure();
    }
    temporary_ = name.data();
    addPending(temporary_.c_str());
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
    removePending(temporary_.c_str());
}

void ReplacingFile::fail(int error) {
    if (failure_.empty()) failure_ = std::strerror(error);
}

void ReplacingFile::throwFailure() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    removePending(temporary_.c_str());
    temporary_.clear();
    throw IoError("cannot write " + target_ + ": " + failure_);
}

bool ReplacingFile::write(const void* data, std::size_t size) {
    if (!failure_.empty() || fd_ < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd_, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::int64_t ReplacingFile::seek(std::int64_t offset, int whence) {
    if (!failure_.empty() || fd_ < 0) return -1;
    off_t at = lseek(fd_, static_cast<off_t>(offset), whence);
    if (at < 0) fail(errno);
    return at;
}

std::int64_t ReplacingFile::size() const {
    struct stat info {};
    return fd_ >= 0 && fstat(fd_, &info) == 0 ? info.st_size : -1;
}

void ReplacingFile::commit() {
    if (!failure_.empty() || fd_ < 0) {
        if (failure_.empty()) failure_ = std::strerror(EBADF);
        throwFailure();
    }
    if (fchmod(fd_, modeFor(destination_)) != 0 || fsync(fd_) != 0) fail(errno);
    int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) fail(errno);
    if (failure_.empty() && rename(temporary_.c_str(), destination_.c_str()) != 0) fail(errno);
    if (!failure_.empty()) throwFailure();
    committed_ = true;
    removePending(temporary_.c_str());
}

}  // namespace corvane::cli
