#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace corvane {
namespace {

FileResult failure(int error) {
    return {error, std::strerror(error)};
}

FileResult failure(int error, const char* reason) {
    return {error, reason};
}

// Closes a descriptor once, whatever path the caller leaves by.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; a delayed write error (NFS, some full disks) shows here.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

FileResult writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return failure(errno);
        if (written == 0) return failure(EIO);
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// The file a save replaces: a symbolic link is followed to the file it names,
// so the link stays a link.
std::string finalTarget(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A new, exclusively created file beside `target`; the process's umask
// applies as for any new file.
int createBeside(const std::string& target, std::string& name) {
    static unsigned counter = 0;
    const auto ticks =
        static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%06lx",
                      (ticks + ++counter * 7919ul + ::getpid()) & 0xFFFFFFul);
        name = target + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

FileResult writeAndSync(Descriptor& file, std::string_view data) {
    if (FileResult written = writeAll(file.get(), data); !written.ok()) return written;
    // File systems that cannot sync (EINVAL) have nothing to flush.
    if (::fsync(file.get()) != 0 && errno != EINVAL) return failure(errno);
    if (file.close() != 0) return failure(errno);
    return {};
}

}  // namespace

FileResult readRegularFile(const std::string& path, std::size_t limit, std::string& data) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return failure(errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return failure(errno);
    if (S_ISDIR(info.st_mode)) return failure(EISDIR);
    if (!S_ISREG(info.st_mode)) return failure(EINVAL, "Not a regular file");

    std::string content;
    content.reserve(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), limit));
    std::vector<char> piece(1 << 16);
    while (content.size() < limit) {
        const std::size_t want = std::min(piece.size(), limit - content.size());
        const ssize_t got = ::read(file.get(), piece.data(), want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failure(errno);
        if (got == 0) break;
        content.append(piece.data(), static_cast<std::size_t>(got));
    }
    data = std::move(content);
    return {};
}

FileResult replaceFile(const std::string& path, std::string_view data) {
    const std::string target = finalTarget(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return failure(EISDIR);
    if (exists && ::access(target.c_str(), W_OK) != 0) return failure(errno);

    std::string temporary;
    Descriptor file(createBeside(target, temporary));
    if (file.get() < 0) return failure(errno);
    if (exists) ::fchmod(file.get(), existing.st_mode & 07777);
    FileResult result = writeAndSync(file, data);
    if (result.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) result = failure(errno);
    if (!result.ok()) ::unlink(temporary.c_str());
    return result;
}

}  // namespace corvane
