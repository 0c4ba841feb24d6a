// The control panel under Qt's display-less platform, with stand-ins that
// record what the program around it and the user's dialogs were asked; then
// the real Qt dialogs, driven from a timer while they run modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <tuple>

#include "file_faults.h"
#include "panel/control_panel.h"
#include "panel/help_page.h"
#include "scenario/scenario.h"
#include "settings/panel_data.h"
#include "sim/bodies.h"
#include "sim/params.h"
#include "test_files.h"

namespace corvane {
namespace {

using Texts = std::array<std::string, kComboCount>;
const Texts kDefaultTexts = {"30", "0", "0", "0", "1.0e5", "1.0e5", "100", "オリジナル", "銀河状"};

struct RecordingHost final : PanelHost {
    ProgramState& programState() override { return state; }
    void setViewTitle(const std::string& titleUtf8) override { titles.push_back(titleUtf8); }
    void writeFrameMode(int mode) override { frameModes.push_back(mode); }
    void requestQuit() override { ++quitRequests; }
    ProgramState state;
    std::vector<std::string> titles;
    std::vector<int> frameModes;
    int quitRequests = 0;
};

// Answers every file dialog with a prepared name, or cancels it when none.
struct ScriptedDialogs final : FileDialogs {
    bool chooseOpenFile(QWidget* owner, std::string& path) override { return answer(owner, path); }
    bool chooseSaveFile(QWidget* owner, std::string& path) override { return answer(owner, path); }
    void showFailure(QWidget*, const std::string& text) override { failures.push_back(text); }
    bool answer(QWidget* owner, std::string& path) {
        lastOwner = owner;
        offered.push_back(path);
        path = reply.value_or(path);
        return reply.has_value();
    }
    std::optional<std::string> reply;
    std::vector<std::string> offered, failures;
    QWidget* lastOwner = nullptr;
};

// A fresh program state drawn into memory, a temporary current directory
// and a panel whose host and dialogs are stand-ins.
class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        setViewGeometry(host.state.view, 320, 240);
        surface.resize(320, 240);
        host.state.view.surface = &surface;
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        panel = new ControlPanel(nullptr, host, std::move(scripted));
    }
    void TearDown() override {
        delete panel.data();
        QDir::setCurrent(previousDir);
    }
    // An absolute UTF-8 path inside the temporary directory.
    std::string pathOf(const char* name) const {
        return QDir(workDir.path()).absoluteFilePath(QString::fromUtf8(name)).toStdString();
    }

    QTemporaryDir workDir;
    QString previousDir;
    RecordingHost host;
    Simulation& sim = host.state.simulation;
    WindowState& window = host.state.window;
    MemorySurface surface;
    ScriptedDialogs* dialogs = nullptr;
    QPointer<ControlPanel> panel;
};

TEST_F(PanelTest, PicksAndUnknownCommandsDoNothingRunMakesTheGalaxyOfThePicks) {
    for (int k = 0; k < kComboCount; ++k) EXPECT_EQ(panel->selectedText(k), kDefaultTexts[k]);
    panel->show();
    window.frameMode = 1;
    for (int id : {600, 601, 604, 608, 499, 507, 0}) panel->command(id);
    panel->combo(kComboHalo)->activated(7);  // a pick reports the list's identifier
    EXPECT_TRUE(host.titles.empty() && host.frameModes.empty() && dialogs->offered.empty());
    EXPECT_EQ(
        std::tuple(window.frameMode, sim.skipFrame, window.frameModePending, host.quitRequests),
        std::tuple(1, 0, 0, 0));
    EXPECT_TRUE(panel->isVisible() && sim.paramTexts[0].empty());
    panel->combo(kComboHalo)->setCurrentText("100");
    sim.frameCount = 1234;
    panel->command(kCmdRun);
    EXPECT_EQ(std::tuple(sim.params.haloCount, sim.params.bodyCount, sim.frameCount),
              std::tuple(100, 130, 0));
    EXPECT_GT(surface.litPixelCount(), 0);
    panel->setSelectedIndex(kComboLayout, 4);  // outside the list: nothing
    EXPECT_EQ(std::tuple(panel->selectedIndex(kComboLayout), panel->selectedText(kComboLayout)),
              std::tuple(-1, std::string()));
}

TEST_F(PanelTest, FrameCyclesThroughTheThreeModesAndWrapsHandEditedOnes) {
    // The stored mode and the next: 2 and above go to 0, below 0 count up.
    const std::pair<int, int> steps[] = {
        {0, 1}, {1, 2}, {2, 0}, {3, 0}, {INT_MAX, 0}, {-1, 0}, {INT_MIN, INT_MIN + 1}};
    for (const auto& [stored, next] : steps) {
        window.frameMode = stored;
        window.frameModePending = 0;
        panel->command(kCmdFrame);
        EXPECT_EQ(std::tuple(host.frameModes.back(), window.frameMode, window.frameModePending),
                  std::tuple(next, next, 1))
            << stored;
    }
}

TEST_F(PanelTest, OpenProposesTheDefaultSaveTheSceneInUseCancelledOnesChangeNothing) {
    Texts five = kDefaultTexts;
    five[kComboFreeStars] = "5";
    // A cancelled open must not read it.
    writeFile(pathOf("def.cvn"), composeScenario(sim, five, 5).toStdString());
    panel->command(kCmdRun);
    host.state.scenarioPath = pathOf("earlier.cvn");
    panel->command(kCmdOpen);
    panel->command(kCmdSave);
    EXPECT_EQ(sim.params.bodyCount, 30);
    dialogs->reply = pathOf("def.cvn");
    panel->command(kCmdOpen);
    dialogs->reply.reset();
    panel->command(kCmdSave);
    EXPECT_EQ(dialogs->offered,
              (std::vector<std::string>{"def.cvn", "def.cvn", "def.cvn", pathOf("def.cvn")}));
    // Only Run titles the view.
    EXPECT_EQ(std::tuple(sim.params.bodyCount, panel->selectedText(kComboFreeStars),
                         dialogs->lastOwner, dialogs->failures.size(), host.titles.size()),
              std::tuple(5, std::string("5"), panel.data(), 0u, 1u));
}

TEST_F(PanelTest, FailedOpenOrSaveIsReportedAndKeepsTheGalaxyAndTheOldFile) {
    panel->combo(kComboFreeStars)->setCurrentText("10");
    panel->command(kCmdRun);
    const float firstX = sim.body(0).x;
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(pathOf("folder.cvn"))));
    writeFile(pathOf("old.cvn"), "the old scene\r\n");
    // Command, file chosen, what the message says, the largest file this process may write.
    const std::tuple<int, std::string, std::string, rlim_t> cases[] = {
        {kCmdOpen, pathOf("missing.cvn"), "読み込", RLIM_INFINITY},
        {kCmdSave, pathOf("folder.cvn"), "保存", RLIM_INFINITY},
        // A full disk: the default scene is far smaller than any write buffer.
        {kCmdSave, pathOf("old.cvn"), std::strerror(EFBIG), 100},
    };
    for (const auto& [command, chosen, says, limit] : cases) {
        SCOPED_TRACE(chosen);
        dialogs->failures.clear();
        dialogs->reply = chosen;
        {
            testing::FileSizeLimit full(limit);
            panel->command(command);
        }
        ASSERT_EQ(dialogs->failures.size(), 1u);
        EXPECT_TRUE(contains(dialogs->failures[0], says) && contains(dialogs->failures[0], chosen))
            << dialogs->failures[0];
        EXPECT_EQ(
            std::tuple(panel->selectedText(kComboFreeStars), sim.params.bodyCount, sim.body(0).x),
            std::tuple(std::string("10"), 10, firstX));
        EXPECT_EQ(readFile(pathOf("old.cvn")), "the old scene\r\n");
        EXPECT_TRUE(QFileInfo(QString::fromStdString(pathOf("folder.cvn"))).isDir());
    }
}

TEST_F(PanelTest, HelpOpensTheFirstPageFoundAndSaysSoWhenTheDesktopCannot) {
    std::vector<QString> opened;
    panel->setDocumentOpener([&opened](const QString& path) {
        opened.push_back(path);
        return opened.size() == 1;
    });
    const QString here = QString::fromStdString(pathOf("corvane.html"));
    writeFile(here.toStdString(), "<html></html>");
    panel->command(kCmdHelp);
    // A folder named like the page is no page: the installed or the program's own copy.
    ASSERT_TRUE(QFile::remove(here) && QDir().mkdir(here));
    panel->command(kCmdHelp);
    EXPECT_EQ(sim.skipFrame, 1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], here);
    EXPECT_TRUE(opened[1].endsWith(QStringLiteral("/corvane.html")) && opened[1] != here);
    ASSERT_EQ(dialogs->failures.size(), 1u);
    EXPECT_TRUE(contains(dialogs->failures[0], "ヘルプのページを開けませんでした") &&
                contains(dialogs->failures[0], opened[1].toStdString()))
        << dialogs->failures[0];
}

TEST(HelpPage, TheDesktopsVerdictIsTheOpenersExitStatus) {
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    // The opener's script (nullptr: none installed), the page, the verdict.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"[ \"$1\" = '/a b/corvane.html' ]", "/a b/corvane.html", true},
        {"exit 3", "/a.html", false},  // what xdg-open says when no browser is installed
        {nullptr, "/a.html", false},
    };
    for (const auto& [script, page, verdict] : cases) {
        const QString opener = bin.filePath(QStringLiteral("xdg-open"));
        QFile::remove(opener);
        if (script) writeFile(opener.toStdString(), std::string("#!/bin/sh\n") + script + "\n");
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_EQ(openWithDesktop(QString::fromUtf8(page)), verdict) << page;
    }
    qputenv("PATH", oldPath);
}

TEST_F(PanelTest, ExitOrACloseRequestEndsTheProgramAndRemovesThePanel) {
    for (const bool byExit : {true, false}) {
        SCOPED_TRACE(byExit);
        if (!panel) panel = new ControlPanel(nullptr, host);
        panel->show();
        EXPECT_TRUE(byExit ? (panel->command(kCmdExit), true) : panel->close());
        EXPECT_FALSE(panel->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(panel.isNull());
    }
    EXPECT_EQ(host.quitRequests, 2);
}

TEST_F(PanelTest, AFixedToolWindowCentredWhenFirstShownThenWhereTheUserPutIt) {
    EXPECT_EQ(std::pair(panel->minimumSize(), panel->maximumSize()),
              std::pair(QSize(kPanelClientWidth, kPanelClientHeight), panel->minimumSize()));
    // Kept above its owner; a title bar without close box, minimise or maximise.
    EXPECT_EQ(panel->windowType(), Qt::Tool);
    EXPECT_EQ(panel->windowFlags() & (Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                      Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint),
              Qt::WindowTitleHint);
    EXPECT_FALSE(panel->isVisible());
    panel->move(0, 0);
    panel->show();
    const QRect area = panel->screen()->availableGeometry();
    EXPECT_LE((panel->frameGeometry().center() - area.center()).manhattanLength(), 2);
    panel->hide();
    panel->move(10, 20);
    panel->show();
    EXPECT_EQ(panel->pos(), QPoint(10, 20));
    // "実行" reaches from x 90 to 210, under the free-star list at x 130: a click there is the
    // list's, and no label takes one.
    EXPECT_EQ(panel->childAt(150, 30), panel->combo(kComboFreeStars));
    for (const QLabel* label : panel->findChildren<QLabel*>())
        EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    auto* owner = new QWidget;
    QPointer<ControlPanel> owned = new ControlPanel(owner, host);
    EXPECT_TRUE(owned->isWindow());
    delete owner;
    EXPECT_TRUE(owned.isNull()) << "closes with its owner";
}

TEST_F(PanelTest, QtDialogsProposeTheNameAddNoSuffixAndKeepThePathWhenCancelled) {
    QtFileDialogs qt;
    // Save or open, the path proposed, the name typed (nullptr: cancelled); title, mode, path then.
    const std::tuple<bool, std::string, const char*, QString, QFileDialog::FileMode, std::string>
        cases[] = {
            {true, pathOf("def.cvn"), "新しい場面", "保存", QFileDialog::AnyFile,
             pathOf("新しい場面")},
            // A relative name opens in the current directory.
            {false, "def.cvn", nullptr, "開く", QFileDialog::ExistingFile, "def.cvn"},
        };
    for (const auto& [save, proposed, typed, title, mode, after] : cases) {
        SCOPED_TRACE(proposed);
        std::tuple<QString, QFileDialog::FileMode, QStringList, QString, QString, QString, QString>
            seen;
        QTimer::singleShot(0, [&, typed = typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = {dialog->windowTitle(),           dialog->fileMode(),
                    dialog->nameFilters(),           dialog->selectedNameFilter(),
                    dialog->defaultSuffix(),         dialog->directory().absolutePath(),
                    dialog->selectedFiles().value(0)};
            if (typed) dialog->selectFile(QString::fromUtf8(typed));
            typed ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
        });
        std::string path = proposed;
        EXPECT_EQ(save ? qt.chooseSaveFile(nullptr, path) : qt.chooseOpenFile(nullptr, path),
                  typed != nullptr);
        EXPECT_EQ(seen, std::tuple(title, mode, QStringList{"Exe Files(*.cvn)", "All Files(*.*)"},
                                   QString("Exe Files(*.cvn)"), QString(), workDir.path(),
                                   QString::fromStdString(pathOf("def.cvn"))));
        EXPECT_EQ(path, after);
    }
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("シーンを保存できませんでした。"));
        box->accept();
    });
    qt.showFailure(nullptr, "シーンを保存できませんでした。");
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    // Discovery runs the binary without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
