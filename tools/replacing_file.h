#pragma once
// A file written beside its target under a temporary name, that takes the
// target's name only once every byte is on disk. Until then, and after any
// failed write, the target is untouched and the temporary file is removed.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::cli {

class ReplacingFile {
  public:
    // Creates the temporary file in the target's folder. Throws IoError with
    // the system's reason when the folder cannot take it, or when the target
    // exists and is not a regular file (a folder, device or pipe).
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Writes all `size` bytes at the current position. Returns false and
    // keeps the reason on failure; later calls then fail as well.
    bool write(const void* data, std::size_t size);
    // Moves the position as lseek does; -1 on failure.
    std::int64_t seek(std::int64_t offset, int whence);
    std::int64_t size() const;

    // Flushes the file to disk, closes it and gives it the target's name.
    // Throws IoError, removing the temporary file, when any step failed.
    void commit();

    // Throws IoError with the system's reason, removing the temporary file,
    // once a write or seek has failed.
    void throwIfFailed() {
        if (!failure_.empty()) throwFailure();
    }

    const std::string& target() const { return target_; }
    // The system's text for the first failure, empty while there was none.
    const std::string& failure() const { return failure_; }

  private:
    void fail(int error);
    [[noreturn]] void throwFailure();

    std::string target_;       // the name given, for messages
    std::string destination_;  // the file replaced: the target, or where its link points
    std::string temporary_;
    std::string failure_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace corvane::cli
