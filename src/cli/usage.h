#pragma once
// The one usage text of corvane-cli: every command, every option, the
// figures the bench prints and the exit status.

#include <string>

namespace corvane::cli {

std::string usageText();

}  // namespace corvane::cli
