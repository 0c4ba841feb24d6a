#include "panel/control_panel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <span>

#include "panel/help_page.h"
#include "scenario/scenario.h"
#include "settings/panel_data.h"
#include "sim/simulation.h"

namespace corvane {
namespace {

constexpr int kFrameModeCount = 3;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void addLabels(QWidget* panel, std::span<const LabelSpec> labels) {
    for (const LabelSpec& layout : labels) {
        auto* label = new QLabel(fromUtf8(layout.caption), panel);
        label->setGeometry(layout.x, layout.y, layout.width, layout.height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The label rectangles reach under the lists to their right: a click
        // there belongs to the list.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

std::string failureText(const char* what, const std::string& path, const std::string& reason) {
    return std::string(what) + "\n\nファイル: " + path + "\n理由: " + reason;
}

}  // namespace

ControlPanel::ControlPanel(QWidget* owner, PanelHost& host, std::unique_ptr<FileDialogs> dialogs)
    // A tool window: it stays above its owner; a title bar without buttons.
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      host_(host),
      dialogs_(std::move(dialogs)),
      openDocument_(openWithDesktop) {
    setWindowTitle(QStringLiteral("corvane 設定"));
    setFixedSize(kPanelClientWidth, kPanelClientHeight);
    createControls();
    hide();
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::createControls() {
    // Siblings created later lie above earlier ones: buttons, then labels,
    // then the lists on top.
    for (const ButtonSpec& layout : kButtons) {
        auto* button = new QPushButton(fromUtf8(layout.caption), this);
        button->setGeometry(layout.x, layout.y, layout.width, layout.height);
        const int id = layout.id;
        connect(button, &QPushButton::clicked, this, [this, id] { command(id); });
    }
    addLabels(this, kFirstLabels);
    addLabels(this, kSecondLabels);
    for (int k = 0; k < kComboCount; ++k) {
        const ComboSpec& layout = kCombos[k];
        auto* box = new QComboBox(this);
        box->setEditable(false);
        for (std::string_view entry : layout.entries) box->addItem(fromUtf8(entry));
        box->setCurrentIndex(layout.defaultIndex);
        box->setGeometry(layout.x, layout.y, layout.width, box->sizeHint().height());
        const int id = layout.id;
        connect(box, &QComboBox::activated, this, [this, id] { command(id); });
        combos_[k] = box;
    }
}

void ControlPanel::command(int id) {
    switch (id) {
        case kCmdRun:
            runGalaxy();
            break;
        case kCmdHide:
            hide();
            break;
        case kCmdOpen:
            openScenario();
            break;
        case kCmdSave:
            saveScenario();
            break;
        case kCmdFrame:
            nextFrameMode();
            break;
        case kCmdHelp:
            openHelp();
            break;
        case kCmdExit:
            exitProgram();
            break;
        default:
            break;
    }
}

void ControlPanel::runGalaxy() {
    ProgramState& state = host_.programState();
    runCommand(state.simulation, state.view, selectedTexts(*this));
    host_.setViewTitle("Corvane  " + std::to_string(state.simulation.params.bodyCount) + "個 ");
    state.simulation.frameCount = 0;
}

void ControlPanel::openScenario() {
    std::string path = kDefaultScenarioPath;
    host_.programState().scenarioPath = path;
    if (!dialogs_->chooseOpenFile(this, path)) return;
    openScenarioFile(path);
}

void ControlPanel::openScenarioFile(const std::string& path) {
    ProgramState& state = host_.programState();
    state.scenarioPath = path;
    reportIfFailed(loadScenario(state.simulation, state.view, *this, path),
                   "シーンを読み込めませんでした。");
}

void ControlPanel::saveScenario() {
    ProgramState& state = host_.programState();
    if (!dialogs_->chooseSaveFile(this, state.scenarioPath)) return;
    reportIfFailed(corvane::saveScenario(state.simulation, *this, state.scenarioPath),
                   "シーンを保存できませんでした。");
}

void ControlPanel::reportIfFailed(const ScenarioResult& result, const char* what) {
    if (result.ok()) return;
    reportFailure(what, host_.programState().scenarioPath, result.errorString.toStdString());
}

void ControlPanel::reportFailure(const char* what, const std::string& path,
                                 const std::string& reason) {
    dialogs_->showFailure(this, failureText(what, path, reason));
}

void ControlPanel::nextFrameMode() {
    WindowState& window = host_.programState().window;
    window.frameModePending = 1;
    // Compared before adding: a hand-edited largest int must not overflow.
    const int mode = window.frameMode >= kFrameModeCount - 1 ? 0 : window.frameMode + 1;
    window.frameMode = mode;
    host_.writeFrameMode(mode);
}

void ControlPanel::openHelp() {
    host_.programState().simulation.skipFrame = 1;
    const QStringList folders = helpPageFolders();
    const QString page = findHelpPage(folders);
    if (page.isEmpty()) {
        dialogs_->showFailure(
            this, "ヘルプのページ corvane.html が見つかりませんでした。\n\n探した場所:\n" +
                      folders.join(u'\n').toStdString());
        return;
    }
    if (!openDocument_(page)) {
        dialogs_->showFailure(this,
                              "ヘルプのページを開けませんでした。ページを表示できるブラウザーが"
                              "ないようです。\n\nファイル: " +
                                  page.toStdString());
    }
}

void ControlPanel::exitProgram() {
    if (exiting_) return;
    exiting_ = true;
    hide();
    host_.requestQuit();
    deleteLater();
}

std::string ControlPanel::selectedText(int combo) const {
    return combos_.at(combo)->currentText().toStdString();
}

int ControlPanel::selectedIndex(int combo) const {
    return combos_.at(combo)->currentIndex();
}

void ControlPanel::setSelectedIndex(int combo, int index) {
    QComboBox* box = combos_.at(combo);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void ControlPanel::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        centreOnScreen();
    }
    QWidget::showEvent(event);
}

void ControlPanel::centreOnScreen() {
    QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target) return;
    // The outer size where the frame is already known; a window manager that
    // adds its frame only when mapping leaves the client size to centre.
    const QSize outer = frameGeometry().size();
    const QRect area = target->availableGeometry();
    move(area.x() + area.width() / 2 - outer.width() / 2,
         area.y() + area.height() / 2 - outer.height() / 2);
}

void ControlPanel::closeEvent(QCloseEvent* event) {
    // The panel has no close box; a close request from the desktop (Alt+F4)
    // ends the program as the Exit button does.
    event->accept();
    exitProgram();
}

}  // namespace corvane
