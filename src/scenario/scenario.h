#pragma once
// Scene files: the nine settings and every body's position, velocity and
// mass as CR LF text, written atomically and read back leniently.

#include <QByteArray>
#include <QString>
#include <array>
#include <string>
#include <string_view>

#include "panel/panel_data.h"

namespace corvane {

enum class ScenarioFailure { None, CannotOpen, CannotRead, CannotWrite };

struct ScenarioResult {
    ScenarioFailure failure = ScenarioFailure::None;
    QString errorString;  // the reason, from QFile/QSaveFile errorString()
    bool ok() const { return failure == ScenarioFailure::None; }
};

// The file the next save writes and the next load reads, UTF-8; the file
// dialogs edit it. "def.cvn" at start.
extern std::string scenarioPath;
void resetScenarioPath();

// Writes the running scene to scenarioPath through a temporary file that
// replaces the target only when complete.
ScenarioResult saveScenario();

// Reads scenarioPath into panelCombos(), gParams and the body table, then
// fills the view black. A file that cannot be read changes nothing.
ScenarioResult loadScenario();

// The whole content of the file at `path` (UTF-8) into `data`.
ScenarioResult readWholeFile(const std::string& path, QByteArray& data);

// The nine selection texts a save stores: those the running bodies were made
// or loaded with, or the panel's texts when no settings were read yet.
std::array<std::string, kComboCount> sceneSelectionTexts();

// The bytes of a scene file: the header, the nine texts in code page 932,
// then bodies [0, bodyCount) of the body table.
QByteArray composeScenario(const std::array<std::string, kComboCount>& texts, int bodyCount);

// What a load does with the data of a file once it is read.
void applyScenario(std::string_view data);

}  // namespace corvane
