// Scene files through real files: the bytes a save writes, what a load makes
// of hand-edited and hostile files, and every way a save or a load can fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <cfloat>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/file_io.h"
#include "file_faults.h"
#include "scenario/scenario.h"
#include "scenario/scenario_text.h"
#include "test_files.h"
#include "world_fixture.h"

namespace corvane {
namespace {

const std::string kOld = "the old scene\r\n";

std::string crLfLines(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& text : texts) out += text + "\r\n";
    return out;
}

// From now on this process's opens of unnamed files fail with EOPNOTSUPP, as
// on a file system that has none; false where that cannot be arranged.
bool refuseUnnamedFiles() {
#if defined(__x86_64__)
    constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // the flags' low half
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

class ScenarioFileTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    std::string path(const char* name) const { return dir.path().toStdString() + '/' + name; }
    ScenarioResult save() const { return saveScenario(sim, selections, scenarioPath); }
    ScenarioResult load() { return loadScenario(sim, view, selections, scenarioPath); }
    BodyValues valuesOf(int i) const {
        const Body& b = sim.body(i);
        return {b.x, b.y, b.z, b.vx, b.vy, b.vz, sim.bodyMass(i)};
    }
    // Sevens everywhere in the table: no load writes them.
    void fillTableWithSevens() {
        for (int i = 0; i < MaxBodies; ++i)
            sim.body(i) = Body{7, 7, 7, 7, 7, 7, 7, 7}, sim.bodyMass(i) = 7;
    }

    QTemporaryDir dir;
    std::string scenarioPath;
};

// Saved through a link with a Shift-JIS name, which is no UTF-8, to a file
// whose permissions stay; loaded back; saved again under a UTF-8 name.
TEST_F(ScenarioFileTest, SaveWritesTheRunningSceneAndLoadReadsItBack) {
    ASSERT_TRUE(make({800, 600, 1, {"20", "10", "5", "1.0e10", "", "", "", "均等", "球"}}));
    sim.body(3).y = -0.0000004f;
    sim.bodyMass(5) = 3e20f;
    select(kComboFreeStars, "100");  // chosen, but not run
    std::string expected = crLfLines({"Corvane V9.0", "20", "10", "5", "1.0e10", "1.0e5", "1.0e5",
                                      "100", "\x8B\xCF\x93\x99", "\x8B\x85"});  // 均等, 球
    for (int i = 0; i < 35; ++i) {  // as the C library prints, "-0.000000" too
        const BodyValues v = valuesOf(i);
        char line[512];
        std::snprintf(line, sizeof line, "%f,%f,%f,%f,%f,%f,%f\r\n", v[0], v[1], v[2], v[3], v[4],
                      v[5], v[6]);
        expected += line;
    }
    writeFile(path("real.cvn"), "old");
    ASSERT_EQ(chmod(path("real.cvn").c_str(), 0640), 0);
    scenarioPath = path("\x83\x49\x83\x8A.cvn");
    ASSERT_EQ(symlink(path("real.cvn").c_str(), scenarioPath.c_str()), 0);
    ASSERT_TRUE(save().ok());
    EXPECT_EQ(readFile(path("real.cvn")), expected);
    struct stat info {};
    EXPECT_TRUE(stat(scenarioPath.c_str(), &info) == 0 && (info.st_mode & 07777) == 0640);

    const std::string link = scenarioPath;
    sim = Simulation{};
    selections.resetToDefaults();
    scenarioPath = link;
    fillTableWithSevens();
    const int fills = surface.fillCount();
    ASSERT_TRUE(load().ok());
    unlink(scenarioPath.c_str());  // Qt's own folder removal cannot name it
    EXPECT_EQ(sim.body(5).farCoeff, static_cast<float>(double(3e20f) * sim.params.forceFactor));
    EXPECT_EQ(surface.fillCount(), fills + 1);
    scenarioPath = path("銀河.cvn");
    ASSERT_TRUE(save().ok());
    EXPECT_EQ(readFile(scenarioPath), expected) << "a loaded scene saves as it was";
}

TEST_F(ScenarioFileTest, SelectionLinesSelectByPrefixOrKeepTheSelection) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"10", "1", "7", "1.0e1", "1.0E5", "", "1", "\x8B\xCF\x93\x99", "\x8B\x85"},
         {"10", "10", "0", "1.0e10", "1.0e5", "1.0e5", "1", "均等", "球"}},
        // A lone CR, a lead byte cut off after オ, and the UTF-8 bytes of 円.
        {{"5\r", "0", "0", "0", "1.0e5", "1.0e5", "100", "\x83\x49\x83", "\xE5\x86\x86"},
         {"10", "0", "0", "0", "1.0e5", "1.0e5", "100", "均等", "球"}},
    };
    scenarioPath = path("in.cvn");
    for (const auto& [lines, selected] : cases) {
        writeFile(scenarioPath, "Corvane V9.0\r\n" + crLfLines(lines));
        ASSERT_TRUE(load().ok());
        for (int k = 0; k < kComboCount; ++k) EXPECT_EQ(selections.selectedText(k), selected[k]);
    }
    EXPECT_EQ(fromCodePage932("\x83\x49\xFF"), std::nullopt);
}

// Then a binary file, and the first file grown to 100 MB.
TEST_F(ScenarioFileTest, BodyLinesAreReadLenientlyAndHostileFilesHarmlessly) {
    const std::pair<std::string, BodyValues> cases[] = {
        {"1,-2.5,3e2,4,5,6,7", {1, -2.5f, 300, 4, 5, 6, 7}},
        {"1,,3,x,  5.5kg,6,7,8,9", {1, 0, 3, 0, 5.5f, 6, 7}},
        {"1,2\r3,4\n5,6,7", {1, 2, 4, 6, 7}},             // a lone CR or LF is data
        {std::string("1,2,3\0,4,5,6,7", 15), {1, 2, 3}},  // a zero byte ends the text
        {"1e39,-1e39,1e400,3.4028235e38,-3.40282356e38,1e-50,nan", {0, 0, 0, FLT_MAX, -FLT_MAX}},
        {"1.5," + std::string(100000, '9'), {1.5f}},    // a 100 000-byte line
        {"1," + std::string(507, ' ') + "98", {1, 9}},  // cut after 510 bytes
        {"1,2,3,0,0,0,1e30", {1, 2, 3}},  // at the largest speed and scale a pull beyond floats
        {"1,2,3,0,0,0,1e20", {1, 2, 3, 0, 0, 0, 1e20f}},
    };
    std::string file =
        crLfLines({"Corvane V9.0", "20", "0", "0", "0", "1.0e5", "1.0e14", "1.0e14",
                   "\x83\x49\x83\x8A\x83\x57\x83\x69\x83\x8B", "\x8B\xE2\x89\xCD\x8F\xF3"});
    for (const auto& [line, values] : cases) file += line + "\r\n";
    scenarioPath = path("in.cvn");
    writeFile(scenarioPath, file + "9,9,9,9,9,9,9");  // the last line needs no CR LF
    fillTableWithSevens();
    ASSERT_TRUE(load().ok());
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(valuesOf(i), cases[i].second) << i;
    EXPECT_EQ(sim.body(7).farCoeff, 0.0f);
    EXPECT_EQ(valuesOf(9), (BodyValues{9, 9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(valuesOf(19), BodyValues{}) << "missing lines are all zero";
    EXPECT_EQ(sim.body(20).x, 7.0f) << "bodies past the count are left alone";

    std::string noise(1 << 16, '\0');
    std::uint32_t state = 12345;
    for (char& c : noise) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    for (std::size_t i = 0; i < noise.size(); i += 97) noise.replace(i, 2, "\r\n");
    writeFile(scenarioPath = path("noise.cvn"), noise);
    ASSERT_TRUE(load().ok());
    scenarioPath = path("in.cvn");
    ASSERT_EQ(truncate(scenarioPath.c_str(), 100'000'000), 0);  // sparse: no disk is used
    std::string data;
    ASSERT_TRUE(readWholeFile(scenarioPath, data).ok());
    EXPECT_EQ(data.size(), kScenarioReadLimit);
    EXPECT_LE(data.capacity(), kScenarioReadLimit + 4096) << "memory for the limit, no more";
    ASSERT_TRUE(load().ok());
    EXPECT_EQ(valuesOf(0), cases[0].second);
}

TEST_F(ScenarioFileTest, FailedLoadsChangeNothingAndNeverWait) {
    runCommand(sim, view, selectedTexts(selections));
    const int fills = surface.fillCount();
    ASSERT_EQ(mkfifo(path("pipe.cvn").c_str(), 0600), 0);  // no writer: opening could wait forever
    const std::pair<std::string, std::string> cases[] = {
        {path("missing.cvn"), std::strerror(ENOENT)},
        {dir.path().toStdString(), std::strerror(EISDIR)},
        {"/dev/zero", "Not a regular file"},
        {path("pipe.cvn"), "Not a regular file"}};
    alarm(30);  // a load that waits ends the whole test here
    for (const auto& [file, reason] : cases) {
        scenarioPath = file;
        const ScenarioResult result = load();
        EXPECT_EQ(result.failure, ScenarioFailure::CannotOpen) << file;
        EXPECT_EQ(result.errorString.toStdString(), reason) << file;
    }
    alarm(0);
    EXPECT_EQ(surface.fillCount(), fills);
}

TEST_F(ScenarioFileTest, FailedSavesKeepTheOldFileAndGiveTheSystemsReason) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("folder/locked"));
    std::vector<std::string> olds = {path("plain"), path("scene.cvn"), path("folder/locked/s.cvn")};
    // Free stars (30 fit in any write buffer), target, bytes a file may have, reason.
    std::vector<std::tuple<const char*, std::string, rlim_t, int>> cases = {
        {"30", path("folder"), RLIM_INFINITY, EISDIR},
        {"30", path("plain/s.cvn"), RLIM_INFINITY, ENOTDIR},
        {"30", path("scene.cvn"), 0, EFBIG},
        {"30", path("scene.cvn"), 1000, EFBIG},
        {"5000", path("scene.cvn"), 100000, EFBIG}};
    if (geteuid() != 0)  // permission bits do not stop the superuser
        cases.push_back({"30", olds[2], RLIM_INFINITY, EACCES});
    testing::SmallTmpfs disk(64);  // a really full disk, for the superuser only
    if (disk.mounted()) olds.push_back(disk.path() + "/scene.cvn");
    if (disk.mounted()) cases.push_back({"30", olds.back(), RLIM_INFINITY, ENOSPC});
    for (const std::string& file : olds) writeFile(file, kOld);
    if (disk.mounted()) disk.fill();
    ASSERT_EQ(chmod(path("folder/locked").c_str(), 0500), 0);
    for (const auto& [freeStars, target, fileSizeLimit, error] : cases) {
        SCOPED_TRACE(target);
        select(kComboFreeStars, freeStars);
        runCommand(sim, view, selectedTexts(selections));
        scenarioPath = target;
        const ScenarioResult result = [this, limit = fileSizeLimit] {
            testing::FileSizeLimit full(limit);
            return save();
        }();
        const bool writing = error == EFBIG || error == ENOSPC;
        EXPECT_EQ(result.failure,
                  writing ? ScenarioFailure::CannotWrite : ScenarioFailure::CannotOpen);
        EXPECT_EQ(result.errorString.toStdString(), std::strerror(error));
        for (const std::string& file : olds) EXPECT_EQ(readFile(file), kOld) << file;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({"plain", "scene.cvn"}))
            << "the unfinished file is removed";
    }
    chmod(path("folder/locked").c_str(), 0700);
}

// A save killed midway leaves nothing beside its target: the file has no name
// until it is written in full. Where unnamed files are refused, a named
// temporary file serves (and only there may a killed save leave one). Either
// way a replaced file keeps its mode and a new one gets the umask's.
TEST_F(ScenarioFileTest, KilledSavesLeaveNothingWhereUnnamedFilesExist) {
    const std::string target = path("scene.cvn"), made = path("made.cvn");
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "unnamed files refused" : "unnamed files");
        writeFile(target, kOld);
        ASSERT_EQ(chmod(target.c_str(), 0604), 0);
        auto inChild = [refused](auto save) {
            const pid_t child = fork();
            if (child == 0) {
                if (refused && !refuseUnnamedFiles()) _exit(3);
                umask(027);
                save();
                _exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
            return status;
        };
        const int killed = inChild([&] {
            ReplacingFile file(target);
            const std::string block(1 << 20, 'x');
            file.write(block.data(), block.size());
            raise(SIGKILL);
        });
        ASSERT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left.size(), refused ? 2 : 1) << left.join(' ').toStdString();
        for (const QString& name : left) {
            if (name != "scene.cvn") QFile::remove(dir.filePath(name));
        }
        EXPECT_EQ(readFile(target), kOld);

        const int saved = inChild([&] {
            if (!replaceFile(target, "new").ok() || !replaceFile(made, "made").ok()) _exit(4);
        });
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(readFile(target) + readFile(made), "newmade");
        struct stat replaced {};
        struct stat fresh {};
        ASSERT_EQ(stat(target.c_str(), &replaced) | stat(made.c_str(), &fresh), 0);
        EXPECT_EQ(std::pair(replaced.st_mode & 0777, fresh.st_mode & 0777),
                  std::pair(0604u, 0640u));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({"made.cvn", "scene.cvn"}));
        unlink(made.c_str());
    }
}

}  // namespace
}  // namespace corvane
