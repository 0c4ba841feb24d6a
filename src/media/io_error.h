#pragma once
// The one failure of the media writers and of the companion's files.

#include <stdexcept>

namespace corvane {

// An input that cannot be read or an output that cannot be written, with the
// system's reason: the companion prints it and exits 1, the program shows it.
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace corvane
