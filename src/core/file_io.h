#pragma once
// Whole files by name, the name taken as the bytes the file system stores
// (so a name in any encoding can be read and written). Every failure comes
// back with the system's own reason; nothing here blocks, grows without
// bound, or replaces a file with something incomplete.

#include <cstddef>
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

// Writes `data` to a new file beside `path`, checks every write and the
// flush to the disk, and only then renames it over `path` (for a symbolic
// link: over the file it names). A full disk, a file-size limit, a read-only
// target or any other error leaves `path` as it was and removes the new file.
FileResult replaceFile(const std::string& path, std::string_view data);

}  // namespace corvane
