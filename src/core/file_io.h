#pragma once
// Whole files by name, the name taken as the bytes the file system stores
// (so a name in any encoding can be read and written). Every failure comes
// back with the system's own reason; nothing here blocks, grows without
// bound, or replaces a file with something incomplete.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

struct FileResult {
    int error = 0;       // errno of the failure, 0 on success
    std::string reason;  // the system's text for it, "" on success
    bool ok() const { return error == 0; }
};

// Reads at most `limit` bytes of the regular file at `path` into `data`;
// anything past the limit is left unread. Opening never waits (a FIFO
// without a writer, a device), and anything but a regular file is refused
// at once. On failure `data` is unchanged.
FileResult readRegularFile(const std::string& path, std::size_t limit, std::string& data);

// A file written beside its target, that takes the target's name only once
// every byte is on the disk. It has no name while it is written where the
// file system allows (a killed process then leaves nothing), else a
// temporary one, ".NAME.XXXXXX". A full disk, a
// file-size limit, a read-only target or any other error leaves the target
// as it was and removes the temporary file. A symbolic link is followed, so
// the link stays a link; a folder, device or pipe is refused as a target.
class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The first failure so far; every call after one does nothing.
    const FileResult& status() const { return status_; }
    // Writes all of `size` bytes at the current position.
    bool write(const void* data, std::size_t size);
    // Moves the position as lseek does; -1 on failure.
    std::int64_t seek(std::int64_t offset, int whence);
    std::int64_t size() const;
    // Reads up to `size` bytes at `offset` without moving the position;
    // the count read, 0 at the end, -1 on failure.
    std::int64_t readAt(void* data, std::size_t size, std::int64_t offset) const;
    // Flushes to the disk, closes, and renames over the target.
    FileResult commit();

    // The temporary name while it exists, "" otherwise (also while the file
    // is written without a name).
    const std::string& temporaryPath() const { return temporary_; }

  private:
    void create();
    void fail(int error);
    void fail(int error, const char* reason);
    void discard();

    std::string destination_;  // the file replaced: the target, or where its link points
    std::string temporary_;
    FileResult status_;
    int fd_ = -1;
    bool unnamed_ = false;  // opened without a name, named only at the commit
};

// Replaces the file at `path` with `data` through a ReplacingFile.
FileResult replaceFile(const std::string& path, std::string_view data);

}  // namespace corvane
