#include "scenario/scenario.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "core/file_io.h"
#include "core/surface.h"
#include "scenario/scenario_text.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/params.h"

namespace corvane {

FileState gFiles;

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

void selectFromLine(int combo, std::string_view line) {
    std::optional<std::string> text = fromCodePage932(line);
    if (text) panelCombos().selectByPrefix(combo, *text);
}

void loadBody(int i, std::string_view line) {
    BodyValues v = parseBodyLine(line);
    Body& b = body(i);
    b.x = v[0];
    b.y = v[1];
    b.z = v[2];
    b.vx = v[3];
    b.vy = v[4];
    b.vz = v[5];
    bodyMass(i) = v[6];
    deriveCoefficients(i);
    // A hand-written mass whose pull does not fit a float would make every
    // free star's velocity infinite, step after step.
    if (!std::isfinite(b.farCoeff) || !std::isfinite(b.nearCoeff)) {
        bodyMass(i) = 0.0f;
        deriveCoefficients(i);
    }
}

}  // namespace

std::array<std::string, kComboCount> sceneSelectionTexts() {
    bool anyRead = std::any_of(gParamTexts.begin(), gParamTexts.end(),
                               [](const std::string& text) { return !text.empty(); });
    if (anyRead) return gParamTexts;
    std::array<std::string, kComboCount> texts;
    for (int k = 0; k < kComboCount; ++k) texts[k] = panelCombos().selectedText(k);
    return texts;
}

QByteArray composeScenario(const std::array<std::string, kComboCount>& texts, int bodyCount) {
    QByteArray out;
    appendLine(out, kScenarioHeader);
    for (const std::string& text : texts) {
        QByteArray encoded = toCodePage932(text);
        appendLine(out, std::string_view(encoded.constData(), encoded.size()));
    }
    if (!gBodyTable.bodies) return out;
    for (int i = 0; i < bodyCount; ++i) {
        const Body& b = body(i);
        appendLine(out, formatBodyLine({b.x, b.y, b.z, b.vx, b.vy, b.vz, bodyMass(i)}));
    }
    return out;
}

ScenarioResult saveScenario() {
    const QByteArray content = composeScenario(sceneSelectionTexts(), gParams.bodyCount);
    const FileResult written =
        replaceFile(gFiles.scenarioPath,
                    std::string_view(content.constData(), static_cast<size_t>(content.size())));
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

void applyScenario(std::string_view data) {
    LineCursor cursor{data};
    readLine(cursor);  // the header says nothing the load needs
    for (int k = 0; k < kComboCount; ++k) selectFromLine(k, readLine(cursor));
    readParams();
    if (gBodyTable.bodies) {
        for (int i = 0; i < gParams.bodyCount; ++i) loadBody(i, readLine(cursor));
    }
    viewSurface().fillBlack();
}

ScenarioResult loadScenario() {
    std::string data;
    ScenarioResult result = readWholeFile(gFiles.scenarioPath, data);
    if (result.ok()) applyScenario(data);
    return result;
}

}  // namespace corvane
