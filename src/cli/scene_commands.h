#pragma once
// The scene commands of corvane-cli: new, run, render and record. Each takes the
// arguments after its name and returns the process exit status; wrong usage
// throws UsageError, unreadable input or unwritable output IoError.

#include <string>
#include <vector>

namespace corvane::cli {

int newSceneCommand(const std::vector<std::string>& args);
int runSceneCommand(const std::vector<std::string>& args);
int renderSceneCommand(const std::vector<std::string>& args);
// Films a scene as a video.
int recordSceneCommand(const std::vector<std::string>& args);

}  // namespace corvane::cli
