#pragma once
// Scene files: the nine settings and every body's position, velocity and
// mass as CR LF text, written atomically and read back leniently.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "settings/panel_data.h"

namespace corvane {

enum class ScenarioFailure { None, CannotOpen, CannotRead, CannotWrite };

struct ScenarioResult {
    ScenarioFailure failure = ScenarioFailure::None;
    QString errorString;  // the system's reason, e.g. "No space left on device"
    bool ok() const { return failure == ScenarioFailure::None; }
};

constexpr const char* kDefaultScenarioPath = "def.cvn";

// The scene files' process-wide state.
struct FileState {
    // The file the next save writes and the next load reads: the name's bytes
    // as the file system stores them (UTF-8 for names the file dialogs give,
    // any bytes from the command line); "def.cvn".
    std::string scenarioPath = kDefaultScenarioPath;
};
extern FileState gFiles;

// Writes the running scene to gFiles.scenarioPath through a new file that replaces
// the target only once every byte is written and flushed to the disk; any
// failure leaves the old file as it was.
ScenarioResult saveScenario();

// Reads gFiles.scenarioPath into panelCombos(), gParams and the body table, then
// fills the view black. A file that cannot be read changes nothing.
// Only regular files are read, and only their first kScenarioReadLimit
// bytes: a 15 000-body scene is about 5 MB.
ScenarioResult loadScenario();

constexpr std::size_t kScenarioReadLimit = std::size_t{64} << 20;

// The content of the regular file at `path`, at most kScenarioReadLimit
// bytes, into `data`.
ScenarioResult readWholeFile(const std::string& path, std::string& data);

// The nine selection texts a save stores: those the running bodies were made
// or loaded with, or the panel's texts when no settings were read yet.
std::array<std::string, kComboCount> sceneSelectionTexts();

// The bytes of a scene file: the header, the nine texts in code page 932,
// then bodies [0, bodyCount) of the body table.
QByteArray composeScenario(const std::array<std::string, kComboCount>& texts, int bodyCount);

// What a load does with the data of a file once it is read.
void applyScenario(std::string_view data);

}  // namespace corvane
