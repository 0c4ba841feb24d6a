#pragma once

#include <string>
#include <vector>

namespace corvane::cli {

// corvane-cli bench [options]: times steps of the force kernels on a galaxy
// made as Run makes it. `args` are the arguments after "bench". Returns the
// process exit status.
int benchCommand(const std::vector<std::string>& args);

}  // namespace corvane::cli
