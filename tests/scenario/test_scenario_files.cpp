#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/surface.h"
#include "file_faults.h"
#include "render/plot.h"
#include "scenario/process_state.h"
#include "scenario/scenario.h"
#include "scenario/scenario_text.h"
#include "settings/selections.h"
#include "sim/bodies.h"
#include "sim/display.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"

namespace corvane {
namespace {

using namespace std::string_literals;

// A clean process with an 800 x 600 view in memory and a scratch directory.
class SceneFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetProcessState();
        ASSERT_TRUE(createBodyTable());
        setViewGeometry(800, 600);
        surface.resize(800, 600);
        setViewSurface(&surface);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        setViewSurface(nullptr);
        resetProcessState();
    }

    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

    void writeFile(const std::string& file, const std::string& bytes) {
        QFile f(QString::fromStdString(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes.data(), bytes.size()), static_cast<qint64>(bytes.size()));
    }
    std::string readFile(const std::string& file) {
        QFile f(QString::fromStdString(file));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
    ScenarioResult loadText(const std::string& bytes) {
        gFiles.scenarioPath = path("in.cvn");
        writeFile(gFiles.scenarioPath, bytes);
        return loadScenario();
    }
    // Fills the whole table with a value no load produces, to see what a load
    // leaves alone.
    void fillTableWithSevens() {
        for (int i = 0; i < MaxBodies; ++i) {
            body(i) = Body{7, 7, 7, 7, 7, 7, 7, 7};
            bodyMass(i) = 7;
        }
    }
    BodyValues valuesOf(int i) const {
        const Body& b = body(i);
        return {b.x, b.y, b.z, b.vx, b.vy, b.vz, bodyMass(i)};
    }

    MemorySurface surface;
    QTemporaryDir dir;
};

// The header and the nine selection lines in the file's bytes.
std::string selectionLines(std::vector<std::string> texts) {
    std::string out = "Corvane V9.0\r\n";
    for (const auto& t : texts) out += t + "\r\n";
    return out;
}

const std::string kMassOriginal = "\x83\x49\x83\x8A\x83\x57\x83\x69\x83\x8B";  // オリジナル
const std::string kLayoutGalaxy = "\x8B\xE2\x89\xCD\x8F\xF3";                  // 銀河状

std::string freeStarsOnly(const std::string& count) {
    return selectionLines(
        {count, "0", "0", "0", "1.0e5", "1.0e5", "100", kMassOriginal, kLayoutGalaxy});
}

std::vector<std::string> splitCrLf(const std::string& data) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = data.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(data.substr(start, end - start));
    }
    EXPECT_EQ(start, data.size()) << "bytes after the last CR LF";
    return lines;
}

TEST_F(SceneFileTest, DefaultSceneHasTheExactByteForm) {
    runCommand();
    gFiles.scenarioPath = path("def.cvn");
    ASSERT_TRUE(saveScenario().ok());
    std::string data = readFile(gFiles.scenarioPath);
    std::vector<std::string> lines = splitCrLf(data);
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 10),
              (std::vector<std::string>{"Corvane V9.0", "30", "0", "0", "0", "1.0e5", "1.0e5",
                                        "100", kMassOriginal, kLayoutGalaxy}));
    std::regex bodyLine(R"(-?\d+\.\d{6}(,-?\d+\.\d{6}){6})");
    for (int i = 0; i < 30; ++i) {
        EXPECT_TRUE(std::regex_match(lines[10 + i], bodyLine)) << lines[10 + i];
        EXPECT_EQ(lines[10 + i], formatBodyLine(valuesOf(i)));
    }
    size_t lineFeeds = std::count(data.begin(), data.end(), '\n');
    size_t returns = std::count(data.begin(), data.end(), '\r');
    EXPECT_EQ(lineFeeds, 40u);
    EXPECT_EQ(returns, 40u);
}

TEST_F(SceneFileTest, ScenesComeBackWithinSixDecimals) {
    ASSERT_TRUE(makeGalaxy({gView.viewWidth,
                            gView.viewHeight,
                            1,
                            {"20", "10", "5", "1.0e10", "", "", "", "均等", "球"}}));
    ASSERT_EQ(gParams.bodyCount, 35);
    body(3).x = 0.0000004f;
    body(3).y = -0.0000004f;
    body(4).vz = 123456.789f;
    bodyMass(5) = 3e20f;
    std::vector<BodyValues> saved;
    for (int i = 0; i < 35; ++i) saved.push_back(valuesOf(i));
    SimParams params = gParams;
    gFiles.scenarioPath = path("scene.cvn");
    ASSERT_TRUE(saveScenario().ok());

    resetProcessState();
    setBodyProjection(&plotBody);
    setViewSurface(&surface);
    gFiles.scenarioPath = path("scene.cvn");
    fillTableWithSevens();
    gRun.frameCount = 12;
    gView.yawAngle = 0.25f;
    gView.pitchAngle = -0.5f;
    surface.setPixel(1, 1, kStarColour);
    int fills = surface.fillCount();
    ASSERT_TRUE(loadScenario().ok());

    EXPECT_EQ(panelCombos().selectedText(kComboMassMode), "均等");
    EXPECT_EQ(panelCombos().selectedText(kComboLayout), "球");
    EXPECT_EQ(gParams.bodyCount, params.bodyCount);
    EXPECT_EQ(gParams.haloCount, params.haloCount);
    EXPECT_EQ(gParams.holeFar, params.holeFar);
    EXPECT_EQ(gParams.massMode, 1);
    EXPECT_EQ(gParams.layoutMode, 3);
    for (int i = 0; i < 35; ++i) {
        BodyValues loaded = valuesOf(i);
        for (size_t f = 0; f < loaded.size(); ++f) {
            float original = saved[i][f];
            EXPECT_NEAR(loaded[f], original, 5e-7 + std::fabs(original) * 1.2e-7) << i << " " << f;
        }
        EXPECT_EQ(body(i).farCoeff, static_cast<float>(double(bodyMass(i)) * gParams.forceFactor));
    }
    EXPECT_EQ(body(3).x, 0.0f);
    EXPECT_EQ(body(3).y, 0.0f);
    EXPECT_EQ(body(35).x, 7.0f) << "bodies past the count are left alone";
    EXPECT_EQ(gRun.frameCount, 12);
    EXPECT_EQ(gView.yawAngle, 0.25f);
    EXPECT_EQ(gView.pitchAngle, -0.5f);
    EXPECT_EQ(surface.litPixelCount(), 0);
    EXPECT_EQ(surface.fillCount(), fills + 1);
}

TEST_F(SceneFileTest, SelectionLinesSelectByPrefix) {
    ASSERT_TRUE(loadText(selectionLines({"10", "1", "7", "1.0e1", "1.0E5", "", "1",
                                         "\x8B\xCF\x93\x99", "\x8B\x85"}))
                    .ok());
    PanelSelections& panel = panelCombos();
    EXPECT_EQ(panel.selectedText(kComboFreeStars), "10");  // not "100"
    EXPECT_EQ(panel.selectedText(kComboDisk), "10");
    EXPECT_EQ(panel.selectedText(kComboHalo), "0") << "a hand-edited 7 keeps the selection";
    EXPECT_EQ(panel.selectedText(kComboBlackHole), "1.0e10");
    EXPECT_EQ(panel.selectedText(kComboStarMass), "1.0e5");
    EXPECT_EQ(panel.selectedText(kComboTimeStep), "1.0e5") << "an empty line keeps the selection";
    EXPECT_EQ(panel.selectedText(kComboScale), "1");
    EXPECT_EQ(panel.selectedText(kComboMassMode), "均等");
    EXPECT_EQ(panel.selectedText(kComboLayout), "球");
    EXPECT_EQ(gParams.bodyCount, 20);
    EXPECT_EQ(gParams.blackHoleMass, 1.0e10f);
}

TEST_F(SceneFileTest, SelectionLinesThatDoNotDecodeSelectNothing) {
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboLayout, "円盤厚"));
    // The UTF-8 bytes of 球, a cut-off lead byte, and a line with a lone CR.
    ASSERT_TRUE(loadText(selectionLines({"5\r", "0", "0", "0", "1.0e5", "1.0e5", "100", "\x83",
                                         "\xE7\x90\x83"}))
                    .ok());
    EXPECT_EQ(panelCombos().selectedText(kComboFreeStars), "30");
    EXPECT_EQ(panelCombos().selectedText(kComboMassMode), "オリジナル");
    EXPECT_EQ(panelCombos().selectedText(kComboLayout), "円盤厚");
}

TEST_F(SceneFileTest, BodyLinesFewerOrMoreThanTheCount) {
    fillTableWithSevens();
    ASSERT_TRUE(loadText(freeStarsOnly("5") + "1,2,3,4,5,6,7\r\n8,9\r\n").ok());
    EXPECT_EQ(gParams.bodyCount, 5);
    EXPECT_EQ(valuesOf(0), (BodyValues{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(valuesOf(1), (BodyValues{8, 9, 0, 0, 0, 0, 0}));
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(valuesOf(i), BodyValues{}) << i;
        EXPECT_EQ(body(i).farCoeff, 0.0f);
        EXPECT_EQ(body(i).nearCoeff, 0.0f);
    }
    EXPECT_EQ(valuesOf(5).front(), 7.0f);

    std::string sixLines;
    for (int i = 1; i <= 6; ++i) sixLines += std::to_string(i) + ",0,0,0,0,0,1\r\n";
    ASSERT_TRUE(loadText(freeStarsOnly("5") + sixLines).ok());
    EXPECT_EQ(valuesOf(4).front(), 5.0f);
    EXPECT_EQ(valuesOf(5).front(), 7.0f) << "extra lines are ignored";
}

TEST_F(SceneFileTest, OddBytesInBodyLines) {
    std::string lines = "1,2\r3,4\n5,6,7\r\n"s                        // lone CR and LF are data
                        + "1,2,3\0,4,5,6,7\r\n"s                      // a zero byte ends the text
                        + "1e39,-1e39,1e400,3.5,0,0,1e39\r\n"         // non-finite values read as 0
                        + "1.5," + std::string(100000, '9') + "\r\n"  // a 100 000-byte line
                        + "1," + std::string(507, ' ') + "98\r\n"     // cut after 510 bytes
                        + "9,9,9,9,9,9,9";                            // no CR LF at the end
    ASSERT_TRUE(loadText(freeStarsOnly("10") + lines).ok());
    EXPECT_EQ(valuesOf(0), (BodyValues{1, 2, 4, 6, 7, 0, 0}));
    EXPECT_EQ(valuesOf(1), (BodyValues{1, 2, 3, 0, 0, 0, 0}));
    EXPECT_EQ(valuesOf(2), (BodyValues{0, 0, 0, 3.5f, 0, 0, 0}));
    EXPECT_EQ(body(2).farCoeff, 0.0f);
    EXPECT_EQ(valuesOf(3), (BodyValues{1.5f, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(valuesOf(4), (BodyValues{1, 9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(valuesOf(5), (BodyValues{9, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(valuesOf(6), BodyValues{});
}

TEST_F(SceneFileTest, AMassWhoseCoefficientsOverflowReadsAsZero) {
    // Speed and scale at their largest: forceFactor is about 6.7e17, so a
    // hand-written mass of 1e30 would give an infinite pull on every star.
    const std::string settings = selectionLines(
        {"5", "0", "0", "0", "1.0e5", "1.0e14", "1.0e14", kMassOriginal, kLayoutGalaxy});
    ASSERT_TRUE(loadText(settings + "1,2,3,0,0,0,1e30\r\n1,2,3,0,0,0,1e20\r\n").ok());
    EXPECT_EQ(bodyMass(0), 0.0f);
    EXPECT_EQ(body(0).farCoeff, 0.0f);
    EXPECT_EQ(body(0).nearCoeff, 0.0f);
    EXPECT_EQ(bodyMass(1), 1e20f);
    EXPECT_TRUE(std::isfinite(body(1).farCoeff));
    EXPECT_GT(body(1).farCoeff, 0.0f);
}

TEST_F(SceneFileTest, EmptyHeaderOnlyAndBinaryFilesLoadHarmlessly) {
    for (const std::string& data : {""s, "Corvane V9.0\r\n"s, "anything at all"s}) {
        fillTableWithSevens();
        ASSERT_TRUE(loadText(data).ok());
        EXPECT_EQ(panelCombos().selectedText(kComboFreeStars), "30");
        EXPECT_EQ(gParams.bodyCount, 30);
        for (int i = 0; i < 30; ++i) EXPECT_EQ(valuesOf(i), BodyValues{});
    }
    std::string binary(1 << 16, '\0');
    std::uint32_t state = 12345;
    for (char& c : binary) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    for (size_t i = 0; i < binary.size(); i += 97) binary.replace(i, 2, "\r\n");
    ASSERT_TRUE(loadText(binary).ok());
    EXPECT_LE(gParams.bodyCount, 15000);
    for (int i = 0; i < gParams.bodyCount; ++i) {
        for (float v : valuesOf(i)) ASSERT_TRUE(std::isfinite(v));
    }
}

TEST_F(SceneFileTest, SaveRecordsTheSceneThatRuns) {
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboFreeStars, "5"));
    gFiles.scenarioPath = path("never-run.cvn");
    ASSERT_TRUE(saveScenario().ok());
    EXPECT_EQ(splitCrLf(readFile(gFiles.scenarioPath)).at(1), "5")
        << "before any Run the panel's texts are all there is";

    runCommand();
    std::vector<BodyValues> running;
    for (int i = 0; i < 5; ++i) running.push_back(valuesOf(i));
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboFreeStars, "100"));
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboLayout, "球"));
    gFiles.scenarioPath = path("changed.cvn");
    ASSERT_TRUE(saveScenario().ok());
    std::vector<std::string> lines = splitCrLf(readFile(gFiles.scenarioPath));
    EXPECT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines.at(1), "5");
    EXPECT_EQ(lines.at(9), kLayoutGalaxy);

    fillTableWithSevens();
    ASSERT_TRUE(loadScenario().ok());
    EXPECT_EQ(panelCombos().selectedText(kComboFreeStars), "5");
    EXPECT_EQ(gParams.bodyCount, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(formatBodyLine(valuesOf(i)), formatBodyLine(running[i]));
}

TEST_F(SceneFileTest, FailedSavesLeaveTheOldFile) {
    runCommand();
    QDir(dir.path()).mkdir("folder");
    gFiles.scenarioPath = path("folder");
    ScenarioResult result = saveScenario();
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.errorString.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());

    std::string notAFolder = path("plain");
    writeFile(notAFolder, "the old scene\r\n");
    gFiles.scenarioPath = notAFolder + "/scene.cvn";
    EXPECT_EQ(saveScenario().failure, ScenarioFailure::CannotOpen);
    EXPECT_EQ(readFile(notAFolder), "the old scene\r\n");
}

TEST_F(SceneFileTest, SaveIntoAnUnwritableFolderLeavesTheOldFile) {
    runCommand();
    if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop the superuser";
    QDir(dir.path()).mkdir("locked");
    std::string old = path("locked/old.cvn");
    writeFile(old, "the old scene\r\n");
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
    gFiles.scenarioPath = old;
    ScenarioResult result = saveScenario();
    QFile::setPermissions(dir.filePath("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.errorString.isEmpty());
    EXPECT_EQ(readFile(old), "the old scene\r\n");
    EXPECT_EQ(QDir(dir.filePath("locked")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(SceneFileTest, FailedLoadChangesNothing) {
    runCommand();
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboHalo, "50"));
    std::string before = formatBodyLine(valuesOf(0));
    SimParams params = gParams;
    int fills = surface.fillCount();

    gFiles.scenarioPath = path("missing.cvn");
    ScenarioResult missing = loadScenario();
    EXPECT_EQ(missing.failure, ScenarioFailure::CannotOpen);
    EXPECT_FALSE(missing.errorString.isEmpty());
    gFiles.scenarioPath = dir.path().toStdString();
    EXPECT_FALSE(loadScenario().ok()) << "a directory is no scene";

    EXPECT_EQ(formatBodyLine(valuesOf(0)), before);
    EXPECT_EQ(gParams.bodyCount, params.bodyCount);
    EXPECT_EQ(gParams.holeNear, params.holeNear);
    EXPECT_EQ(panelCombos().selectedText(kComboHalo), "50");
    EXPECT_EQ(surface.fillCount(), fills);
}

TEST_F(SceneFileTest, PathStartsAsDefAndIsUtf8) {
    EXPECT_EQ(gFiles.scenarioPath, "def.cvn");
    runCommand();
    gFiles.scenarioPath = path("銀河.cvn");
    ASSERT_TRUE(saveScenario().ok());
    EXPECT_TRUE(QFile::exists(dir.filePath("銀河.cvn")));
    ASSERT_TRUE(loadScenario().ok());
    resetProcessState();
    EXPECT_EQ(gFiles.scenarioPath, "def.cvn");
}

// ---- Failed writes and hostile files ----------------------------------------

struct FailedWrite {
    const char* freeStars;  // the scene's size: 30 bodies fit in any write buffer
    rlim_t fileSizeLimit;   // bytes a file may have before writes fail
};

class FailedWriteTest : public SceneFileTest, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(FailedWriteTest, KeepsTheOldFileAndGivesTheSystemsReason) {
    ASSERT_TRUE(panelCombos().selectByPrefix(kComboFreeStars, GetParam().freeStars));
    runCommand();
    gFiles.scenarioPath = path("scene.cvn");
    writeFile(gFiles.scenarioPath, "the old scene\r\n");
    ScenarioResult result;
    {
        testing::FileSizeLimit full(GetParam().fileSizeLimit);
        result = saveScenario();
    }
    EXPECT_EQ(result.failure, ScenarioFailure::CannotWrite);
    EXPECT_EQ(result.errorString.toStdString(), std::strerror(EFBIG));
    EXPECT_EQ(readFile(gFiles.scenarioPath), "the old scene\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"scene.cvn"})
        << "the unfinished file is removed";
}

INSTANTIATE_TEST_SUITE_P(SmallAndLargeScenes, FailedWriteTest,
                         ::testing::Values(FailedWrite{"30", 0}, FailedWrite{"30", 1000},
                                           FailedWrite{"30", 2000}, FailedWrite{"5000", 100000}));

TEST_F(SceneFileTest, SaveOntoAFullFileSystemKeepsTheOldFile) {
    testing::SmallTmpfs disk(64);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs the superuser";
    runCommand();
    gFiles.scenarioPath = disk.path() + "/scene.cvn";
    writeFile(gFiles.scenarioPath, "the old scene\r\n");
    disk.fill();
    ScenarioResult result = saveScenario();
    EXPECT_EQ(result.failure, ScenarioFailure::CannotWrite);
    EXPECT_EQ(result.errorString.toStdString(), std::strerror(ENOSPC));
    EXPECT_EQ(readFile(gFiles.scenarioPath), "the old scene\r\n");
}

TEST_F(SceneFileTest, SaveKeepsLinksAndPermissions) {
    runCommand();
    writeFile(path("real.cvn"), "old");
    ASSERT_EQ(chmod(path("real.cvn").c_str(), 0640), 0);
    ASSERT_EQ(symlink(path("real.cvn").c_str(), path("link.cvn").c_str()), 0);
    gFiles.scenarioPath = path("link.cvn");
    ASSERT_TRUE(saveScenario().ok());
    EXPECT_TRUE(QFileInfo(dir.filePath("link.cvn")).isSymLink());
    EXPECT_TRUE(readFile(path("real.cvn")).starts_with("Corvane V9.0\r\n"));
    struct stat info {};
    ASSERT_EQ(stat(path("real.cvn").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SceneFileTest, OnlyRegularFilesAreReadAndOpeningNeverWaits) {
    runCommand();
    const std::string before = formatBodyLine(valuesOf(0));
    const std::string fifo = path("pipe.cvn");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string notRegular = "Not a regular file";
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", notRegular},
        {"/dev/urandom", notRegular},
        {fifo, notRegular},  // no writer: a blocking open would wait forever
        {dir.path().toStdString(), std::strerror(EISDIR)},
    };
    alarm(30);  // a load that waits ends the whole test here
    for (const auto& [file, reason] : cases) {
        gFiles.scenarioPath = file;
        ScenarioResult result = loadScenario();
        EXPECT_EQ(result.failure, ScenarioFailure::CannotOpen) << file;
        EXPECT_EQ(result.errorString.toStdString(), reason) << file;
    }
    alarm(0);
    EXPECT_EQ(formatBodyLine(valuesOf(0)), before);
}

TEST_F(SceneFileTest, ReadingStopsAfter64MiB) {
    // A scene, then zero bytes up to 100 MB (sparse: no disk is used).
    const std::string scene = freeStarsOnly("5") + "1,2,3,4,5,6,7\r\n";
    gFiles.scenarioPath = path("huge.cvn");
    writeFile(gFiles.scenarioPath, scene);
    ASSERT_EQ(truncate(gFiles.scenarioPath.c_str(), 100'000'000), 0);
    std::string data;
    ASSERT_TRUE(readWholeFile(gFiles.scenarioPath, data).ok());
    EXPECT_EQ(data.size(), kScenarioReadLimit);
    EXPECT_LE(data.capacity(), kScenarioReadLimit + 4096) << "memory for the limit, no more";
    EXPECT_EQ(data.substr(0, scene.size()), scene);
    data = {};
    ASSERT_TRUE(loadScenario().ok());
    EXPECT_EQ(gParams.bodyCount, 5);
    EXPECT_EQ(valuesOf(0), (BodyValues{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SceneFileTest, NamesAreTheirBytesInAnyEncoding) {
    runCommand();
    gFiles.scenarioPath =
        dir.path().toStdString() + "/\x83\x49\x83\x8A.cvn";  // Shift-JIS, not UTF-8
    ASSERT_TRUE(saveScenario().ok());
    EXPECT_EQ(access(gFiles.scenarioPath.c_str(), F_OK), 0) << "saved under exactly these bytes";
    fillTableWithSevens();
    ASSERT_TRUE(loadScenario().ok());
    EXPECT_EQ(gParams.bodyCount, 30);
    EXPECT_NE(body(0).x, 7.0f);
    unlink(gFiles.scenarioPath.c_str());  // Qt's own folder removal cannot name it
}

}  // namespace
}  // namespace corvane
