#pragma once
// The settings window: seven command buttons, the row labels and the nine
// drop-down lists that hold every simulation setting. Its combo boxes are the
// selections the program reads its parameters from.

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "panel/file_dialogs.h"
#include "panel/panel_host.h"
#include "scenario/scenario.h"
#include "settings/selections.h"

class QComboBox;
class QString;

namespace corvane {

class ControlPanel final : public QWidget, public PanelSelections {
    Q_OBJECT

  public:
    // A window of its own above `owner`, which closes with it; created hidden.
    ControlPanel(QWidget* owner, PanelHost& host,
                 std::unique_ptr<FileDialogs> dialogs = std::make_unique<QtFileDialogs>());
    ~ControlPanel() override;

    // Runs the command of a control identifier: the buttons' 500 to 506.
    // Every other identifier (the lists report theirs, 600 to 608) does nothing.
    void command(int id);

    std::string selectedText(int combo) const override;
    int selectedIndex(int combo) const override;
    void setSelectedIndex(int combo, int index) override;

    QComboBox* combo(int index) const { return combos_.at(index); }

    // Loads the scene file at `path` (the name's bytes) as Open does once a
    // file is chosen: it becomes the file of the next save, and a file that
    // cannot be read changes nothing and is reported.
    void openScenarioFile(const std::string& path);
    // Tells the user that `what` failed for the file at `path` and why, in
    // the form a failed load or save is told.
    void reportFailure(const char* what, const std::string& path, const std::string& reason);

    // How the help page is handed to the desktop: true when it was shown.
    // Tests replace it.
    using DocumentOpener = std::function<bool(const QString& path)>;
    void setDocumentOpener(DocumentOpener opener) { openDocument_ = std::move(opener); }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void centreOnScreen();

    void runGalaxy();
    void openScenario();
    void saveScenario();
    // A failed load or save tells the user which file and why; a cancelled
    // dialog never gets here.
    void reportIfFailed(const ScenarioResult& result, const char* what);
    void nextFrameMode();
    void openHelp();
    void exitProgram();

    PanelHost& host_;
    std::unique_ptr<FileDialogs> dialogs_;
    DocumentOpener openDocument_;
    std::array<QComboBox*, kComboCount> combos_{};
    bool placed_ = false;
    bool exiting_ = false;
};

}  // namespace corvane
