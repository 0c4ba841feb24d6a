#pragma once
// The scene commands of corvane-cli: new, run, render and record. Each takes the
// arguments after its name and returns the process exit status; wrong usage
// throws UsageError, unreadable input or unwritable output IoError.

#include <string>
#include <vector>

namespace corvane::cli {

int newScenarioCommand(const std::vector<std::string>& args);
int runScenarioCommand(const std::vector<std::string>& args);
int renderScenarioCommand(const std::vector<std::string>& args);
// Films a scene as a video.
int recordScenarioCommand(const std::vector<std::string>& args);

}  // namespace corvane::cli
