#include "scenario/scenario.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "core/file_io.h"
#include "core/surface.h"
#include "scenario/scenario_text.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

ScenarioResult failure(ScenarioFailure kind, const FileResult& file) {
    return {kind, QString::fromLocal8Bit(file.reason)};
}

// Which step of a save failed, from the error the system gave.
ScenarioFailure saveFailureKind(const FileResult& file) {
    switch (file.error) {
        case ENOSPC:
        case EFBIG:
        case EIO:
        case EDQUOT:
            return ScenarioFailure::CannotWrite;
        default:
            return ScenarioFailure::CannotOpen;
    }
}

void appendLine(QByteArray& out, std::string_view text) {
    out.append(text.data(), static_cast<qsizetype>(text.size()));
    out.append(kLineEnd.data(), static_cast<qsizetype>(kLineEnd.size()));
}

void selectFromLine(PanelSelections& panelCombos, int combo, std::string_view line) {
    std::optional<std::string> text = fromCodePage932(line);
    if (text) panelCombos.selectByPrefix(combo, *text);
}

void loadBody(Simulation& sim, int i, std::string_view line) {
    BodyValues v = parseBodyLine(line);
    Body& b = sim.body(i);
    b.x = v[0];
    b.y = v[1];
    b.z = v[2];
    b.vx = v[3];
    b.vy = v[4];
    b.vz = v[5];
    sim.bodyMass(i) = v[6];
    deriveCoefficients(sim, i);
    // A hand-written mass whose pull does not fit a float would make every
    // free star's velocity infinite, step after step.
    if (!std::isfinite(b.farCoeff) || !std::isfinite(b.nearCoeff)) {
        sim.bodyMass(i) = 0.0f;
        deriveCoefficients(sim, i);
    }
}

}  // namespace

SelectionTexts scenarioSelectionTexts(const Simulation& sim, const PanelSelections& panelCombos) {
    const auto& read = sim.paramTexts;
    bool anyRead = std::any_of(read.begin(), read.end(),
                               [](const std::string& text) { return !text.empty(); });
    return anyRead ? read : selectedTexts(panelCombos);
}

QByteArray composeScenario(const Simulation& sim, const SelectionTexts& texts, int bodyCount) {
    QByteArray out;
    appendLine(out, kScenarioHeader);
    for (const std::string& text : texts) {
        QByteArray encoded = toCodePage932(text);
        appendLine(out, std::string_view(encoded.constData(), encoded.size()));
    }
    if (!sim.table.exists()) return out;
    for (int i = 0; i < bodyCount; ++i) {
        const Body& b = sim.body(i);
        appendLine(out, formatBodyLine({b.x, b.y, b.z, b.vx, b.vy, b.vz, sim.bodyMass(i)}));
    }
    return out;
}

ScenarioResult saveScenario(const Simulation& sim, const PanelSelections& panelCombos,
                            const std::string& scenarioPath) {
    const QByteArray content =
        composeScenario(sim, scenarioSelectionTexts(sim, panelCombos), sim.params.bodyCount);
    const FileResult written = replaceFile(
        scenarioPath, std::string_view(content.constData(), static_cast<size_t>(content.size())));
    if (!written.ok()) return failure(saveFailureKind(written), written);
    return {};
}

ScenarioResult readWholeFile(const std::string& path, std::string& data) {
    const FileResult read = readRegularFile(path, kScenarioReadLimit, data);
    if (!read.ok()) {
        const bool whileReading = read.error == EIO;
        return failure(whileReading ? ScenarioFailure::CannotRead : ScenarioFailure::CannotOpen,
                       read);
    }
    return {};
}

void applyScenario(Simulation& sim, const View& view, PanelSelections& panelCombos,
                   std::string_view data) {
    LineCursor cursor{data};
    readLine(cursor);  // the header says nothing the load needs
    for (int k = 0; k < kComboCount; ++k) selectFromLine(panelCombos, k, readLine(cursor));
    readParams(sim, selectedTexts(panelCombos));
    if (sim.table.exists()) {
        for (int i = 0; i < sim.params.bodyCount; ++i) loadBody(sim, i, readLine(cursor));
    }
    viewSurface(view).fillBlack();
}

ScenarioResult loadScenario(Simulation& sim, const View& view, PanelSelections& panelCombos,
                            const std::string& scenarioPath) {
    std::string data;
    ScenarioResult result = readWholeFile(scenarioPath, data);
    if (result.ok()) applyScenario(sim, view, panelCombos, data);
    return result;
}

}  // namespace corvane
