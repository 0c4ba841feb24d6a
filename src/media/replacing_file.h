#pragma once
// The media writers' replacing file: the core's, throwing IoError on failure;
// a named temporary file is removed when the process is interrupted or
// terminated while writing.

#include <string>

#include "core/file_io.h"

namespace corvane::media {

class ReplacingFile {
  public:
    // Throws IoError with the system's reason when the target cannot be
    // written (a folder, device or pipe, an unwritable folder).
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool write(const void* data, std::size_t size) { return file_.write(data, size); }
    std::int64_t seek(std::int64_t offset, int whence) { return file_.seek(offset, whence); }
    std::int64_t size() const { return file_.size(); }
    std::int64_t readAt(void* data, std::size_t size, std::int64_t offset) const {
        return file_.readAt(data, size, offset);
    }

    // Gives the file the target's name once it is on the disk. Throws
    // IoError, removing the temporary file, when any step failed.
    void commit();
    bool ok() const { return file_.status().ok(); }
    // Throws IoError once a write or seek has failed.
    void throwIfFailed();

  private:
    std::string target_;  // the name given, for messages
    corvane::ReplacingFile file_;
    std::string pending_;  // the temporary name the signal handlers know
};

}  // namespace corvane::media
