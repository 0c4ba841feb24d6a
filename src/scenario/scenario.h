#pragma once
// Scene files: the nine settings and every body's position, velocity and
// mass as CR LF text, written atomically and read back leniently.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "sim/simulation.h"

namespace corvane {

enum class ScenarioFailure { None, CannotOpen, CannotRead, CannotWrite };

struct ScenarioResult {
    ScenarioFailure failure = ScenarioFailure::None;
    QString errorString;  // the system's reason, e.g. "No space left on device"
    bool ok() const { return failure == ScenarioFailure::None; }
};

// The file a program saves to and loads from until the user picks another.
constexpr const char* kDefaultScenarioPath = "def.cvn";

// Writes the running scene of `sim` to `scenarioPath` (the name's bytes as
// the file system stores them) through a new file that replaces the target
// only once every byte is written and flushed to the disk; any failure
// leaves the old file as it was.
ScenarioResult saveScenario(const Simulation& sim, const PanelSelections& panelCombos,
                            const std::string& scenarioPath);

// Reads `scenarioPath` into `panelCombos`, the parameters and the body
// table of `sim`, then fills the view black. A file that cannot be read
// changes nothing. Only regular files are read, and only their first
// kScenarioReadLimit bytes: a 15 000-body scene is about 5 MB.
ScenarioResult loadScenario(Simulation& sim, const View& view, PanelSelections& panelCombos,
                            const std::string& scenarioPath);

constexpr std::size_t kScenarioReadLimit = std::size_t{64} << 20;

// The content of the regular file at `path`, at most kScenarioReadLimit
// bytes, into `data`.
ScenarioResult readWholeFile(const std::string& path, std::string& data);

// The nine selection texts a save stores: those the running bodies were made
// or loaded with, or the selections' texts when no settings were read yet.
SelectionTexts scenarioSelectionTexts(const Simulation& sim, const PanelSelections& panelCombos);

// The bytes of a scene file: the header, the nine texts in code page 932,
// then bodies [0, bodyCount) of the body table.
QByteArray composeScenario(const Simulation& sim, const SelectionTexts& texts, int bodyCount);

// What a load does with the data of a file once it is read.
void applyScenario(Simulation& sim, const View& view, PanelSelections& panelCombos,
                   std::string_view data);

}  // namespace corvane
