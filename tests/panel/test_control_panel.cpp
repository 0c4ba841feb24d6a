#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "file_faults.h"
#include "panel/help_page.h"
#include "panel_fixture.h"
#include "settings/panel_data.h"
#include "sim/params.h"

namespace corvane {
namespace {

using Texts = std::array<std::string, kComboCount>;

const Texts kDefaultTexts = {"30", "0", "0", "0", "1.0e5", "1.0e5", "100", "オリジナル", "銀河状"};

QByteArray readFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A scene of `count` free stars whose body i lies at x = 1000 (i + 1).
QByteArray sceneWithStars(const Texts& texts, int count) {
    for (int i = 0; i < count; ++i) {
        body(i) = Body{};
        body(i).x = 1000.0f * static_cast<float>(i + 1);
        bodyMass(i) = 5.0f;
    }
    QByteArray bytes = composeScenario(texts, count);
    for (int i = 0; i < count; ++i) body(i) = Body{};
    return bytes;
}

Texts currentTexts(const PanelSelections& selections) {
    Texts texts;
    for (int k = 0; k < kComboCount; ++k) texts[k] = selections.selectedText(k);
    return texts;
}

// ---- Run --------------------------------------------------------------

TEST_F(PanelTest, DefaultSelectionsMakeTheFirstRunAndItsTitle) {
    gRun.frameCount = 1234;
    panel->command(kCmdRun);

    EXPECT_EQ(gParamTexts, kDefaultTexts);
    EXPECT_EQ(gParams.bodyCount, 30);
    EXPECT_EQ(gParams.haloCount, 0);
    EXPECT_EQ(gParams.diskEnd, 0);
    ASSERT_EQ(host.titles.size(), 1u);
    EXPECT_EQ(host.titles[0], "Corvane  30個 ");
    EXPECT_EQ(gRun.frameCount, 0);
    EXPECT_GT(surface.litPixelCount(), 0);
}

TEST_F(PanelTest, RunReadsWhatTheUserPicked) {
    panel->combo(kComboHalo)->setCurrentText("100");
    panel->combo(kComboDisk)->setCurrentText("20");
    panel->command(kCmdRun);

    EXPECT_EQ(gParams.haloCount, 100);
    EXPECT_EQ(gParams.diskEnd, 120);
    EXPECT_EQ(gParams.bodyCount, 150);
    EXPECT_EQ(host.titles.back(), "Corvane  150個 ");
    // Run leaves the selections as they were.
    EXPECT_EQ(panel->selectedText(kComboHalo), "100");
}

// ---- The nine lists as selections ---------------------------------------

TEST_F(PanelTest, ListsHoldTheirEntriesInOrderAtTheDefaults) {
    SelectionModel model;
    for (int k = 0; k < kComboCount; ++k) {
        QComboBox* box = panel->combo(k);
        EntryList entries = comboEntries(k);
        ASSERT_EQ(box->count(), static_cast<int>(entries.size())) << k;
        EXPECT_FALSE(box->isEditable());
        for (int i = 0; i < box->count(); ++i) {
            EXPECT_EQ(box->itemText(i).toStdString(), entries[i]) << k << " " << i;
        }
        EXPECT_EQ(panel->selectedIndex(k), model.selectedIndex(k)) << k;
    }
    EXPECT_EQ(currentTexts(*panel), kDefaultTexts);
}

TEST_F(PanelTest, OnlyTheScaleListCannotYieldZero) {
    auto canYieldZero = [this](int combo) {
        for (int i = 0; i < panel->combo(combo)->count(); ++i) {
            panel->setSelectedIndex(combo, i);
            if (panel->selectedText(combo) == "0") return true;
        }
        return false;
    };
    EXPECT_FALSE(canYieldZero(kComboScale));
    for (int combo : {kComboFreeStars, kComboDisk, kComboHalo, kComboBlackHole, kComboStarMass,
                      kComboTimeStep}) {
        EXPECT_TRUE(canYieldZero(combo)) << combo;
    }
}

TEST_F(PanelTest, SelectingOutsideTheListSelectsNothing) {
    panel->setSelectedIndex(kComboLayout, 4);
    EXPECT_EQ(panel->selectedIndex(kComboLayout), -1);
    EXPECT_EQ(panel->selectedText(kComboLayout), "");
    panel->setSelectedIndex(kComboLayout, 3);
    EXPECT_EQ(panel->selectedText(kComboLayout), "球");
}

// ---- Frame --------------------------------------------------------------

TEST_F(PanelTest, FrameCyclesThroughTheThreeModes) {
    gRun.frameMode = 1;
    for (int i = 0; i < 4; ++i) panel->command(kCmdFrame);
    EXPECT_EQ(host.frameModes, (std::vector<int>{2, 0, 1, 2}));
    EXPECT_EQ(gRun.frameMode, 2);
    EXPECT_EQ(gRun.frameModePending, 1);
}

TEST_F(PanelTest, FrameModeOutOfRangeWrapsToZero) {
    // Hand-edited modes: 2 and above go to 0, below 0 count up.
    const std::pair<int, int> steps[] = {{3, 0}, {INT_MAX, 0}, {-1, 0}, {INT_MIN, INT_MIN + 1}};
    for (const auto& [stored, next] : steps) {
        gRun.frameMode = stored;
        panel->command(kCmdFrame);
        EXPECT_EQ(host.frameModes.back(), next) << stored;
        EXPECT_EQ(gRun.frameMode, next) << stored;
    }
}

// ---- Open and Save -------------------------------------------------------

TEST_F(PanelTest, CancelledOpenReadsNothingAndSaveThenProposesDefault) {
    // A scene under the proposed name that a load would pick up.
    Texts other = kDefaultTexts;
    other[kComboFreeStars] = "5";
    writeFile(pathOf("def.cvn"), sceneWithStars(other, 5));
    const QByteArray before = readFile(pathOf("def.cvn"));
    panel->command(kCmdRun);
    const Body firstBody = body(0);
    gFiles.scenarioPath = pathOf("earlier.cvn");

    panel->command(kCmdOpen);
    EXPECT_EQ(dialogs->openOffered, std::vector<std::string>{"def.cvn"});
    EXPECT_EQ(dialogs->lastOwner, panel.data());
    EXPECT_EQ(panel->selectedText(kComboFreeStars), "30");
    EXPECT_EQ(body(0).x, firstBody.x);
    EXPECT_EQ(gParams.bodyCount, 30);

    panel->command(kCmdSave);
    EXPECT_EQ(dialogs->saveOffered, std::vector<std::string>{"def.cvn"});
    EXPECT_EQ(readFile(pathOf("def.cvn")), before);
    EXPECT_TRUE(dialogs->failures.empty());
}

TEST_F(PanelTest, OpenLoadsTheChosenSceneAndSaveProposesIt) {
    Texts texts = kDefaultTexts;
    texts[kComboFreeStars] = "5";
    texts[kComboLayout] = "球";
    const std::string scene = pathOf("五つ星.cvn");
    writeFile(scene, sceneWithStars(texts, 5));

    dialogs->openAnswer = scene;
    panel->command(kCmdOpen);
    EXPECT_EQ(panel->selectedText(kComboFreeStars), "5");
    EXPECT_EQ(panel->selectedText(kComboLayout), "球");
    EXPECT_EQ(gParams.bodyCount, 5);
    EXPECT_EQ(body(4).x, 5000.0f);
    EXPECT_EQ(bodyMass(4), 5.0f);
    EXPECT_TRUE(host.titles.empty());

    panel->command(kCmdSave);
    EXPECT_EQ(dialogs->saveOffered, std::vector<std::string>{scene});
    EXPECT_TRUE(dialogs->failures.empty());
}

TEST_F(PanelTest, ConfirmedSaveWritesTheSceneAndIsProposedNext) {
    panel->command(kCmdRun);
    const std::string target = pathOf("saved.cvn");
    dialogs->saveAnswer = target;
    panel->command(kCmdSave);

    const QByteArray written = readFile(target);
    EXPECT_TRUE(written.startsWith("Corvane V9.0\r\n30\r\n0\r\n0\r\n0\r\n1.0e5\r\n"));
    EXPECT_EQ(written.count("\r\n"), 10 + 30);

    dialogs->saveAnswer.reset();
    panel->command(kCmdSave);
    EXPECT_EQ(dialogs->saveOffered.back(), target);
}

TEST_F(PanelTest, FailedSaveIsReportedAndKeepsTheOldFile) {
    panel->command(kCmdRun);
    // A folder where the scene should go: it can be neither opened nor replaced.
    const std::string blocked = pathOf("blocked.cvn");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(blocked)));
    dialogs->saveAnswer = blocked;
    panel->command(kCmdSave);

    ASSERT_EQ(dialogs->failures.size(), 1u);
    EXPECT_NE(dialogs->failures[0].find("保存"), std::string::npos);
    EXPECT_NE(dialogs->failures[0].find(blocked), std::string::npos);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(blocked)).isDir());
}

TEST_F(PanelTest, SaveOntoAFullDiskIsReportedAndKeepsTheOldFile) {
    panel->command(kCmdRun);
    const std::string target = pathOf("saved.cvn");
    writeFile(target, "the old scene\r\n");
    dialogs->saveAnswer = target;
    {
        // The default scene is far smaller than any write buffer.
        corvane::testing::FileSizeLimit full(1000);
        panel->command(kCmdSave);
    }
    ASSERT_EQ(dialogs->failures.size(), 1u);
    EXPECT_NE(dialogs->failures[0].find(std::strerror(EFBIG)), std::string::npos)
        << dialogs->failures[0];
    EXPECT_EQ(readFile(target), "the old scene\r\n");
}

TEST_F(PanelTest, FailedOpenIsReportedAndKeepsTheGalaxy) {
    panel->combo(kComboFreeStars)->setCurrentText("10");
    panel->command(kCmdRun);
    const Body firstBody = body(0);
    const std::string missing = pathOf("missing.cvn");
    dialogs->openAnswer = missing;
    panel->command(kCmdOpen);

    ASSERT_EQ(dialogs->failures.size(), 1u);
    EXPECT_NE(dialogs->failures[0].find("読み込"), std::string::npos);
    EXPECT_NE(dialogs->failures[0].find(missing), std::string::npos);
    EXPECT_EQ(panel->selectedText(kComboFreeStars), "10");
    EXPECT_EQ(gParams.bodyCount, 10);
    EXPECT_EQ(body(0).x, firstBody.x);
}

TEST_F(PanelTest, CancelledDialogsReportNothing) {
    panel->command(kCmdOpen);
    panel->command(kCmdSave);
    EXPECT_EQ(dialogs->openOffered.size(), 1u);
    EXPECT_EQ(dialogs->saveOffered.size(), 1u);
    EXPECT_TRUE(dialogs->failures.empty());
}

// ---- Other identifiers, Hide, Help, Exit ----------------------------------

TEST_F(PanelTest, ListNotificationsAndUnknownIdentifiersDoNothing) {
    panel->show();
    gRun.frameMode = 1;
    const RunState before = gRun;
    for (int id : {600, 601, 604, 608, 499, 507, 0}) panel->command(id);
    // A pick in a list reports the list's identifier, as the buttons do theirs.
    panel->combo(kComboHalo)->activated(7);

    EXPECT_TRUE(host.titles.empty());
    EXPECT_TRUE(host.frameModes.empty());
    EXPECT_EQ(host.quitRequests, 0);
    EXPECT_TRUE(dialogs->openOffered.empty());
    EXPECT_TRUE(dialogs->saveOffered.empty());
    EXPECT_EQ(gRun.frameMode, before.frameMode);
    EXPECT_EQ(gRun.skipFrame, before.skipFrame);
    EXPECT_EQ(gRun.frameModePending, before.frameModePending);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(gParamTexts[0].empty());
}

TEST_F(PanelTest, ButtonsRunTheirCommands) {
    panel->show();
    auto buttons = panel->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 7);
    buttons[kCmdFrame - kCmdRun]->click();
    buttons[kCmdRun - kCmdRun]->click();
    EXPECT_EQ(host.frameModes.size(), 1u);
    EXPECT_EQ(host.titles.size(), 1u);
    EXPECT_TRUE(panel->isVisible());
    buttons[kCmdHide - kCmdRun]->click();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(PanelTest, HelpOpensThePageFromTheCurrentDirectoryFirstThenFromThePrograms) {
    std::vector<QString> opened;
    panel->setDocumentOpener([&opened](const QString& path) {
        opened.push_back(path);
        return true;
    });
    writeFile(pathOf("corvane.html"), "<html></html>");
    panel->command(kCmdHelp);
    EXPECT_EQ(gRun.skipFrame, 1);

    // Started from elsewhere: the installed or the program's own copy.
    QFile::remove(QString::fromStdString(pathOf("corvane.html")));
    panel->command(kCmdHelp);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QString::fromStdString(pathOf("corvane.html")));
    EXPECT_TRUE(opened[1].endsWith(QStringLiteral("/corvane.html")));
    EXPECT_NE(opened[1], opened[0]);
    EXPECT_TRUE(dialogs->failures.empty());
}

TEST_F(PanelTest, HelpSaysSoWhenTheDesktopCannotShowThePage) {
    panel->setDocumentOpener([](const QString&) { return false; });
    panel->command(kCmdHelp);
    EXPECT_EQ(gRun.skipFrame, 1);
    ASSERT_EQ(dialogs->failures.size(), 1u);
    EXPECT_NE(dialogs->failures[0].find("ヘルプのページを開けませんでした"), std::string::npos);
    EXPECT_NE(dialogs->failures[0].find("corvane.html"), std::string::npos);
}

TEST(HelpPage, FoldersAreTheCurrentOneTheInstalledOneAndTheProgramsInThatOrder) {
    const QStringList folders = helpPageFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QDir::currentPath());
    EXPECT_TRUE(folders[1].endsWith(QStringLiteral("/share/corvane"))) << folders[1].toStdString();
    EXPECT_EQ(folders[2], QCoreApplication::applicationDirPath());
}

TEST(HelpPage, TheFirstFolderWithThePageWins) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir dir(root.path());
    for (const char* name : {"none", "folder", "page1", "page2"}) ASSERT_TRUE(dir.mkdir(name));
    // A folder named like the page is no page.
    ASSERT_TRUE(dir.mkpath(QStringLiteral("folder/corvane.html")));
    writeFile(dir.filePath(QStringLiteral("page1/corvane.html")).toStdString(), "1");
    writeFile(dir.filePath(QStringLiteral("page2/corvane.html")).toStdString(), "2");
    const auto in = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    EXPECT_EQ(findHelpPage({in("none"), in("folder"), in("page2"), in("page1")}),
              in("page2/corvane.html"));
    EXPECT_EQ(findHelpPage({in("page1"), in("page2")}), in("page1/corvane.html"));
    EXPECT_TRUE(findHelpPage({in("none"), in("folder"), in("missing")}).isEmpty());
}

TEST(HelpPage, TheDesktopsVerdictIsTheOpenersExitStatus) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QByteArray oldPath = qgetenv("PATH");
    const auto opener = [&bin](const char* script) {
        QFile file(bin.filePath(QStringLiteral("xdg-open")));
        file.remove();
        if (!script) return;
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("#!/bin/sh\n") + script + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    qputenv("PATH", bin.path().toLocal8Bit());
    opener("[ \"$1\" = '/a b/corvane.html' ]");
    EXPECT_TRUE(openWithDesktop(QStringLiteral("/a b/corvane.html")));
    EXPECT_FALSE(openWithDesktop(QStringLiteral("/other.html")));
    opener("exit 3");  // what xdg-open says when no browser is installed
    EXPECT_FALSE(openWithDesktop(QStringLiteral("/a.html")));
    opener(nullptr);
    EXPECT_FALSE(openWithDesktop(QStringLiteral("/a.html")));
    qputenv("PATH", oldPath);
}

TEST_F(PanelTest, ExitEndsTheProgramAndRemovesThePanel) {
    panel->show();
    panel->command(kCmdExit);
    EXPECT_EQ(host.quitRequests, 1);
    EXPECT_FALSE(panel->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    // Settings are read from the stand-in again, not from a deleted panel.
    EXPECT_EQ(panelCombos().selectedText(kComboFreeStars), "30");
}

TEST_F(PanelTest, CloseRequestEndsTheProgramAsExitDoes) {
    panel->show();
    EXPECT_TRUE(panel->close());
    EXPECT_EQ(host.quitRequests, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
}

// ---- Window and layout -----------------------------------------------------

TEST_F(PanelTest, WindowIsAFixedTitledWindowWithoutCloseBox) {
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("corvane 設定"));
    EXPECT_EQ(panel->size(), QSize(kPanelClientWidth, kPanelClientHeight));
    EXPECT_EQ(panel->minimumSize(), panel->maximumSize());
    const Qt::WindowFlags flags = panel->windowFlags();
    // A tool window: kept above its owner, no minimise or maximise.
    EXPECT_EQ(panel->windowType(), Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
}

TEST_F(PanelTest, OwnedPanelClosesWithItsOwner) {
    auto* owner = new QWidget;
    QPointer<ControlPanel> owned = new ControlPanel(owner, host);
    EXPECT_TRUE(owned->isWindow());
    EXPECT_EQ(owned->parentWidget(), owner);
    delete owner;
    EXPECT_TRUE(owned.isNull());
}

TEST_F(PanelTest, FirstShowCentresOnTheScreen) {
    panel->move(0, 0);
    panel->show();
    const QRect area = panel->screen()->availableGeometry();
    const QPoint offset = panel->frameGeometry().center() - area.center();
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);

    // Later shows keep where the user put it.
    panel->hide();
    panel->move(10, 20);
    panel->show();
    EXPECT_EQ(panel->pos(), QPoint(10, 20));
}

TEST_F(PanelTest, ControlsStandAtTheirTablePositions) {
    auto buttons = panel->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), static_cast<qsizetype>(kButtons.size()));
    for (size_t i = 0; i < kButtons.size(); ++i) {
        EXPECT_EQ(buttons[i]->text().toStdString(), kButtons[i].caption);
        EXPECT_EQ(buttons[i]->geometry(), QRect(0, 40 * static_cast<int>(i), 60, 40));
    }
    const auto labels = panel->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), static_cast<qsizetype>(kFirstLabels.size() + kSecondLabels.size()));
    EXPECT_EQ(labels.front()->text(), QStringLiteral("実行"));
    EXPECT_EQ(labels.front()->geometry(), QRect(90, 20, 120, 30));
    EXPECT_EQ(labels.back()->text(), QStringLiteral("分布"));
    EXPECT_EQ(labels.back()->geometry(), QRect(270, 20, 200, 30));
    // The scale list: its row and width from the table, its natural height.
    const QRect scale = panel->combo(kComboScale)->geometry();
    EXPECT_EQ(scale.topLeft(), QPoint(270, 170));
    EXPECT_EQ(scale.width(), 120);
}

TEST_F(PanelTest, ClicksOnALabelReachTheListOverIt) {
    // "実行" reaches from x 90 to 210, under the free-star list at x 130.
    const QPoint insideBoth(150, 30);
    EXPECT_EQ(panel->childAt(insideBoth), panel->combo(kComboFreeStars));
    const auto labels = panel->findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    }
}

}  // namespace
}  // namespace corvane
