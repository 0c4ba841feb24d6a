#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
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

  private:
    int fd_;
};

// The file a save replaces: a symbolic link is followed to the file it names.
std::string finalTarget(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The name a temporary file beside `target` gets, before its six last letters.
std::string temporaryStem(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".";
}

std::string folderOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : target.substr(0, slash);
}

std::string descriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// A file without a name in the folder of `target`, that a killed process
// leaves nowhere; -1 where the file system or the kernel has none, or where
// it could not be given a name later (no /proc).
int openUnnamed(const std::string& target) {
#ifdef O_TMPFILE
    const int fd = ::open(folderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat byDescriptor {};
    struct stat byPath {};
    if (::fstat(fd, &byDescriptor) == 0 && ::stat(descriptorPath(fd).c_str(), &byPath) == 0 &&
        byDescriptor.st_ino == byPath.st_ino) {
        return fd;
    }
    ::close(fd);
#else
    (void)target;
#endif
    return -1;
}

// Gives the unnamed file `fd` a fresh temporary name beside `target`; the
// name, or "" with errno set.
std::string nameUnnamed(int fd, const std::string& target) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::uniform_int_distribution<int> letter(0, sizeof kLetters - 2);
    const std::string stem = temporaryStem(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem;
        for (int i = 0; i < 6; ++i) name += kLetters[letter(device)];
        if (::linkat(AT_FDCWD, descriptorPath(fd).c_str(), AT_FDCWD, name.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            return name;
        }
        if (errno != EEXIST) return {};
    }
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

ReplacingFile::ReplacingFile(const std::string& target) : destination_(finalTarget(target)) {
    create();
}

void ReplacingFile::create() {
    struct stat existing {};
    const bool exists = ::stat(destination_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return fail(EISDIR);
    // Renaming over a device or pipe would replace it.
    if (exists && !S_ISREG(existing.st_mode)) return fail(EINVAL, "Not a regular file");
    if (exists && ::access(destination_.c_str(), W_OK) != 0) return fail(errno);

    // Unnamed until written in full where the system can, so that a killed
    // process leaves nothing behind; else under a temporary name.
    fd_ = openUnnamed(destination_);
    unnamed_ = fd_ >= 0;
    if (!unnamed_) {
        std::string pattern = temporaryStem(destination_) + "XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) return fail(errno);
        temporary_ = name.data();
    }
    // A replaced file keeps its permissions; a new one gets the umask's.
    mode_t mode = existing.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd_, mode) != 0) fail(errno);
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::fail(int error) {
    fail(error, std::strerror(error));
}

void ReplacingFile::fail(int error, const char* reason) {
    if (status_.ok()) status_ = failure(error, reason);
    discard();
}

void ReplacingFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool ReplacingFile::write(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail(written < 0 ? errno : EIO);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::int64_t ReplacingFile::seek(std::int64_t offset, int whence) {
    if (fd_ < 0) return -1;
    const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (at < 0) fail(errno);
    return at;
}

std::int64_t ReplacingFile::size() const {
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 ? info.st_size : -1;
}

std::int64_t ReplacingFile::readAt(void* data, std::size_t size, std::int64_t offset) const {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t got = ::pread(fd_, data, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR) return got;
    }
}

FileResult ReplacingFile::commit() {
    if (fd_ < 0) {
        if (status_.ok()) status_ = failure(EBADF);
        return status_;
    }
    // File systems that cannot sync (EINVAL) have nothing to flush.
    if (::fsync(fd_) != 0 && errno != EINVAL) {
        fail(errno);
        return status_;
    }
    if (unnamed_) {
        temporary_ = nameUnnamed(fd_, destination_);
        if (temporary_.empty()) {
            fail(errno);
            return status_;
        }
    }
    // A delayed write error (NFS, some full disks) shows at the close.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        fail(errno);
        return status_;
    }
    temporary_.clear();
    return status_;
}

FileResult replaceFile(const std::string& path, std::string_view data) {
    ReplacingFile file(path);
    file.write(data.data(), data.size());
    return file.commit();
}

}  // namespace corvane
