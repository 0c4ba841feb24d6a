#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
    struct stat info {};
    if (stat(target_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        failure_ = std::strerror(EISDIR);
        throwFailure();
    }
    std::string pattern = folderOf(target_) + "/." + nameOf(target_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        failure_ = std::strerror(errno);
        throwFailure();
    }
    temporary_ = name.data();
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

void ReplacingFile::fail(int error) {
    if (failure_.empty()) failure_ = std::strerror(error);
}

void ReplacingFile::throwFailure() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
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
    if (fchmod(fd_, modeFor(target_)) != 0 || fsync(fd_) != 0) fail(errno);
    int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) fail(errno);
    if (failure_.empty() && rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    if (!failure_.empty()) throwFailure();
    committed_ = true;
}

}  // namespace corvane::cli
