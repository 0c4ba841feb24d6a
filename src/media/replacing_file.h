#pragma once
// The media writers' replacing file: the core's, throwing IoError on failure;
// a named temporary file is removed when the process is interrupted or
// terminated while writing. And a temporary folder for one such file, which
// goes with it then too.

#include <string>
#include <string_view>

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

// A new folder under $TMPDIR (else /tmp), "PREFIX-XXXXXX", for one file
// named `fileName`. The file and the folder go when this object does, and
// when the process is interrupted or terminated while it lives (a named
// temporary file of a ReplacingFile in it first). Nothing else may be put in
// it. Made while the process has one thread, no interrupt can leave it behind.
class TemporaryFolder {
  public:
    // Throws IoError with the system's reason when the folder cannot be made.
    TemporaryFolder(std::string_view prefix, std::string_view fileName);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return folder_; }
    const std::string& filePath() const { return file_; }

  private:
    std::string folder_;
    std::string file_;
};

}  // namespace corvane::media
