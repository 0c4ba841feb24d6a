#pragma once
// The usage texts of corvane-cli: the whole one (every command, every
// option, the figures the bench prints and the exit status) and each
// command's own.

#include <string>
#include <string_view>

namespace corvane::cli {

std::string usageText();
// The usage of one command ("new" ... "bench"), its options only.
std::string commandUsageText(std::string_view command);

}  // namespace corvane::cli
