#pragma once
// A fresh process state, a body table, a temporary current directory and a
// panel whose host and dialogs are stand-ins that record what they were asked.

#include <gtest/gtest.h>

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/surface.h"
#include "panel/control_panel.h"
#include "panel/file_dialogs.h"
#include "panel/panel_host.h"
#include "render/plot.h"
#include "scenario/process_state.h"
#include "scenario/scenario.h"
#include "sim/bodies.h"
#include "sim/display.h"

namespace corvane {

class RecordingHost final : public PanelHost {
  public:
    void setViewTitle(const std::string& titleUtf8) override { titles.push_back(titleUtf8); }
    void writeFrameMode(int mode) override { frameModes.push_back(mode); }
    void requestQuit() override { ++quitRequests; }

    std::vector<std::string> titles;
    std::vector<int> frameModes;
    int quitRequests = 0;
};

// Answers each dialog with a prepared file name, or cancels it when none.
class ScriptedDialogs final : public FileDialogs {
  public:
    bool chooseOpenFile(QWidget* owner, std::string& path) override {
        return answer(owner, path, openOffered, openAnswer);
    }
    bool chooseSaveFile(QWidget* owner, std::string& path) override {
        return answer(owner, path, saveOffered, saveAnswer);
    }
    void showFailure(QWidget*, const std::string& messageUtf8) override {
        failures.push_back(messageUtf8);
    }

    std::optional<std::string> openAnswer;
    std::optional<std::string> saveAnswer;
    std::vector<std::string> openOffered;
    std::vector<std::string> saveOffered;
    std::vector<std::string> failures;
    QWidget* lastOwner = nullptr;

  private:
    bool answer(QWidget* owner, std::string& path, std::vector<std::string>& offered,
                const std::optional<std::string>& reply) {
        lastOwner = owner;
        offered.push_back(path);
        if (!reply) return false;
        path = *reply;
        return true;
    }
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        resetProcessState();
        setBodyProjection(&plotBody);
        ASSERT_TRUE(createBodyTable());
        setViewGeometry(320, 240);
        surface.resize(320, 240);
        setViewSurface(&surface);

        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        panel = new ControlPanel(nullptr, host, std::move(scripted));
        setPanelCombos(panel);
    }
    void TearDown() override {
        delete panel.data();
        setViewSurface(nullptr);
        resetProcessState();
        QDir::setCurrent(previousDir);
    }
    // An absolute UTF-8 path inside the temporary directory.
    std::string pathOf(const char* name) const {
        return QDir(workDir.path()).absoluteFilePath(QString::fromUtf8(name)).toStdString();
    }

    QTemporaryDir workDir;
    QString previousDir;
    MemorySurface surface;
    RecordingHost host;
    ScriptedDialogs* dialogs = nullptr;
    QPointer<ControlPanel> panel;
};

}  // namespace corvane
